#include "import/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace norvane {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr char kCtrlZ = 0x1A;

bool IsControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

TextLineReader::TextLineReader(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) Fail("Cannot open file", errno);
  buffer_.resize(kBufferSize);
}

TextLineReader TextLineReader::FromBytes(std::string bytes) {
  TextLineReader reader;
  reader.inMemory_ = true;
  reader.buffer_ = std::move(bytes);
  reader.end_ = reader.buffer_.size();
  return reader;
}

TextLineReader::~TextLineReader() {
  if (fd_ >= 0) ::close(fd_);
}

TextLineReader::TextLineReader(TextLineReader&& other) noexcept
    : path_(std::move(other.path_)),
      fd_(other.fd_),
      buffer_(std::move(other.buffer_)),
      pos_(other.pos_),
      end_(other.end_),
      atEnd_(other.atEnd_),
      skipLf_(other.skipLf_),
      inMemory_(other.inMemory_) {
  other.fd_ = -1;
}

void TextLineReader::Fail(const char* what, int error) const {
  throw EInOutError(std::string(what) + " " + path_ + ": " + std::strerror(error));
}

bool TextLineReader::Fill() {
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

bool TextLineReader::Eof() {
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

void TextLineReader::ReadLine(std::string& line) {
  line.clear();
  if (Eof()) return;
  for (;;) {
    const char* start = buffer_.data() + pos_;
    std::size_t length = end_ - pos_;
    std::size_t stop = 0;
    while (stop < length) {
      char c = start[stop];
      if (c == '\r' || c == '\n' || c == kCtrlZ) break;
      ++stop;
    }
    line.append(start, stop);
    pos_ += stop;
    if (stop < length) {
      char c = buffer_[pos_];
      if (c == kCtrlZ) {
        atEnd_ = true;
      } else {
        ++pos_;
        skipLf_ = c == '\r';
      }
      return;
    }
    if (!Fill()) return;
  }
}

std::string TextLineReader::ReadLine() {
  std::string line;
  ReadLine(line);
  return line;
}

void TextLineReader::Rewind() {
  skipLf_ = false;
  atEnd_ = false;
  pos_ = 0;
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
