// One fixed-size block of bytes waiting to be sent. The socket's send queue is a list of these:
// filled once from the front, drained from the front, and reused from the front once drained.
#pragma once

#include <cstdint>
#include <memory>

namespace norvane {

class _TBuffer {
 public:
  static constexpr int32_t kDefaultSize = 1514;

  explicit _TBuffer(int32_t size = kDefaultSize);
  _TBuffer(const _TBuffer&) = delete;
  _TBuffer& operator=(const _TBuffer&) = delete;

  // A size of 0 or less means kDefaultSize. Bytes held are kept when they fit; a shrink below
  // WritePos keeps what fits and clamps the counters, so the block stays consistent.
  void Resize(int32_t size);
  // Copies as much as fits after WritePos; returns the count taken (0 when full or length <= 0).
  int32_t Write(const void* bytes, int32_t length);
  // The unread bytes: a pointer to the byte at ReadPos and their count, or nullptr and 0.
  const uint8_t* Peek(int32_t& count) const;
  // Marks up to n unread bytes as taken; rewinds both counters to 0 once everything is taken.
  int32_t Remove(int32_t n);

  int32_t Capacity() const { return capacity_; }
  int32_t WritePos() const { return writePos_; }
  int32_t ReadPos() const { return readPos_; }
  int32_t Unread() const { return writePos_ - readPos_; }

 private:
  std::unique_ptr<uint8_t[]> data_;
  int32_t capacity_ = 0;
  int32_t writePos_ = 0;
  int32_t readPos_ = 0;
};

}  // namespace norvane
