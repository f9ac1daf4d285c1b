// The sandbox's DNS server reads datagrams from anyone on loopback: a query is
// parsed and, when accepted, answered; the answer must stay within a UDP DNS
// message and echo the question unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sandbox/dns_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view datagram(reinterpret_cast<const char*>(data), size);
  std::optional<norvane::DnsQuestion> question = norvane::ParseDnsQuery(datagram);
  if (!question) return 0;
  std::string answer = norvane::BuildDnsAnswer(*question, {127, 0, 0, 1});
  if (answer.size() > 512) __builtin_trap();
  if (answer.compare(12, question->encodedName.size() + 4,
                     datagram.substr(12, question->encodedName.size() + 4)) != 0)
    __builtin_trap();
  std::optional<norvane::DnsQuestion> again = norvane::ParseDnsQuery(datagram);
  if (!again || again->name != question->name) __builtin_trap();
  return 0;
}
