#include "smtp/attachment_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "smtp/base64.h"
#include "smtp/smtp_exception.h"

namespace norvane {
namespace {

// A whole number of lines, so a refill never splits a 3-byte group in the common case.
constexpr std::size_t kBufferSize = AttachmentReader::kBytesPerLine * 1456;  // 65,520 bytes

}  // namespace

AttachmentReader::AttachmentReader() = default;

AttachmentReader::~AttachmentReader() {
  Close();
}

void AttachmentReader::Open(const std::string& path) {
  Close();
  // "e": close-on-exec, so a child process never inherits an open attachment.
  file_ = std::fopen(path.c_str(), "rbe");
  if (!file_) throw SmtpException("Cannot open attachment '" + path + "': " + std::strerror(errno));
  // Our own buffer does the batching; a second stdio buffer would only copy.
  (void)std::setvbuf(file_, nullptr, _IONBF, 0);
  path_ = path;
  buffer_.resize(kBufferSize);
  begin_ = end_ = 0;
  eof_ = false;
}

void AttachmentReader::Close() {
  if (file_) (void)std::fclose(file_);  // read-only: nothing to lose on close
  file_ = nullptr;
}

void AttachmentReader::Fill() {
  if (eof_ || end_ - begin_ >= kBytesPerLine) return;
  std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  while (!eof_ && end_ < buffer_.size()) {
    const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    end_ += got;
    if (got == 0 || end_ < buffer_.size()) {
      if (std::ferror(file_)) throw SmtpException("Cannot read attachment '" + path_ + "'");
      eof_ = true;
    }
  }
}

bool AttachmentReader::EncodeLine(std::string& line) {
  if (!file_) throw SmtpException("Attachment is not open");
  line.clear();
  Fill();
  const std::size_t take = std::min(kBytesPerLine, end_ - begin_);
  AppendBase64(buffer_.data() + begin_, take, line);
  begin_ += take;
  Fill();
  return begin_ < end_;
}

}  // namespace norvane
