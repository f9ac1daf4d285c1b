// The sandbox's DNS server over bytes, without sockets: parses a query datagram
// and builds the answer.
//
// Answers: MX (any name) with one exchanger, "mx." followed by the asked name
// (the name "mx.sandbox.test" when that would exceed 255 octets), preference
// 10; A (any name) with the configured IPv4 address; every other type, and
// every class but IN, an empty NOERROR answer. TTLs are 0 so nothing caches a
// sandbox answer. The question is echoed byte for byte (case included), and
// answers point back at it with name compression.
//
// Ignored (no answer at all): datagrams shorter than a header, responses
// (QR set), operation codes other than a standard query, a question count
// other than 1, and malformed question names. Sections after the question
// (an EDNS record, say) are not read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

struct DnsQuestion {
  uint16_t id = 0;
  uint16_t flags = 0;
  std::string encodedName;  // the question name as it stood in the query: labels and the final 0
  std::string name;         // dotted, without a trailing dot; empty for the root
  uint16_t type = 0;
  uint16_t qclass = 0;
};

constexpr uint16_t kDnsTypeA = 1;
constexpr uint16_t kDnsTypeMx = 15;
constexpr uint16_t kDnsTypeAaaa = 28;
constexpr uint16_t kDnsClassIn = 1;

std::optional<DnsQuestion> ParseDnsQuery(std::string_view datagram);
std::string BuildDnsAnswer(const DnsQuestion& question, const std::array<uint8_t, 4>& address);

}  // namespace norvane
