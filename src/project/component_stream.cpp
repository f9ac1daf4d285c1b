#include "project/component_stream.h"

#include <algorithm>
#include <cstring>

namespace norvane {

void ComponentWriter::Bytes(const char* data, std::size_t length) {
  if (buffer_.size() + length > kBufferSize) Flush();
  if (length >= kBufferSize) {
    sink_.Write(data, length);
    return;
  }
  buffer_.append(data, length);
}

void ComponentWriter::Byte(uint8_t value) {
  if (buffer_.size() >= kBufferSize) Flush();
  buffer_.push_back(static_cast<char>(value));
}

void ComponentWriter::Flush() {
  if (buffer_.empty()) return;
  sink_.Write(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void ComponentWriter::Int32(int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  char bytes[4] = {static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                   static_cast<char>((bits >> 16) & 0xFF), static_cast<char>((bits >> 24) & 0xFF)};
  Bytes(bytes, 4);
}

void ComponentWriter::ShortString(std::string_view text) {
  std::size_t length = std::min(text.size(), kShortStringMax);
  Byte(static_cast<uint8_t>(length));
  Bytes(text.data(), length);
}

void ComponentWriter::BeginRecord(std::string_view className, std::string_view componentName) {
  Bytes(kStreamSignature, 4);
  ShortString(className);
  ShortString(componentName);
}

void ComponentWriter::EndRecord() {
  End();  // properties
  End();  // children
}

void ComponentWriter::Integer(int32_t value) {
  if (value >= -128 && value <= 127) {
    Type(ValueType::vaInt8);
    Byte(static_cast<uint8_t>(static_cast<int8_t>(value)));
  } else if (value >= -32768 && value <= 32767) {
    Type(ValueType::vaInt16);
    auto bits = static_cast<uint16_t>(static_cast<int16_t>(value));
    Byte(static_cast<uint8_t>(bits & 0xFF));
    Byte(static_cast<uint8_t>(bits >> 8));
  } else {
    Type(ValueType::vaInt32);
    Int32(value);
  }
}

void ComponentWriter::Identifier(std::string_view name) {
  Type(ValueType::vaIdent);
  ShortString(name);
}

void ComponentWriter::Text(std::string_view text) {
  if (text.size() < 256) {
    Type(ValueType::vaString);
    ShortString(text);
  } else {
    Type(ValueType::vaLString);
    Int32(static_cast<int32_t>(text.size()));
    Bytes(text.data(), text.size());
  }
}

void ComponentWriter::EmptySet() {
  Type(ValueType::vaSet);
  Byte(0);
}

void ComponentWriter::BinaryHeader(uint32_t length) {
  Type(ValueType::vaBinary);
  Int32(static_cast<int32_t>(length));
}

ComponentReader::ComponentReader(std::string_view bytes) : size_(bytes.size()), window_(bytes) {}

ComponentReader::ComponentReader(std::FILE* file, uint64_t size) : file_(file), size_(size) {}

void ComponentReader::Fill(std::size_t wanted) {
  if (window_.size() >= wanted) return;
  if (file_ == nullptr || Remaining() < wanted) throw StreamReadError();
  constexpr std::size_t kChunk = 256 * 1024;
  std::size_t capacity = std::max(wanted, kChunk);
  if (storage_.size() < capacity) {
    std::string bigger(capacity, '\0');
    if (!window_.empty()) std::memcpy(bigger.data(), window_.data(), window_.size());
    storage_ = std::move(bigger);
  } else {
    if (!window_.empty()) std::memmove(storage_.data(), window_.data(), window_.size());
  }
  std::size_t have = window_.size();
  std::size_t got = std::fread(storage_.data() + have, 1, storage_.size() - have, file_);
  window_ = std::string_view(storage_.data(), have + got);
  // The file shrank under us, or a read error: the bytes are not there.
  if (window_.size() < wanted) throw StreamReadError();
}

uint8_t ComponentReader::TakeByte() {
  Fill(1);
  auto value = static_cast<uint8_t>(window_[0]);
  window_.remove_prefix(1);
  ++consumed_;
  return value;
}

uint8_t ComponentReader::Byte() {
  mark_ = consumed_;
  return TakeByte();
}

void ComponentReader::ReadBytes(char* out, std::size_t length) {
  mark_ = consumed_;
  TakeBytes(out, length);
}

void ComponentReader::TakeBytes(char* out, std::size_t length) {
  if (length == 0) return;
  if (length > Remaining()) throw StreamReadError();
  while (length > 0) {
    Fill(1);
    std::size_t take = std::min(length, window_.size());
    std::memcpy(out, window_.data(), take);
    window_.remove_prefix(take);
    consumed_ += take;
    out += take;
    length -= take;
  }
}

int32_t ComponentReader::Int32() {
  unsigned char bytes[4];
  ReadBytes(reinterpret_cast<char*>(bytes), 4);  // sets the mark
  uint32_t bits =
      uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
  return static_cast<int32_t>(bits);
}

std::string ComponentReader::ShortString() {
  mark_ = consumed_;
  std::size_t length = TakeByte();
  if (window_.size() >= length) {
    std::string text(window_.data(), length);
    window_.remove_prefix(length);
    consumed_ += length;
    return text;
  }
  std::string text(length, '\0');
  TakeBytes(text.data(), length);
  return text;
}

std::string ComponentReader::Bytes(uint64_t length) {
  mark_ = consumed_;
  // Checked before allocating: a stored length is only a claim.
  if (length > Remaining()) throw StreamReadError();
  std::string text(static_cast<std::size_t>(length), '\0');
  TakeBytes(text.data(), text.size());
  return text;
}

void ComponentReader::Skip(uint64_t length) {
  mark_ = consumed_;
  if (length > Remaining()) throw StreamReadError();
  while (length > 0) {
    Fill(1);
    std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(length, window_.size()));
    window_.remove_prefix(take);
    consumed_ += take;
    length -= take;
  }
}

}  // namespace norvane
