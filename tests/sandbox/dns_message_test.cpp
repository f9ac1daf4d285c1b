#include "sandbox/dns_message.h"

#include <gtest/gtest.h>

#include <string>

namespace norvane {
namespace {

std::string Query(uint16_t id, std::string_view name, uint16_t type, uint16_t qclass = kDnsClassIn,
                  uint16_t flags = 0x0100) {
  std::string out = {
      char(id >> 8), char(id & 0xFF), char(flags >> 8), char(flags & 0xFF), 0, 1, 0, 0, 0, 0, 0, 0};
  size_t start = 0;
  while (start < name.size()) {
    size_t dot = name.find('.', start);
    if (dot == std::string_view::npos) dot = name.size();
    out += char(dot - start);
    out.append(name.substr(start, dot - start));
    start = dot + 1;
  }
  out += '\0';
  out += {char(type >> 8), char(type & 0xFF), char(qclass >> 8), char(qclass & 0xFF)};
  return out;
}

uint16_t U16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) << 8 |
                               static_cast<uint8_t>(bytes.at(at + 1)));
}

// Reads a name the way a resolver would, following pointers (bounded, for the test's own safety).
std::string ReadName(const std::string& bytes, size_t& at) {
  std::string name;
  size_t position = at;
  bool jumped = false;
  for (int hops = 0; hops < 20; ++hops) {
    uint8_t length = static_cast<uint8_t>(bytes.at(position));
    if (length >= 0xC0) {
      if (!jumped) at = position + 2;
      jumped = true;
      position = U16(bytes, position) & 0x3FFF;
      continue;
    }
    if (length == 0) {
      if (!jumped) at = position + 1;
      return name;
    }
    if (!name.empty()) name += '.';
    name += bytes.substr(position + 1, length);
    position += 1 + length;
  }
  ADD_FAILURE() << "pointer loop";
  return name;
}

struct Answer {
  uint16_t id = 0, flags = 0, questions = 0, answers = 0;
  std::string questionName;
  uint16_t type = 0, rdLength = 0;
  uint32_t ttl = 0;
  uint16_t preference = 0;
  std::string exchange;
  std::string address;
};

Answer Decode(const std::string& bytes) {
  Answer answer;
  answer.id = U16(bytes, 0);
  answer.flags = U16(bytes, 2);
  answer.questions = U16(bytes, 4);
  answer.answers = U16(bytes, 6);
  EXPECT_EQ(U16(bytes, 8), 0);
  EXPECT_EQ(U16(bytes, 10), 0);
  size_t at = 12;
  answer.questionName = ReadName(bytes, at);
  at += 4;
  if (answer.answers == 0) {
    EXPECT_EQ(at, bytes.size());
    return answer;
  }
  EXPECT_EQ(ReadName(bytes, at), answer.questionName);
  answer.type = U16(bytes, at);
  EXPECT_EQ(U16(bytes, at + 2), kDnsClassIn);
  answer.ttl = uint32_t(U16(bytes, at + 4)) << 16 | U16(bytes, at + 6);
  answer.rdLength = U16(bytes, at + 8);
  at += 10;
  EXPECT_EQ(at + answer.rdLength, bytes.size());
  if (answer.type == kDnsTypeMx) {
    answer.preference = U16(bytes, at);
    at += 2;
    answer.exchange = ReadName(bytes, at);
  } else {
    answer.address = bytes.substr(at, answer.rdLength);
  }
  return answer;
}

const std::array<uint8_t, 4> kLoopback = {127, 0, 0, 1};

TEST(DnsMessage, MxQueryGetsOneExchangerUnderTheAskedName) {
  std::optional<DnsQuestion> question = ParseDnsQuery(Query(0xBEEF, "Example.COM", kDnsTypeMx));
  ASSERT_TRUE(question);
  EXPECT_EQ(question->name, "Example.COM");
  Answer answer = Decode(BuildDnsAnswer(*question, kLoopback));
  EXPECT_EQ(answer.id, 0xBEEF);
  EXPECT_EQ(answer.flags,
            0x8000 | 0x0400 | 0x0100 | 0x0080);  // response, authoritative, RD echoed, RA; NOERROR
  EXPECT_EQ(answer.questions, 1);
  EXPECT_EQ(answer.answers, 1);
  EXPECT_EQ(answer.questionName, "Example.COM");  // case kept, as resolvers check it
  EXPECT_EQ(answer.type, kDnsTypeMx);
  EXPECT_EQ(answer.ttl, 0u);
  EXPECT_EQ(answer.preference, 10);
  EXPECT_EQ(answer.exchange, "mx.Example.COM");
}

TEST(DnsMessage, AnswersByTypeAndClass) {
  struct Row {
    const char* name;
    uint16_t type, qclass;
    uint16_t answers;
    std::string address, exchange;
  } rows[] = {
      {"mx.example.com", kDnsTypeA, kDnsClassIn, 1, std::string("\x7f\0\0\x01", 4), ""},
      {"anything.at.all", kDnsTypeA, kDnsClassIn, 1, std::string("\x7f\0\0\x01", 4), ""},
      {"mx.example.com", kDnsTypeAaaa, kDnsClassIn, 0, "", ""},
      {"example.com", 16 /* TXT */, kDnsClassIn, 0, "", ""},
      {"example.com", kDnsTypeMx, 3 /* CH */, 0, "", ""},
      {"", kDnsTypeMx, kDnsClassIn, 1, "", "mx"},
  };
  for (const Row& row : rows) {
    std::optional<DnsQuestion> question = ParseDnsQuery(Query(7, row.name, row.type, row.qclass));
    ASSERT_TRUE(question) << row.name;
    Answer answer = Decode(BuildDnsAnswer(*question, kLoopback));
    EXPECT_EQ(answer.flags & 0x000F, 0) << row.name << " " << row.type;
    EXPECT_EQ(answer.answers, row.answers) << row.name << " " << row.type;
    EXPECT_EQ(answer.address, row.address) << row.name << " " << row.type;
    EXPECT_EQ(answer.exchange, row.exchange) << row.name << " " << row.type;
  }
}

TEST(DnsMessage, LongestNameFallsBackToAFixedExchanger) {
  // 4 labels of 63 octets: 4 * 64 + 1 = 257 > 255, so use 3 of 63 and one of 61: exactly 255.
  std::string name = std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + "." +
                     std::string(61, 'd');
  std::optional<DnsQuestion> question = ParseDnsQuery(Query(1, name, kDnsTypeMx));
  ASSERT_TRUE(question);
  EXPECT_EQ(question->encodedName.size(), 255u);
  EXPECT_EQ(Decode(BuildDnsAnswer(*question, kLoopback)).exchange, "mx.sandbox.test");
  // One octet longer is no valid name at all.
  EXPECT_FALSE(ParseDnsQuery(Query(1, name + "d", kDnsTypeMx)));
}

TEST(DnsMessage, MalformedOrUnwantedDatagramsAreIgnored) {
  std::string valid = Query(9, "example.com", kDnsTypeMx);
  // Every truncated prefix of a valid query.
  for (size_t length = 0; length < valid.size(); ++length)
    EXPECT_FALSE(ParseDnsQuery(valid.substr(0, length))) << length;

  std::string response = valid;
  response[2] |= char(0x80);
  std::string notify = Query(9, "example.com", kDnsTypeMx, kDnsClassIn, 0x2000);  // opcode 4
  std::string twoQuestions = valid;
  twoQuestions[5] = 2;
  std::string noQuestion = valid;
  noQuestion[5] = 0;
  std::string pointer = valid.substr(0, 12) + std::string("\xC0\x0C\0\x0F\0\x01", 6);
  std::string longLabel =
      valid.substr(0, 12) + char(64) + std::string(64, 'x') + std::string("\0\0\x0F\0\x01", 5);
  for (const std::string& bad : {response, notify, twoQuestions, noQuestion, pointer, longLabel})
    EXPECT_FALSE(ParseDnsQuery(bad));

  // Records after the question (an EDNS OPT record) are allowed and not read.
  std::string withOpt = valid;
  withOpt[11] = 1;
  withOpt += std::string("\0\0\x29\x10\0\0\0\0\0\0\0", 11);
  EXPECT_TRUE(ParseDnsQuery(withOpt));
}

}  // namespace
}  // namespace norvane
