#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace norvane {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
long long g_failAfter = -1;

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

void AtomicFile::FailAfterBytesForTesting(long long bytes) {
  g_failAfter = bytes;
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)), failAfter_(g_failAfter) {
  // A hidden name in the same folder keeps the rename on one file system.
  std::string folder = FolderOf(path_);
  std::string base =
      path_.substr(path_.find_last_of('/') == std::string::npos ? 0 : path_.find_last_of('/') + 1);
  std::string pattern = folder + "/." + base + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) Fail("create temporary file", errno);
  tempPath_ = name.data();
  // mkostemp creates 0600; a saved document should get the usual umask mode.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
  buffer_.reserve(kBufferSize);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !tempPath_.empty()) unlink(tempPath_.c_str());
}

void AtomicFile::Fail(const char* step, int error) {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  throw AtomicFileError("Cannot save '" + path_ + "': " + step + " failed: " + std::strerror(error));
}

void AtomicFile::Write(const void* data, std::size_t length) {
  if (fd_ < 0) throw AtomicFileError("Cannot save '" + path_ + "': the file is closed");
  const char* bytes = static_cast<const char*>(data);
  while (length > 0) {
    std::size_t room = kBufferSize - buffer_.size();
    std::size_t take = length < room ? length : room;
    buffer_.append(bytes, take);
    bytes += take;
    length -= take;
    if (buffer_.size() == kBufferSize) Flush();
  }
}

void AtomicFile::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    std::size_t want = buffer_.size() - done;
    if (failAfter_ >= 0) {
      if (written_ >= failAfter_) Fail("write", ENOSPC);
      if (static_cast<long long>(want) > failAfter_ - written_)
        want = static_cast<std::size_t>(failAfter_ - written_);
    }
    ssize_t n = ::write(fd_, buffer_.data() + done, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write", errno);
    }
    done += static_cast<std::size_t>(n);
    written_ += n;
  }
  buffer_.clear();
}

void AtomicFile::Commit() {
  if (fd_ < 0) throw AtomicFileError("Cannot save '" + path_ + "': the file is closed");
  Flush();
  if (fsync(fd_) != 0) Fail("sync", errno);
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) Fail("close", errno);
  if (rename(tempPath_.c_str(), path_.c_str()) != 0) Fail("rename", errno);
  committed_ = true;
  // The new name is durable only once the folder itself is synced; the data is
  // already safe, so a folder that cannot be synced is not an error.
  int dir = open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  AtomicFile file(path);
  file.Write(content);
  file.Commit();
}

}  // namespace norvane
