#include "sandbox/dns_message.h"

namespace norvane {

namespace {

// Every read of the datagram goes through here; a read past the end fails and
// leaves the cursor failed, so a truncated or lying datagram can only be
// refused, never overrun.
class ByteCursor {
 public:
  explicit ByteCursor(std::string_view bytes) : bytes_(bytes) {}

  bool ReadU8(uint8_t& value) {
    if (bytes_.size() - position_ < 1) return false;
    value = static_cast<uint8_t>(bytes_[position_++]);
    return true;
  }
  bool ReadU16(uint16_t& value) {
    if (bytes_.size() - position_ < 2) return false;
    value = static_cast<uint16_t>(static_cast<uint8_t>(bytes_[position_]) << 8 |
                                  static_cast<uint8_t>(bytes_[position_ + 1]));
    position_ += 2;
    return true;
  }
  bool ReadBytes(size_t count, std::string_view& out) {
    if (bytes_.size() - position_ < count) return false;
    out = bytes_.substr(position_, count);
    position_ += count;
    return true;
  }
  size_t position() const { return position_; }

 private:
  std::string_view bytes_;
  size_t position_ = 0;
};

constexpr size_t kMaxEncodedName = 255;  // RFC 1035 2.3.4
constexpr uint16_t kFlagResponse = 0x8000;
constexpr uint16_t kOpcodeMask = 0x7800;
constexpr uint16_t kFlagAuthoritative = 0x0400;
constexpr uint16_t kFlagRecursionDesired = 0x0100;
constexpr uint16_t kFlagRecursionAvailable = 0x0080;

// A question name in a query is plain labels. Compression pointers are
// refused: a query has nothing earlier to point at but its own header, and
// following them would only open the door to loops. Labels are 1 to 63
// octets and the whole name at most 255, so the answer built from it stays
// a valid name.
bool ReadQuestionName(ByteCursor& cursor, std::string& encoded, std::string& dotted) {
  for (;;) {
    uint8_t length = 0;
    if (!cursor.ReadU8(length)) return false;
    encoded += static_cast<char>(length);
    if (length == 0) return encoded.size() <= kMaxEncodedName;
    if (length > 63) return false;  // pointer (0xC0) or reserved label types
    std::string_view label;
    if (!cursor.ReadBytes(length, label)) return false;
    encoded.append(label);
    if (encoded.size() > kMaxEncodedName) return false;
    if (!dotted.empty()) dotted += '.';
    dotted.append(label);
  }
}

void PutU16(std::string& out, uint16_t value) {
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value & 0xFF);
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, static_cast<uint16_t>(value >> 16));
  PutU16(out, static_cast<uint16_t>(value & 0xFFFF));
}

constexpr uint16_t kPointerToQuestion = 0xC000 | 12;

}  // namespace

std::optional<DnsQuestion> ParseDnsQuery(std::string_view datagram) {
  ByteCursor cursor(datagram);
  DnsQuestion question;
  uint16_t questions = 0, ignored = 0;
  if (!cursor.ReadU16(question.id) || !cursor.ReadU16(question.flags) || !cursor.ReadU16(questions) ||
      !cursor.ReadU16(ignored) || !cursor.ReadU16(ignored) || !cursor.ReadU16(ignored))
    return std::nullopt;
  if ((question.flags & kFlagResponse) || (question.flags & kOpcodeMask) || questions != 1)
    return std::nullopt;
  if (!ReadQuestionName(cursor, question.encodedName, question.name)) return std::nullopt;
  if (!cursor.ReadU16(question.type) || !cursor.ReadU16(question.qclass)) return std::nullopt;
  return question;
}

std::string BuildDnsAnswer(const DnsQuestion& question, const std::array<uint8_t, 4>& address) {
  bool in = question.qclass == kDnsClassIn;
  bool answered = in && (question.type == kDnsTypeMx || question.type == kDnsTypeA);

  std::string out;
  PutU16(out, question.id);
  PutU16(out, kFlagResponse | kFlagAuthoritative | (question.flags & kFlagRecursionDesired) |
                  kFlagRecursionAvailable);  // response code 0
  PutU16(out, 1);
  PutU16(out, answered ? 1 : 0);
  PutU16(out, 0);
  PutU16(out, 0);
  out += question.encodedName;
  PutU16(out, question.type);
  PutU16(out, question.qclass);
  if (!answered) return out;

  PutU16(out, kPointerToQuestion);
  PutU16(out, question.type);
  PutU16(out, kDnsClassIn);
  PutU32(out, 0);
  if (question.type == kDnsTypeA) {
    PutU16(out, 4);
    out.append(reinterpret_cast<const char*>(address.data()), address.size());
    return out;
  }
  std::string exchange;
  if (question.encodedName.size() == 1) {
    exchange = std::string("\2mx\0", 4);  // the root's exchanger is plain "mx"
  } else if (question.encodedName.size() + 3 <= kMaxEncodedName) {
    exchange = "\2mx";
    PutU16(exchange, kPointerToQuestion);
  } else {
    exchange = std::string("\2mx\7sandbox\4test\0", 17);
  }
  PutU16(out, static_cast<uint16_t>(2 + exchange.size()));
  PutU16(out, 10);
  out += exchange;
  return out;
}

}  // namespace norvane
