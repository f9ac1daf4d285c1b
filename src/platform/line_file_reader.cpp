#include "platform/line_file_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/atomic_file.h"
#include "platform/path_names.h"

namespace norvane {

LineFileReader::LineFileReader(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0 && errno != ENOENT)
    throw AppendFileError("Cannot open file " + BaseNameOf(path) + ": " + SystemReason(errno));
}

LineFileReader::~LineFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineFileReader::Fill() {
  if (eof_ || fd_ < 0) return false;
  // Keep the unread part; the buffer grows only for a line longer than it.
  if (begin_ > 0) {
    buffer_.erase(0, begin_);
    bufferStart_ += begin_;
    begin_ = 0;
  }
  constexpr std::size_t kPiece = 64 * 1024;
  const std::size_t old = buffer_.size();
  buffer_.resize(old + kPiece);
  for (;;) {
    ssize_t n = ::pread(fd_, buffer_.data() + old, kPiece, static_cast<off_t>(bufferStart_ + old));
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      buffer_.resize(old);
      throw AppendFileError("Cannot read file " + BaseNameOf(path_) + ": " + SystemReason(error));
    }
    buffer_.resize(old + static_cast<std::size_t>(n));
    if (n == 0) eof_ = true;
    return n > 0;
  }
}

bool LineFileReader::Next(std::string_view& line, uint64_t& offset, bool& complete) {
  std::size_t from = begin_;  // where the search for the LF goes on
  for (;;) {
    const std::size_t lf = buffer_.find('\n', from);
    if (lf != std::string::npos) {
      offset = bufferStart_ + begin_;
      line = std::string_view(buffer_).substr(begin_, lf - begin_);
      begin_ = lf + 1;
      complete = true;
      return true;
    }
    const std::size_t searched = buffer_.size() - begin_;  // Fill may move the unread bytes
    if (!Fill()) break;
    from = begin_ + searched;
  }
  if (begin_ >= buffer_.size()) return false;
  offset = bufferStart_ + begin_;
  line = std::string_view(buffer_).substr(begin_);
  begin_ = buffer_.size();
  complete = false;
  return true;
}

void LineFileReader::Seek(uint64_t offset) {
  buffer_.clear();
  begin_ = 0;
  bufferStart_ = offset;
  eof_ = false;
}

std::string LineFileReader::ReadAt(uint64_t offset, std::size_t length) {
  std::string out(length, '\0');
  std::size_t got = 0;
  while (fd_ >= 0 && got < length) {
    ssize_t n = ::pread(fd_, out.data() + got, length - got, static_cast<off_t>(offset + got));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw AppendFileError("Cannot read file " + BaseNameOf(path_) + ": " + SystemReason(errno));
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  return out;
}

}  // namespace norvane
