#include "import/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace norvane {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
static_assert(kBufferSize >= kTextCheckBytes, "the first block is checked in the buffer");
constexpr char kCtrlZ = 0x1A;

bool IsControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// Control characters that text files do not hold; a block with many of them is binary.
bool IsBinaryControl(unsigned char c) {
  if (c == 0x7F) return true;
  if (c >= 0x20) return false;
  return c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r' && c != kCtrlZ && c != 0x1B;
}

// The whole block, also past a Ctrl-Z: binary formats hold one near their start.
bool LooksLikeText(std::string_view block) {
  std::size_t controls = 0;
  for (char c : block) {
    if (c == '\0') return false;
    controls += IsBinaryControl(static_cast<unsigned char>(c));
  }
  return controls * 10 <= block.size();
}

}  // namespace

TextRecordReader::TextRecordReader(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) Fail("Cannot open file", errno);
  buffer_.resize(kBufferSize);
  // The first block is read whole (a read may return less), then checked.
  while (end_ < kTextCheckBytes) {
    ssize_t got = ::read(fd_, buffer_.data() + end_, kTextCheckBytes - end_);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int error = errno;
      ::close(fd_);
      fd_ = -1;
      Fail("Cannot read file", error);
    }
    if (got == 0) break;
    end_ += static_cast<std::size_t>(got);
  }
  if (end_ == 0) atEnd_ = true;
  try {
    CheckFirstBlock();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
}

TextRecordReader TextRecordReader::FromBytes(std::string bytes, std::string name) {
  TextRecordReader reader;
  reader.path_ = std::move(name);
  reader.inMemory_ = true;
  reader.buffer_ = std::move(bytes);
  reader.end_ = reader.buffer_.size();
  reader.CheckFirstBlock();
  return reader;
}

TextRecordReader::~TextRecordReader() {
  if (fd_ >= 0) ::close(fd_);
}

TextRecordReader::TextRecordReader(TextRecordReader&& other) noexcept
    : path_(std::move(other.path_)),
      fd_(other.fd_),
      buffer_(std::move(other.buffer_)),
      pos_(other.pos_),
      end_(other.end_),
      atEnd_(other.atEnd_),
      skipLf_(other.skipLf_),
      inMemory_(other.inMemory_),
      line_(other.line_),
      recordLine_(other.recordLine_) {
  other.fd_ = -1;
}

void TextRecordReader::CheckFirstBlock() {
  std::string_view block(buffer_.data(), std::min(end_, kTextCheckBytes));
  if (!LooksLikeText(block)) throw ETextFileError(path_ + " is not a text file");
}

void TextRecordReader::Fail(const char* what, int error) const {
  throw EInOutError(std::string(what) + " " + path_ + ": " + std::strerror(error));
}

void TextRecordReader::FailRecord(const std::string& what) const {
  throw ETextFileError("Line " + std::to_string(recordLine_) + " of " + path_ + what);
}

bool TextRecordReader::Fill() {
  if (atEnd_) return false;
  if (pos_ < end_) return true;
  if (inMemory_) {
    atEnd_ = true;
    return false;
  }
  for (;;) {
    ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Fail("Cannot read file", errno);
    pos_ = 0;
    end_ = static_cast<std::size_t>(got);
    if (got == 0) atEnd_ = true;
    return got > 0;
  }
}

bool TextRecordReader::Eof() {
  if (!Fill()) return true;
  if (skipLf_) {
    skipLf_ = false;
    if (buffer_[pos_] == '\n') {
      ++pos_;
      if (!Fill()) return true;
    }
  }
  if (buffer_[pos_] == kCtrlZ) {
    atEnd_ = true;
    return true;
  }
  return false;
}

void TextRecordReader::ReadRecord(std::string& record) {
  record.clear();
  if (Eof()) return;
  recordLine_ = line_;
  bool inQuotes = false;
  for (;;) {
    if (!Fill()) break;
    if (skipLf_) {
      // A quoted CR's LF, possibly at the start of the next buffer: part of the same blank.
      skipLf_ = false;
      if (buffer_[pos_] == '\n' && ++pos_ == end_) continue;
    }
    const char* start = buffer_.data() + pos_;
    std::size_t length = end_ - pos_;
    std::size_t stop = 0;
    while (stop < length) {
      char c = start[stop];
      if (c == '\r' || c == '\n' || c == kCtrlZ) break;
      if (c == '"') inQuotes = !inQuotes;
      ++stop;
    }
    if (record.size() + stop > kMaxRecordBytes) FailRecord(" is longer than 1 MB (1048576 bytes)");
    record.append(start, stop);
    pos_ += stop;
    if (stop == length) continue;
    char c = buffer_[pos_];
    if (c == kCtrlZ) {
      atEnd_ = true;
      break;
    }
    ++pos_;
    ++line_;
    skipLf_ = c == '\r';
    if (!inQuotes) return;
    if (record.size() + 1 > kMaxRecordBytes) FailRecord(" is longer than 1 MB (1048576 bytes)");
    record += ' ';
  }
  if (inQuotes) FailRecord(": a quoted field is not closed before the end of the file");
}

std::string TextRecordReader::ReadRecord() {
  std::string record;
  ReadRecord(record);
  return record;
}

void TextRecordReader::Rewind() {
  skipLf_ = false;
  atEnd_ = false;
  pos_ = 0;
  line_ = recordLine_ = 1;
  if (inMemory_) {
    end_ = buffer_.size();
    return;
  }
  end_ = 0;
  if (::lseek(fd_, 0, SEEK_SET) < 0) Fail("Cannot read file", errno);
}

std::string_view TrimControl(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsControl(text[begin])) ++begin;
  std::size_t end = text.size();
  while (end > begin && IsControl(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string_view TrimControlRight(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsControl(text[end - 1])) --end;
  return text.substr(0, end);
}

void SplitLine(std::string_view line, std::vector<std::string>& fields) {
  fields.clear();
  std::size_t pos = 0;
  std::string field;
  for (;;) {
    bool inQuotes = false;
    std::size_t comma = pos;
    while (comma < line.size() && (line[comma] != ',' || inQuotes)) {
      if (line[comma] == '"') inQuotes = !inQuotes;
      ++comma;
    }
    bool ended = comma >= line.size();
    field.clear();
    for (std::size_t i = pos; i < comma; ++i)
      if (line[i] != '"') field += line[i];
    fields.emplace_back(TrimControl(field));
    if (ended) break;
    pos = comma + 1;
    if (pos >= line.size()) break;
  }
}

std::vector<std::string> SplitLine(std::string_view line) {
  std::vector<std::string> fields;
  SplitLine(line, fields);
  return fields;
}

}  // namespace norvane
