// Feeds arbitrary datagrams to the MX reply parser, to the check that a reply answers
// our query, and arbitrary names to ReadName, checking the tables stay within their
// bounds, every kept name within its limits, no read leaves the datagram, and the
// null MX test and the preference order hold for whatever was parsed, and the time to
// live a run keeps an answer for is never one a resolver must treat as zero.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "engine/dns_message.h"

using namespace norvane::dns;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  MxReply reply;
  if (ParseMxReply(bytes, reply)) {
    if (reply.mxCount < 0 || reply.mxCount > kTableSize) abort();
    if (reply.minTtl > 0x7FFFFFFFu || reply.rcode > 15) abort();
    if (reply.answerCount == 0 && reply.minTtl != 0) abort();
    for (int i = 0; i < kTableSize; ++i) {
      int slot = reply.answerSlot[i];
      if (slot < -1 || slot >= reply.mxCount) abort();
      if (slot >= 0 && reply.answerType[i] != kTypeMx) abort();
    }
    for (int j = 0; j < reply.mxCount; ++j) {
      if (reply.exchanges[j].size() > 254) abort();
    }
    // A null MX has no exchange to try; the preference order keeps every host.
    if (IsNullMx(reply) && (reply.mxCount == 0 || !reply.exchanges[0].empty())) abort();
    std::vector<MxHost> hosts;
    for (int j = 0; j < reply.mxCount; ++j) hosts.push_back({reply.exchanges[j], reply.preferences[j]});
    std::mt19937 random(static_cast<unsigned>(size));
    SortByPreference(hosts, random);
    if (hosts.size() != static_cast<std::size_t>(reply.mxCount)) abort();
    for (std::size_t j = 1; j < hosts.size(); ++j) {
      if (hosts[j - 1].preference > hosts[j].preference) abort();
    }
  }
  // The query takes its id from the datagram, so the fuzzer reaches the question check.
  if (size >= 2) {
    std::array<uint8_t, kMaxDatagram> query{};
    WriteQueryHeader(std::span<uint8_t, kHeaderSize>(query.data(), kHeaderSize),
                     static_cast<uint16_t>(data[0] << 8 | data[1]));
    std::size_t length =
        kHeaderSize + WriteMxQuestion(std::span(query).subspan(kHeaderSize), "Mx.Example.com");
    if (ReplyMatchesQuery(bytes, std::span<const uint8_t>(query.data(), length)) && size < length) abort();
  }
  // A name may start anywhere in a reply; the first byte picks where.
  if (size > 0) {
    DnsCursor cursor(bytes, data[0] % size);
    std::string name;
    if (ReadName(cursor, name) && (name.size() > 254 || cursor.pos() > size)) abort();
  }
  return 0;
}
