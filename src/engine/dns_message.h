// The bytes of an MX lookup (RFC 1035 section 4): the query datagram we send
// and the reply we read back. Pure functions over byte spans, no sockets, so
// the parser can be tested and fuzzed on its own.
//
// The reply comes from the network and is trusted for nothing: every read goes
// through DnsCursor, which refuses to step outside the received bytes, and the
// name rules next to ReadName stop pointer loops and overlong names.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::dns {

inline constexpr std::size_t kMaxDatagram = 512;  // RFC 1035 4.2.1, UDP without EDNS
inline constexpr std::size_t kHeaderSize = 12;
inline constexpr int kTableSize = 50;  // answer and MX table entries kept per reply
inline constexpr uint16_t kTypeMx = 15;
inline constexpr uint16_t kClassIn = 1;

// A domain that cannot be written as a well-formed question.
class DnsQueryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes the 12-byte query header: id, flags 0x0100 (recursion desired), one question.
void WriteQueryHeader(std::span<uint8_t, kHeaderSize> out, uint16_t id);

// Writes the question (name, type MX, class IN) into `out` and returns its length.
// A single trailing dot is dropped. Throws DnsQueryError for an empty label, a label
// over 63 octets, a name over 255 octets, or a question that does not fit `out`.
std::size_t WriteMxQuestion(std::span<uint8_t> out, std::string_view domain);

// Reads through a received datagram without ever leaving it. A failed read leaves
// the position unchanged and returns false.
class DnsCursor {
 public:
  explicit DnsCursor(std::span<const uint8_t> data, std::size_t pos = 0) : data_(data), pos_(pos) {}

  std::size_t pos() const { return pos_; }
  std::size_t size() const { return data_.size(); }
  std::size_t remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
  std::span<const uint8_t> data() const { return data_; }

  bool ReadU8(uint8_t& value);
  bool ReadU16(uint16_t& value);
  bool ReadU32(uint32_t& value);
  bool Skip(std::size_t count);
  bool Seek(std::size_t pos);

 private:
  std::span<const uint8_t> data_;
  std::size_t pos_;
};

// Decodes the (possibly compressed) name at the cursor into dotted form and leaves
// the cursor after it: after the terminating zero, or two bytes after the first
// compression pointer. Returns false, cursor unchanged, when the name is malformed.
bool ReadName(DnsCursor& cursor, std::string& name);

// What a reply says about the MX records of the domain asked for.
struct MxReply {
  // Answer count of the header, as announced; may exceed the table and the records present.
  int answerCount = 0;
  // Per answer record 0..49: its type (0 when absent) and its index in `exchanges`, or -1.
  std::array<uint16_t, kTableSize> answerType{};
  std::array<int, kTableSize> answerSlot{};
  std::array<std::string, kTableSize> exchanges{};
  std::array<uint16_t, kTableSize> preferences{};  // of each exchange
  int mxCount = 0;
  // The response code of the header (RFC 1035 4.1.1: 2 is a server failure).
  uint8_t rcode = 0;
  // The smallest time to live of the answer records read, in seconds; 0 without any.
  uint32_t minTtl = 0;
  // False when the datagram ended, or a name in it was malformed, before every announced
  // answer record was read; the records read up to there are kept.
  bool complete = true;

  MxReply() { answerSlot.fill(-1); }
};

// Whether `reply` answers `query` (a query as WriteQueryHeader and WriteMxQuestion
// build it): the same id, exactly one question, and that question the query's own,
// the name compared without regard to ASCII case (RFC 5452 section 9.1). Anyone who
// can reach our port could otherwise name the mail exchangers. Reads only within
// `reply`.
bool ReplyMatchesQuery(std::span<const uint8_t> reply, std::span<const uint8_t> query);

// Parses a received datagram. Returns false when it is to be ignored (shorter than the
// header, or not a response); otherwise fills `reply`. The id and question are left to
// ReplyMatchesQuery; the response code and the truncation flag are not looked at: a
// name error is simply a reply without answers.
bool ParseMxReply(std::span<const uint8_t> datagram, MxReply& reply);

// A null MX (RFC 7505): MX records whose exchanges are all the root name ".",
// which a domain publishes to say that it accepts no mail.
bool IsNullMx(const MxReply& reply);

struct MxHost {
  std::string name;
  uint16_t preference = 0;
};

// RFC 5321 section 5.1: the lowest preference first, and hosts of equal
// preference in random order, so that the load spreads over them.
template <typename Random>
void SortByPreference(std::vector<MxHost>& hosts, Random& random) {
  std::shuffle(hosts.begin(), hosts.end(), random);
  std::stable_sort(hosts.begin(), hosts.end(),
                   [](const MxHost& a, const MxHost& b) { return a.preference < b.preference; });
}
// The same with a generator of the process, seeded from the system.
void SortByPreference(std::vector<MxHost>& hosts);

}  // namespace norvane::dns
