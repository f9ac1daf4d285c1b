#include "platform/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/path_names.h"

namespace norvane {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// As the kernel's own limit for one path lookup: more links than this is a loop.
constexpr int kMaxLinks = 40;
long long g_failAfter = -1;

}  // namespace

AtomicFileError::AtomicFileError(const std::string& path, std::string step, std::string reason)
    : std::runtime_error("Cannot save '" + path + "': " + step + " failed: " + reason),
      step_(std::move(step)),
      reason_(std::move(reason)) {}

std::string SystemReason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

void AtomicFile::FailAfterBytesForTesting(long long bytes) {
  g_failAfter = bytes;
}

AtomicFile::AtomicFile(std::string path, FileAccess access)
    : path_(std::move(path)), failAfter_(g_failAfter) {
  // Follow the links by hand rather than with realpath(): a link may name a
  // file that does not exist yet, which the save then creates.
  targetPath_ = path_;
  for (int hops = 0;; ++hops) {
    struct stat info {};
    if (lstat(targetPath_.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    if (hops == kMaxLinks) Fail("resolve symbolic link", ELOOP);
    std::vector<char> link(PATH_MAX + 1);
    ssize_t length = readlink(targetPath_.c_str(), link.data(), link.size());
    if (length < 0) Fail("resolve symbolic link", errno);
    if (static_cast<std::size_t>(length) >= link.size()) Fail("resolve symbolic link", ENAMETOOLONG);
    std::string next(link.data(), static_cast<std::size_t>(length));
    targetPath_ = next.front() == '/' ? next : FolderOf(targetPath_) + "/" + next;
  }
  struct stat existing {};
  const bool replacing = stat(targetPath_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);

  // A hidden name in the target's folder keeps the rename on one file system.
  std::string pattern = FolderOf(targetPath_) + "/." + BaseNameOf(targetPath_) + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) Fail(kCreateStep, errno);
  tempPath_ = name.data();

  mode_t mode;
  if (access == FileAccess::kOwnerOnly) {
    // mkostemp's 0600 stays: no other user may read a key, even for a moment.
    mode = 0600;
  } else if (replacing) {
    // Owner first: a change of owner clears the set-user-ID and set-group-ID
    // bits, which the mode then restores. Only root may give a file away; a
    // user keeps at least the group where it is one of theirs, else the
    // defaults the folder gives, without an error.
    if (fchown(fd_, existing.st_uid, existing.st_gid) != 0)
      (void)!fchown(fd_, static_cast<uid_t>(-1), existing.st_gid);
    mode = existing.st_mode & 07777;
  } else {
    // mkostemp creates 0600; a new document gets the usual mode.
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  if (fchmod(fd_, mode) != 0) Fail("set file mode", errno);
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
  throw AtomicFileError(path_, step, SystemReason(error));
}

void AtomicFile::Write(const void* data, std::size_t length) {
  if (fd_ < 0) Fail("write", EBADF);
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
  if (fd_ < 0) Fail("write", EBADF);
  Flush();
  if (fsync(fd_) != 0) Fail("sync", errno);
  int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) Fail("close", errno);
  if (rename(tempPath_.c_str(), targetPath_.c_str()) != 0) Fail("rename", errno);
  committed_ = true;
  tempPath_.clear();
  // The new name is durable only once the folder itself is synced; the data is
  // already safe, so a folder that cannot be synced is not an error.
  int dir = open(FolderOf(targetPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

void WriteFileAtomically(const std::string& path, std::string_view content, FileAccess access) {
  AtomicFile file(path, access);
  file.Write(content);
  file.Commit();
}

}  // namespace norvane
