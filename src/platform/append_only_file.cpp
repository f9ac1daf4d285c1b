#include "platform/append_only_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/line_file_reader.h"
#include "platform/path_names.h"

namespace norvane {
namespace {

long long g_failAfter = -1;

int OpenForAppend(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
}

bool WriteAll(int fd, const char* data, std::size_t length, long long* budget, int* error) {
  while (length > 0) {
    std::size_t want = length;
    if (*budget >= 0) {
      if (*budget == 0) {
        *error = ENOSPC;
        return false;
      }
      if (static_cast<long long>(want) > *budget) want = static_cast<std::size_t>(*budget);
    }
    ssize_t n = ::write(fd, data, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
    if (*budget >= 0) *budget -= n;
  }
  return true;
}

}  // namespace

void AppendOnlyFile::FailAfterBytesForTesting(long long bytes) {
  g_failAfter = bytes;
}

AppendOnlyFile::AppendOnlyFile(std::string path) : path_(std::move(path)), failAfter_(g_failAfter) {
  fd_ = OpenForAppend(path_);
  if (fd_ < 0) Fail("create", errno);
  struct stat st {};
  if (fstat(fd_, &st) == 0) size_ = static_cast<uint64_t>(st.st_size);
}

AppendOnlyFile::~AppendOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

void AppendOnlyFile::Fail(const char* step, int error) const {
  std::string name =
      path_.substr(path_.find_last_of('/') == std::string::npos ? 0 : path_.find_last_of('/') + 1);
  throw AppendFileError(std::string("Cannot ") + step + " file " + name + ": " + SystemReason(error));
}

bool AppendOnlyFile::TryLock() {
  if (locked_) return true;
  // Another run may replace the file between our open and our lock; the lock
  // counts only when it is on the file that the name still points to.
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) return false;
      Fail("lock", errno);
    }
    struct stat held {
    }, named{};
    if (fstat(fd_, &held) == 0 && stat(path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      locked_ = true;
      size_ = static_cast<uint64_t>(held.st_size);
      return true;
    }
    ::close(fd_);
    fd_ = OpenForAppend(path_);
    if (fd_ < 0) Fail("create", errno);
  }
  return false;
}

void AppendOnlyFile::Append(std::string_view record) {
  int error = 0;
  if (!WriteAll(fd_, record.data(), record.size(), &failAfter_, &error)) {
    // A partial record is cut off again so the next one starts on a line of its own.
    struct stat st {};
    if (fstat(fd_, &st) == 0 && static_cast<uint64_t>(st.st_size) > size_) {
      int cut = ftruncate(fd_, static_cast<off_t>(size_));
      (void)cut;  // the write's own error is the one worth reporting
    }
    Fail("write to", error);
  }
  size_ += record.size();
}

void AppendOnlyFile::DataSync() {
  if (fdatasync(fd_) != 0) Fail("sync", errno);
}

void AppendOnlyFile::Replace(std::string_view content) {
  Replace([content](const PieceWriter& write) { write(content); });
}

void AppendOnlyFile::Replace(const std::function<void(const PieceWriter& write)>& produce) {
  std::string pattern = path_ + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC | O_APPEND);
  if (fd < 0) Fail("create", errno);
  std::string temp = name.data();
  bool pending = true;  // the temporary file still exists
  auto discard = [&] {
    if (!pending) return;
    pending = false;
    ::close(fd);
    unlink(temp.c_str());
  };
  auto fail = [&](const char* step, int error) {
    discard();
    Fail(step, error);
  };
  struct stat st {};
  if (fstat(fd_, &st) == 0) fchmod(fd, st.st_mode & 07777);
  // The new file is locked before its name appears, so no other run can take it in between.
  if (locked_ && flock(fd, LOCK_EX | LOCK_NB) != 0) fail("lock", errno);
  long long budget = failAfter_;
  uint64_t written = 0;
  try {
    produce([&](std::string_view piece) {
      int error = 0;
      if (!WriteAll(fd, piece.data(), piece.size(), &budget, &error)) fail("write to", error);
      written += piece.size();
    });
  } catch (...) {
    discard();
    throw;
  }
  if (fsync(fd) != 0) fail("sync", errno);
  if (rename(temp.c_str(), path_.c_str()) != 0) fail("replace", errno);
  int dir = ::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  ::close(fd_);
  fd_ = fd;
  failAfter_ = budget;
  size_ = written;
}

std::string ReadWholeFile(const std::string& path, bool* exists) {
  if (exists) *exists = false;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    std::string name =
        path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    throw AppendFileError("Cannot open file " + name + ": " + SystemReason(errno));
  }
  if (exists) *exists = true;
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      throw AppendFileError("Cannot read file " + path + ": " + SystemReason(error));
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

std::string ReadFileStart(const std::string& path, std::size_t length, bool* exists) {
  LineFileReader reader(path);
  if (exists) *exists = reader.exists();
  return reader.exists() ? reader.ReadAt(0, length) : std::string();
}

}  // namespace norvane
