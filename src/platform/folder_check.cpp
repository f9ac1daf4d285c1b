#include "platform/folder_check.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/path_names.h"

namespace norvane {
void CheckFolderTakesNewFile(const std::string& path, uint64_t bytes) {
  std::string folder = FolderOf(path);
  std::string name = BaseNameOf(path);
  auto fail = [&](int error) {
    throw FolderCheckError("Cannot write in the folder of " + name + ": " + SystemReason(error));
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
