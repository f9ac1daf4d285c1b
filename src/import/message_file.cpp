#include "import/message_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "import/text_file.h"

namespace norvane {

namespace {

// Converts the bytes block by block; a CR at the end of one block may be the
// first half of a CR LF that the next block completes.
class MessageText {
 public:
  // False once the text has ended (a NUL byte was met).
  bool Add(std::string_view bytes) {
    for (char c : bytes) {
      if (c == '\0') {
        ended_ = true;
        break;
      }
      if (c == '\n' && afterCr_) {
        afterCr_ = false;  // the CR already gave the line break
        continue;
      }
      afterCr_ = c == '\r';
      if (c == '\r' || c == '\n')
        text_ += "\r\n";
      else
        text_ += c;
    }
    if (text_.size() > kMemoCapacity) throw EMemoCapacityError();
    return !ended_;
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
  bool afterCr_ = false;
  bool ended_ = false;
};

// Closes the descriptor however reading ends.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string MessageTextFromBytes(std::string_view bytes) {
  MessageText text;
  text.Add(bytes);
  return text.Take();
}

std::string ReadMessageFile(const std::string& path) {
  const std::string cannotOpen = "Cannot open file " + path;
  // Non-blocking, so that opening a pipe nobody writes to does not hang; only
  // regular files are read.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info;
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) throw EInOutError(cannotOpen);
  MessageText text;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EInOutError(cannotOpen);
    if (got == 0 || !text.Add(std::string_view(buffer, static_cast<std::size_t>(got)))) break;
  }
  return text.Take();
}

}  // namespace norvane
