#include "engine/dns_message.h"

#include <algorithm>
#include <random>
#include <vector>

namespace norvane::dns {

namespace {

constexpr std::size_t kMaxLabel = 63;        // RFC 1035 2.3.4
constexpr std::size_t kMaxNameOctets = 255;  // RFC 1035 2.3.4, length bytes and final zero included
constexpr int kMaxPointerHops = 128;

void PutU16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value >> 8);
  p[1] = static_cast<uint8_t>(value & 0xFF);
}

// Control bytes in a host name are never legitimate; a NUL would also cut the name
// short the moment it reaches a C interface and so name a different host.
bool IsUsableHostName(const std::string& name) {
  for (unsigned char ch : name) {
    if (ch < 0x20 || ch == 0x7F) return false;
  }
  return true;
}

}  // namespace

void WriteQueryHeader(std::span<uint8_t, kHeaderSize> out, uint16_t id) {
  PutU16(&out[0], id);
  PutU16(&out[2], 0x0100);
  PutU16(&out[4], 1);
  PutU16(&out[6], 0);
  PutU16(&out[8], 0);
  PutU16(&out[10], 0);
}

std::size_t WriteMxQuestion(std::span<uint8_t> out, std::string_view domain) {
  // The domain comes from a recipient address typed or imported by the user. A label
  // over 63 octets would be sent as a compression pointer or a wrapped length byte,
  // and an empty one would end the name early: either way the server would be asked
  // about some other name, so such a domain is refused rather than encoded.
  if (!domain.empty() && domain.back() == '.') domain.remove_suffix(1);
  std::vector<uint8_t> name;
  name.reserve(domain.size() + 2);
  while (!domain.empty()) {
    std::size_t dot = domain.find('.');
    std::string_view label = domain.substr(0, dot);
    if (label.empty()) throw DnsQueryError("Invalid domain name for a DNS query: empty label");
    if (label.size() > kMaxLabel) {
      throw DnsQueryError("Invalid domain name for a DNS query: label longer than 63 characters");
    }
    name.push_back(static_cast<uint8_t>(label.size()));
    name.insert(name.end(), label.begin(), label.end());
    if (name.size() + 1 > kMaxNameOctets) {
      throw DnsQueryError("Invalid domain name for a DNS query: longer than 255 octets");
    }
    domain = dot == std::string_view::npos ? std::string_view() : domain.substr(dot + 1);
    if (dot != std::string_view::npos && domain.empty()) {
      throw DnsQueryError("Invalid domain name for a DNS query: empty label");
    }
  }
  name.push_back(0);
  std::size_t length = name.size() + 4;
  if (length > out.size()) throw DnsQueryError("Invalid domain name for a DNS query: question too long");
  std::copy(name.begin(), name.end(), out.begin());
  PutU16(&out[name.size()], kTypeMx);
  PutU16(&out[name.size() + 2], kClassIn);
  return length;
}

bool DnsCursor::ReadU8(uint8_t& value) {
  if (remaining() < 1) return false;
  value = data_[pos_++];
  return true;
}

bool DnsCursor::ReadU16(uint16_t& value) {
  if (remaining() < 2) return false;
  value = static_cast<uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
  pos_ += 2;
  return true;
}

bool DnsCursor::ReadU32(uint32_t& value) {
  if (remaining() < 4) return false;
  value = uint32_t{data_[pos_]} << 24 | uint32_t{data_[pos_ + 1]} << 16 | uint32_t{data_[pos_ + 2]} << 8 |
          uint32_t{data_[pos_ + 3]};
  pos_ += 4;
  return true;
}

bool DnsCursor::Skip(std::size_t count) {
  if (remaining() < count) return false;
  pos_ += count;
  return true;
}

bool DnsCursor::Seek(std::size_t pos) {
  if (pos > data_.size()) return false;
  pos_ = pos;
  return true;
}

// Name rules, each against a crafted reply:
// - every byte is read through the cursor, so a name running off the end of the
//   datagram fails instead of reading past it;
// - a compression pointer must point before the start of the labels it ends (the
//   name's start, or the previous pointer's target), so targets strictly decrease:
//   this stops pointer loops, including a pointer to itself, and pointers forward
//   into bytes not yet validated;
// - at most 128 pointer hops and 255 octets of name, bounding work and memory.
// Length bytes up to 191 are taken as label lengths (only the top two bits set mark
// a pointer), as the reply's labels are copied, not interpreted.
bool ReadName(DnsCursor& cursor, std::string& name) {
  DnsCursor walk = cursor;
  std::size_t resumeAt = 0;  // where the caller continues; set at the first pointer
  bool jumped = false;
  std::size_t segmentStart = walk.pos();
  std::size_t octets = 1;  // the final zero
  int hops = 0;
  std::string result;
  for (;;) {
    uint8_t length;
    if (!walk.ReadU8(length)) return false;
    if ((length & 0xC0) == 0xC0) {
      uint8_t low;
      if (!walk.ReadU8(low)) return false;
      std::size_t target = static_cast<std::size_t>(length & 0x3F) << 8 | low;
      if (target >= segmentStart || ++hops > kMaxPointerHops) return false;
      if (!jumped) {
        resumeAt = walk.pos();
        jumped = true;
      }
      segmentStart = target;
      walk.Seek(target);
      continue;
    }
    if (length == 0) break;
    octets += length + 1u;
    if (octets > kMaxNameOctets || walk.remaining() < length) return false;
    if (!result.empty()) result += '.';
    auto bytes = walk.data().subspan(walk.pos(), length);
    result.append(bytes.begin(), bytes.end());
    walk.Skip(length);
  }
  cursor.Seek(jumped ? resumeAt : walk.pos());
  name = std::move(result);
  return true;
}

bool ReplyMatchesQuery(std::span<const uint8_t> reply, std::span<const uint8_t> query) {
  if (query.size() < kHeaderSize + 5 || reply.size() < query.size()) return false;
  if (reply[0] != query[0] || reply[1] != query[1]) return false;
  if (reply[4] != 0 || reply[5] != 1) return false;  // exactly one question
  // The query's question is labels, a zero byte, type and class. The reply must
  // repeat it byte for byte, but for the case of the label characters; a length
  // byte (or a compression pointer, which a real server never puts in the
  // question) must be the query's exactly.
  std::size_t i = kHeaderSize;
  while (i < query.size() && query[i] != 0) {
    const std::size_t length = query[i];
    if (reply[i] != query[i] || i + 1 + length > query.size()) return false;
    for (std::size_t k = i + 1; k <= i + length; ++k) {
      auto lower = [](uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; };
      if (lower(reply[k]) != lower(query[k])) return false;
    }
    i += 1 + length;
  }
  // The final zero, the type and the class.
  if (query.size() - i != 5) return false;
  for (; i < query.size(); ++i) {
    if (reply[i] != query[i]) return false;
  }
  return true;
}

bool ParseMxReply(std::span<const uint8_t> datagram, MxReply& reply) {
  DnsCursor cursor(datagram);
  uint16_t id, flags, questions, answers;
  if (!cursor.ReadU16(id) || !cursor.ReadU16(flags) || !cursor.ReadU16(questions) ||
      !cursor.ReadU16(answers) || !cursor.Skip(4)) {
    return false;
  }
  if ((flags & 0x8000) == 0) return false;

  reply = MxReply();
  reply.answerCount = answers;
  reply.rcode = static_cast<uint8_t>(flags & 0x000F);
  std::string name;
  // Our query asks one question, but a reply echoing more must not have its extra
  // questions mistaken for answer records.
  for (int q = 0; q < questions; ++q) {
    if (!ReadName(cursor, name) || !cursor.Skip(4)) {
      reply.complete = false;
      return true;
    }
  }
  // The header's count is not trusted: each record is read only while the datagram
  // holds it, so a count of 65535 costs a few dozen failed reads at most.
  for (int i = 0; i < answers; ++i) {
    uint16_t type, rclass, dataLength;
    uint32_t ttl;
    if (!ReadName(cursor, name) || !cursor.ReadU16(type) || !cursor.ReadU16(rclass) || !cursor.ReadU32(ttl) ||
        !cursor.ReadU16(dataLength) || cursor.remaining() < dataLength) {
      reply.complete = false;
      return true;
    }
    std::size_t dataStart = cursor.pos();
    std::size_t dataEnd = dataStart + dataLength;
    // RFC 2181 8: a time to live with the top bit set counts as zero.
    if (ttl > 0x7FFFFFFFu) ttl = 0;
    reply.minTtl = i == 0 ? ttl : std::min(reply.minTtl, ttl);
    if (i < kTableSize) {
      reply.answerType[i] = type;
      if (type == kTypeMx && reply.mxCount < kTableSize) {
        // The exchange must lie within the record data; its pointers may reach back
        // anywhere before it.
        DnsCursor exchange(datagram.first(dataEnd), dataStart);
        std::string host;
        uint16_t preference = 0;
        if (exchange.ReadU16(preference) && ReadName(exchange, host) && IsUsableHostName(host)) {
          reply.answerSlot[i] = reply.mxCount;
          reply.preferences[reply.mxCount] = preference;
          reply.exchanges[reply.mxCount++] = std::move(host);
        }
      }
    }
    cursor.Seek(dataEnd);
  }
  return true;
}

bool IsNullMx(const MxReply& reply) {
  if (reply.mxCount == 0) return false;
  for (int j = 0; j < reply.mxCount; ++j) {
    if (!reply.exchanges[j].empty()) return false;
  }
  return true;
}

void SortByPreference(std::vector<MxHost>& hosts) {
  static std::mt19937 random{std::random_device{}()};
  SortByPreference(hosts, random);
}

}  // namespace norvane::dns
