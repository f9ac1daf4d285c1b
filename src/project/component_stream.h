// The binary component stream format that project files are made of: typed
// values (small integers in the smallest width, short and long strings,
// identifiers, sets, lists, collections, binary blocks) written through a
// buffer, and read back through one bounds-checked cursor that never trusts
// a stored length beyond the bytes that are really there.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace norvane {

enum class ValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaCollection = 14,
};

inline constexpr char kStreamSignature[] = "TPF0";
inline constexpr std::size_t kShortStringMax = 255;

// A file that ends inside a record.
class StreamReadError : public std::runtime_error {
 public:
  StreamReadError() : std::runtime_error("Stream read error") {}
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(const char* data, std::size_t length) = 0;
};

class StringSink : public ByteSink {
 public:
  void Write(const char* data, std::size_t length) override { bytes.append(data, length); }
  std::string bytes;
};

class ComponentWriter {
 public:
  explicit ComponentWriter(ByteSink& sink) : sink_(sink) { buffer_.reserve(kBufferSize); }
  ~ComponentWriter() = default;
  ComponentWriter(const ComponentWriter&) = delete;
  ComponentWriter& operator=(const ComponentWriter&) = delete;

  void BeginRecord(std::string_view className, std::string_view componentName);
  // Ends the properties and the (empty) list of children.
  void EndRecord();

  void Name(std::string_view name) { ShortString(name); }
  void Integer(int32_t value);
  void Identifier(std::string_view name);
  void Boolean(bool value) { Type(value ? ValueType::vaTrue : ValueType::vaFalse); }
  // String below 256 bytes, long string from 256 on.
  void Text(std::string_view text);
  void EmptySet();
  void BeginList() { Type(ValueType::vaList); }
  void BeginCollection() { Type(ValueType::vaCollection); }
  void End() { Type(ValueType::vaNull); }
  void BinaryHeader(uint32_t length);

  // Raw pieces.
  void ShortString(std::string_view text);  // cut to 255 bytes
  void Int32(int32_t value);
  void Byte(uint8_t value);
  void Type(ValueType type) { Byte(static_cast<uint8_t>(type)); }
  void Bytes(const char* data, std::size_t length);

  void Flush();

 private:
  static constexpr std::size_t kBufferSize = 256 * 1024;
  ByteSink& sink_;
  std::string buffer_;
};

// Reads from bytes in memory or from an open file (whose size bounds every
// stored length). Every read past the end throws StreamReadError. Each read
// remembers where it began, so that an error can say where the file is damaged.
class ComponentReader {
 public:
  explicit ComponentReader(std::string_view bytes);
  ComponentReader(std::FILE* file, uint64_t size);
  ComponentReader(const ComponentReader&) = delete;
  ComponentReader& operator=(const ComponentReader&) = delete;

  uint64_t Remaining() const { return size_ - consumed_; }
  // The offset in the bytes where the last read (or the one that failed) began.
  uint64_t ReadOffset() const { return mark_; }

  uint8_t Byte();
  // The next byte without consuming it.
  uint8_t PeekByte() {
    mark_ = consumed_;
    Fill(1);
    return static_cast<uint8_t>(window_[0]);
  }
  int32_t Int32();
  // The bytes of a short string.
  std::string ShortString();
  void ReadBytes(char* out, std::size_t length);
  std::string Bytes(uint64_t length);
  void Skip(uint64_t length);

 private:
  void Fill(std::size_t wanted);
  // The reads without moving the mark.
  uint8_t TakeByte();
  void TakeBytes(char* out, std::size_t length);

  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
  uint64_t consumed_ = 0;
  uint64_t mark_ = 0;
  std::string storage_;
  std::string_view window_;  // buffered bytes not yet consumed
};

}  // namespace norvane
