// Crafts DNS datagrams byte by byte for the parser tests, including malformed ones
// no real server sends.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace norvane::test {

class DnsPacket {
 public:
  DnsPacket& U8(uint8_t v) {
    bytes_.push_back(v);
    return *this;
  }
  DnsPacket& U16(uint16_t v) { return U8(static_cast<uint8_t>(v >> 8)).U8(static_cast<uint8_t>(v)); }
  DnsPacket& U32(uint32_t v) { return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v)); }
  DnsPacket& Bytes(std::initializer_list<uint8_t> list) {
    bytes_.insert(bytes_.end(), list);
    return *this;
  }
  // Uncompressed labels; with `terminate` false the caller appends a pointer.
  DnsPacket& Labels(std::string_view dotted, bool terminate = true) {
    while (!dotted.empty()) {
      auto dot = dotted.find('.');
      auto label = dotted.substr(0, dot);
      U8(static_cast<uint8_t>(label.size()));
      bytes_.insert(bytes_.end(), label.begin(), label.end());
      dotted = dot == std::string_view::npos ? std::string_view() : dotted.substr(dot + 1);
    }
    return terminate ? U8(0) : *this;
  }
  DnsPacket& Pointer(uint16_t offset) { return U16(static_cast<uint16_t>(0xC000 | offset)); }
  // Replaces the id written by Header.
  DnsPacket& Id(uint16_t id) {
    bytes_.at(0) = static_cast<uint8_t>(id >> 8);
    bytes_.at(1) = static_cast<uint8_t>(id);
    return *this;
  }

  // A response header (QR set, RD and RA set) with the given rcode and counts.
  DnsPacket& Header(uint16_t questions, uint16_t answers, uint16_t flags = 0x8180) {
    return U16(0x0001).U16(flags).U16(questions).U16(answers).U16(0).U16(0);
  }
  DnsPacket& Question(std::string_view domain) { return Labels(domain).U16(15).U16(1); }
  // A record whose owner is a pointer to the question name at offset 12.
  DnsPacket& RecordHead(uint16_t type, uint16_t dataLength) {
    return Pointer(12).U16(type).U16(1).U32(0).U16(dataLength);
  }
  DnsPacket& Mx(std::string_view exchange, uint16_t preference = 10) {
    RecordHead(15, static_cast<uint16_t>(2 + exchange.size() + 2)).U16(preference);
    return Labels(exchange);
  }
  DnsPacket& Cname(std::string_view target) {
    RecordHead(5, static_cast<uint16_t>(target.size() + 2));
    return Labels(target);
  }

  std::size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  uint8_t& operator[](std::size_t i) { return bytes_[i]; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace norvane::test
