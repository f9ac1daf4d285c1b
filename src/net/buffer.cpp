#include "net/buffer.h"

#include <algorithm>
#include <cstring>

namespace norvane {

_TBuffer::_TBuffer(int32_t size) {
  Resize(size);
}

void _TBuffer::Resize(int32_t size) {
  if (size <= 0) size = kDefaultSize;
  if (size == capacity_) return;
  auto data = std::make_unique<uint8_t[]>(static_cast<size_t>(size));
  if (writePos_ > size) writePos_ = size;
  if (readPos_ > writePos_) readPos_ = writePos_;
  if (writePos_ != readPos_) std::memcpy(data.get(), data_.get(), static_cast<size_t>(writePos_));
  if (writePos_ == readPos_) writePos_ = readPos_ = 0;
  data_ = std::move(data);
  capacity_ = size;
}

int32_t _TBuffer::Write(const void* bytes, int32_t length) {
  if (length <= 0 || bytes == nullptr) return 0;
  int32_t count = std::min(length, capacity_ - writePos_);
  if (count <= 0) return 0;
  std::memcpy(data_.get() + writePos_, bytes, static_cast<size_t>(count));
  writePos_ += count;
  return count;
}

const uint8_t* _TBuffer::Peek(int32_t& count) const {
  count = writePos_ - readPos_;
  if (count <= 0) {
    count = 0;
    return nullptr;
  }
  return data_.get() + readPos_;
}

int32_t _TBuffer::Remove(int32_t n) {
  int32_t unread = writePos_ - readPos_;
  if (unread <= 0 || n <= 0) return 0;
  int32_t count = std::min(n, unread);
  readPos_ += count;
  if (readPos_ == writePos_) readPos_ = writePos_ = 0;
  return count;
}

}  // namespace norvane
