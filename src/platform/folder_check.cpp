#include "platform/folder_check.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace norvane {
namespace {

std::string Reason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

}  // namespace

void CheckFolderTakesNewFile(const std::string& path, uint64_t bytes) {
  std::size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  auto fail = [&](int error) {
    throw FolderCheckError("Cannot write in the folder of " + name + ": " + Reason(error));
  };
  constexpr uint64_t kBlock = 64 * 1024;
  if (bytes < kBlock) bytes = kBlock;

  std::string pattern = folder + "/." + name + ".check.XXXXXX";
  std::vector<char> temp(pattern.begin(), pattern.end());
  temp.push_back('\0');
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) fail(errno);
  int error = 0;
  // Written, not just allocated, so that a full disk and a quota both show.
  std::vector<char> zeros(kBlock, 0);
  for (uint64_t done = 0; done < bytes && error == 0;) {
    std::size_t want = static_cast<std::size_t>(bytes - done < kBlock ? bytes - done : kBlock);
    ssize_t n = ::write(fd, zeros.data(), want);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      error = n < 0 ? errno : ENOSPC;
    else
      done += static_cast<uint64_t>(n);
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  struct statvfs vfs {};
  if (error == 0 && fstatvfs(fd, &vfs) == 0 && static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize < bytes)
    error = ENOSPC;
  ::close(fd);
  unlink(temp.data());
  if (error != 0) fail(error);
}

}  // namespace norvane
