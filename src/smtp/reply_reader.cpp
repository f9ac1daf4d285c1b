#include "smtp/reply_reader.h"

#include <cstring>

namespace norvane {
namespace {

constexpr int kCodeLimit = 65535;

// Position of the first CR LF in [data, data + size), or size.
std::size_t FindCrLf(const char* data, std::size_t size) {
  for (std::size_t i = 0; i + 1 < size; ++i) {
    const void* cr = std::memchr(data + i, '\r', size - 1 - i);
    if (!cr) break;
    i = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
    if (data[i + 1] == '\n') return i;
  }
  return size;
}

}  // namespace

int SmtpStatusCode(std::string_view line, bool& continuation) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
    negative = line[i] == '-';
    ++i;
  }
  int value = 0;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
    value = value * 10 + (line[i] - '0');
    if (value > kCodeLimit) value = kCodeLimit;
    ++i;
  }
  continuation = i < line.size() && line[i] == '-';
  return negative ? -value : value;
}

bool ReplyLimit::Add(std::size_t lineBytes, bool final) {
  ++lines_;
  bytes_ += lineBytes;
  const bool overflow = lines_ > kMaxLines || bytes_ > kMaxBytes;
  if (final || overflow) Reset();
  return overflow;
}

void ReplyBuffer::Clear() {
  count_ = 0;
  skipping_ = false;
}

void ReplyBuffer::Discard(std::size_t n) {
  std::memmove(data_, data_ + n, count_ - n);
  count_ -= n;
}

bool ReplyBuffer::TakeLine(std::string& line, bool& overlong) {
  std::size_t end = FindCrLf(data_, count_);
  if (skipping_) {
    if (end == count_) {
      DropAllButTrailingCr();
      return false;
    }
    skipping_ = false;
    Discard(end + 2);
    end = FindCrLf(data_, count_);
  }
  if (end < count_) {
    line.assign(data_, end);
    overlong = false;
    Discard(end + 2);
    return true;
  }
  if (count_ < kSize) return false;
  // Full without a line end: report the line at once and drop its bytes up
  // to its CR LF as they come.
  skipping_ = true;
  DropAllButTrailingCr();
  line.clear();
  overlong = true;
  return true;
}

// A trailing CR is kept: its LF may come with the next read.
void ReplyBuffer::DropAllButTrailingCr() {
  const std::size_t keep = count_ > 0 && data_[count_ - 1] == '\r' ? 1 : 0;
  Discard(count_ - keep);
}

}  // namespace norvane
