#include "engine/dns_message.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dns_packet.h"

namespace norvane::dns {
namespace {

using test::DnsPacket;

std::vector<uint8_t> Query(uint16_t id, std::string_view domain) {
  std::array<uint8_t, kMaxDatagram> buffer{};
  WriteQueryHeader(std::span<uint8_t, kHeaderSize>(buffer.data(), kHeaderSize), id);
  std::size_t length = WriteMxQuestion(std::span(buffer).subspan(kHeaderSize), domain);
  return {buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + length)};
}

TEST(DnsQueryBytes, SevenAndThreeLetterDomainGivesThe29ByteQuery) {
  std::vector<uint8_t> want = {0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0x07, 'e',  'x',  'a',  'm',  'p',  'l',  'e',
                               0x03, 'c',  'o',  'm',  0x00, 0x00, 0x0F, 0x00, 0x01};
  EXPECT_EQ(Query(1, "example.com"), want);
  EXPECT_EQ(Query(1, "example.com."), want);
}

TEST(DnsQueryBytes, KeepsCaseAndWritesTheIdInNetworkOrder) {
  std::vector<uint8_t> q = Query(0xABCD, "Mail.EXAMPLE");
  EXPECT_EQ(q[0], 0xAB);
  EXPECT_EQ(q[1], 0xCD);
  EXPECT_EQ(std::string(q.begin() + 13, q.begin() + 17), "Mail");
  EXPECT_EQ(std::string(q.begin() + 18, q.begin() + 25), "EXAMPLE");
}

TEST(DnsQueryBytes, LongestLegalLabelAndNameAreAccepted) {
  std::string label63(63, 'a');
  EXPECT_EQ(Query(1, label63 + ".com").size(), 12u + 1 + 63 + 1 + 3 + 1 + 4);
  // 3 x 63 + 61 characters and four length bytes plus the zero: 255 octets.
  std::string longest = label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');
  EXPECT_EQ(Query(1, longest).size(), 12u + 255 + 4);
}

TEST(DnsQueryBytes, RefusesDomainsThatCannotBeAskedAsWritten) {
  std::string label63(63, 'a');
  for (std::string domain :
       {std::string("a..com"), std::string(".example.com"), std::string("example.com.."),
        std::string(64, 'x') + ".com", label63 + "." + label63 + "." + label63 + "." + std::string(62, 'b'),
        std::string(10000, 'y')}) {
    SCOPED_TRACE(domain.substr(0, 80));
    std::array<uint8_t, kMaxDatagram - kHeaderSize> out{};
    EXPECT_THROW(WriteMxQuestion(out, domain), DnsQueryError);
  }
}

TEST(DnsQueryBytes, RefusesAQuestionLargerThanTheBuffer) {
  std::array<uint8_t, 16> small{};
  EXPECT_THROW(WriteMxQuestion(small, "example.com"), DnsQueryError);
  EXPECT_EQ(WriteMxQuestion(small, "example.co"), 16u);
}

struct NameCase {
  const char* what;
  std::vector<uint8_t> bytes;  // the name to read starts at `start`
  std::size_t start;
  bool ok;
  std::string name;
  std::size_t after;
};

TEST(DnsReadName, DecodesLabelsAndPointersAndRefusesMalformedNames) {
  // Offsets 0..6: "\3abc\0", then names under test from offset 5 on.
  std::vector<uint8_t> base = {3, 'a', 'b', 'c', 0};
  auto with = [&](std::initializer_list<uint8_t> tail) {
    std::vector<uint8_t> v = base;
    v.insert(v.end(), tail);
    return v;
  };
  std::string label63(63, 'z');
  std::vector<uint8_t> longName;  // 4 x 63-octet labels: 257 octets
  for (int i = 0; i < 4; ++i) {
    longName.push_back(63);
    longName.insert(longName.end(), label63.begin(), label63.end());
  }
  longName.push_back(0);
  // 200 bytes of two-byte pointer chain, each pointing at the one before it.
  std::vector<uint8_t> chain = {0};
  for (int i = 0; i < 200; ++i) {
    uint16_t prev = static_cast<uint16_t>(i == 0 ? 0 : 1 + 2 * (i - 1));
    chain.push_back(static_cast<uint8_t>(0xC0 | prev >> 8));
    chain.push_back(static_cast<uint8_t>(prev));
  }

  std::vector<NameCase> cases = {
      {"plain", with({2, 'm', 'x', 3, 'c', 'o', 'm', 0}), 5, true, "mx.com", 13},
      {"root", with({0}), 5, true, "", 6},
      {"pointer only", with({0xC0, 0x00}), 5, true, "abc", 7},
      {"label then pointer", with({2, 'm', 'x', 0xC0, 0x00, 9}), 5, true, "mx.abc", 10},
      {"pointer to a pointer further back", with({0xC0, 0x00, 1, 'q', 0xC0, 0x05}), 7, true, "q.abc", 11},
      {"label of 128 running past the end", with({0x80, 'x'}), 5, false, "", 0},
      {"pointer to itself", with({0xC0, 0x05}), 5, false, "", 0},
      {"pointer forward", with({0xC0, 0x07, 1, 'a', 0}), 5, false, "", 0},
      {"pointer outside the datagram", with({0xC0, 0xFF}), 5, false, "", 0},
      {"two pointers taking turns", with({1, 'a', 0xC0, 0x08, 1, 'b', 0xC0, 0x05}), 9, false, "", 0},
      {"label back into the same labels", with({1, 'a', 0xC0, 0x05}), 5, false, "", 0},
      {"label running past the end", with({5, 'a', 'b'}), 5, false, "", 0},
      {"pointer cut in half", with({0xC0}), 5, false, "", 0},
      {"no terminating zero", with({1, 'a'}), 5, false, "", 0},
      {"empty datagram", {}, 0, false, "", 0},
      {"longer than 255 octets", longName, 0, false, "", 0},
      {"more than 128 pointer hops", chain, chain.size() - 2, false, "", 0},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.what);
    DnsCursor cursor(c.bytes, c.start);
    std::string name = "unchanged";
    ASSERT_EQ(ReadName(cursor, name), c.ok);
    if (c.ok) {
      EXPECT_EQ(name, c.name);
      EXPECT_EQ(cursor.pos(), c.after);
    } else {
      EXPECT_EQ(name, "unchanged");
      EXPECT_EQ(cursor.pos(), c.start);
    }
  }
}

TEST(DnsReadName, ChainOfBackwardPointersWithinTheHopLimitDecodes) {
  // Labels "a" at 0, then "b"+ptr(0) at 3, "c"+ptr(3) at 7: c.b.a
  std::vector<uint8_t> bytes = {1, 'a', 0, 1, 'b', 0xC0, 0x00, 1, 'c', 0xC0, 0x03};
  DnsCursor cursor(bytes, 7);
  std::string name;
  ASSERT_TRUE(ReadName(cursor, name));
  EXPECT_EQ(name, "c.b.a");
  EXPECT_EQ(cursor.pos(), 11u);
}

MxReply Parse(const std::vector<uint8_t>& bytes, bool expectAccepted = true) {
  MxReply reply;
  EXPECT_EQ(ParseMxReply(bytes, reply), expectAccepted);
  return reply;
}

TEST(DnsParseReply, CnameThenMx) {
  DnsPacket p;
  p.Header(1, 2).Question("example.com").Cname("alias.example.com").Mx("mx1.example.com");
  MxReply r = Parse(p.bytes());
  EXPECT_EQ(r.answerCount, 2);
  EXPECT_EQ(r.answerType[0], 5);
  EXPECT_EQ(r.answerSlot[0], -1);
  EXPECT_EQ(r.answerType[1], 15);
  EXPECT_EQ(r.answerSlot[1], 0);
  EXPECT_EQ(r.exchanges[0], "mx1.example.com");
  EXPECT_EQ(r.mxCount, 1);
  EXPECT_TRUE(r.complete);
}

TEST(DnsParseReply, ExchangeNamesCompressedIntoTheQuestionDecodeInFull) {
  DnsPacket p;
  p.Header(1, 2).Question("example.com");
  // "mx1" + pointer to "example.com" (12), and "mx2" + pointer to "com" (20).
  p.RecordHead(15, 2 + 4 + 2).U16(10).Labels("mx1", false).Pointer(12);
  p.RecordHead(15, 2 + 4 + 2).U16(20).Labels("mx2", false).Pointer(20);
  MxReply r = Parse(p.bytes());
  ASSERT_EQ(r.mxCount, 2);
  EXPECT_EQ(r.exchanges[0], "mx1.example.com");
  EXPECT_EQ(r.exchanges[1], "mx2.com");
  EXPECT_TRUE(r.complete);
}

TEST(DnsParseReply, PreferencesAndNullMx) {
  DnsPacket p;
  p.Header(1, 2).Question("example.com").Mx("mx1.example.com", 20).Mx("mx2.example.com", 5);
  MxReply r = Parse(p.bytes());
  ASSERT_EQ(r.mxCount, 2);
  EXPECT_EQ(r.preferences[0], 20);
  EXPECT_EQ(r.preferences[1], 5);
  EXPECT_FALSE(IsNullMx(r));

  // RFC 7505: one MX whose exchange is the root, ".".
  DnsPacket null;
  null.Header(1, 1).Question("example.com").RecordHead(15, 3).U16(0).U8(0);
  MxReply n = Parse(null.bytes());
  ASSERT_EQ(n.mxCount, 1);
  EXPECT_EQ(n.exchanges[0], "");
  EXPECT_TRUE(IsNullMx(n));

  // A "." among real exchangers is no null MX, and no reply without MX records is one.
  DnsPacket mixed;
  mixed.Header(1, 2).Question("example.com").RecordHead(15, 3).U16(0).U8(0).Mx("mx1.example.com");
  EXPECT_FALSE(IsNullMx(Parse(mixed.bytes())));
  DnsPacket none;
  none.Header(1, 1).Question("example.com").Cname("alias.example.com");
  EXPECT_FALSE(IsNullMx(Parse(none.bytes())));
}

TEST(DnsMxOrder, LowestPreferenceFirstAndTiesInRandomOrder) {
  const std::vector<MxHost> answer = {{"c", 20}, {"a", 10}, {"d", 30}, {"b", 10}, {"e", 20}};
  std::set<std::string> tieOrders;
  for (unsigned seed = 0; seed < 40; ++seed) {
    std::mt19937 random(seed);
    std::vector<MxHost> hosts = answer;
    SortByPreference(hosts, random);
    ASSERT_EQ(hosts.size(), answer.size());
    std::string order;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
      if (i > 0) {
        EXPECT_LE(hosts[i - 1].preference, hosts[i].preference);
      }
      order += hosts[i].name;
    }
    EXPECT_EQ(order[4], 'd');
    tieOrders.insert(order);
  }
  // Both orders of each tie turn up: "ab" / "ba" and "ce" / "ec".
  EXPECT_EQ(tieOrders.size(), 4u);
}

TEST(DnsParseReply, SixtyMxRecordsKeepTheFirstFifty) {
  DnsPacket p;
  p.Header(1, 60).Question("e.com");
  // Short compressed names so that 60 records fit 512 bytes: "\2mN" + pointer.
  for (int i = 0; i < 60; ++i) {
    p.RecordHead(15, 2 + 3 + 2).U16(static_cast<uint16_t>(i));
    p.U8(2).U8('m').U8(static_cast<uint8_t>('0' + i % 75)).Pointer(12);
  }
  MxReply r = Parse(p.bytes());
  EXPECT_EQ(r.answerCount, 60);
  EXPECT_EQ(r.mxCount, 50);
  EXPECT_EQ(r.answerSlot[49], 49);
  EXPECT_EQ(r.exchanges[49], std::string("m") + static_cast<char>('0' + 49) + ".e.com");
  EXPECT_TRUE(r.complete);
}

TEST(DnsParseReply, ShortDatagramsAndQueriesAreIgnored) {
  DnsPacket p;
  p.Header(0, 0);
  std::vector<uint8_t> eleven(p.bytes().begin(), p.bytes().begin() + 11);
  Parse(eleven, false);
  Parse({}, false);
  DnsPacket query;
  query.Header(1, 0, 0x0100).Question("example.com");
  Parse(query.bytes(), false);
}

TEST(DnsParseReply, NameErrorAndTruncatedRepliesAreAccepted) {
  DnsPacket nxdomain;
  nxdomain.Header(1, 0, 0x8183).Question("nowhere.test");
  MxReply r = Parse(nxdomain.bytes());
  EXPECT_EQ(r.answerCount, 0);
  EXPECT_EQ(r.mxCount, 0);

  DnsPacket truncated;
  truncated.Header(1, 1, 0x8380).Question("example.com").Mx("mx.example.com");
  r = Parse(truncated.bytes());
  EXPECT_EQ(r.mxCount, 1);
  EXPECT_EQ(r.exchanges[0], "mx.example.com");
}

TEST(DnsParseReply, CountsBeyondTheDatagramKeepWhatIsThere) {
  DnsPacket p;
  p.Header(1, 0xFFFF).Question("example.com").Mx("mx.example.com");
  MxReply r = Parse(p.bytes());
  EXPECT_EQ(r.answerCount, 0xFFFF);
  EXPECT_EQ(r.mxCount, 1);
  EXPECT_EQ(r.answerSlot[0], 0);
  EXPECT_EQ(r.answerType[1], 0);
  EXPECT_EQ(r.answerSlot[1], -1);
  EXPECT_FALSE(r.complete);

  DnsPacket questions;
  questions.Header(0xFFFF, 3).Question("example.com");
  r = Parse(questions.bytes());
  EXPECT_EQ(r.mxCount, 0);
  EXPECT_FALSE(r.complete);
}

TEST(DnsParseReply, ExtraQuestionsAreNotTakenForAnswers) {
  DnsPacket p;
  p.Header(2, 1).Question("example.com").Question("other.com").Mx("mx.example.com");
  MxReply r = Parse(p.bytes());
  ASSERT_EQ(r.mxCount, 1);
  EXPECT_EQ(r.exchanges[0], "mx.example.com");
}

TEST(DnsParseReply, BadExchangeIsSkippedAndTheNextRecordStillRead) {
  DnsPacket p;
  p.Header(1, 4).Question("example.com");
  p.RecordHead(15, 1).U8(0);  // data too short for a preference
  p.RecordHead(15, 2 + 2).U16(10);
  p.Pointer(static_cast<uint16_t>(p.size()));                  // pointer to itself
  p.RecordHead(15, 2 + 5).U16(10).Bytes({3, 'a', 0, 'b', 0});  // NUL inside the name
  p.Mx("good.example.com");
  MxReply r = Parse(p.bytes());
  EXPECT_EQ(r.answerCount, 4);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r.answerType[i], 15);
    EXPECT_EQ(r.answerSlot[i], -1);
  }
  EXPECT_EQ(r.answerSlot[3], 0);
  EXPECT_EQ(r.exchanges[0], "good.example.com");
  EXPECT_TRUE(r.complete);
}

TEST(DnsParseReply, ExchangeMayNotRunPastItsRecordData) {
  DnsPacket p;
  p.Header(1, 1).Question("example.com");
  p.RecordHead(15, 2 + 3).U16(10).Labels("mx.example.com");  // data length cuts the name
  MxReply r = Parse(p.bytes());
  EXPECT_EQ(r.answerSlot[0], -1);
  EXPECT_EQ(r.mxCount, 0);
}

TEST(DnsParseReply, EveryTruncatedPrefixOfAValidAnswerIsSafe) {
  DnsPacket p;
  p.Header(1, 3).Question("example.com").Cname("alias.example.com");
  p.Mx("mx1.example.com", 20);
  p.RecordHead(15, 2 + 4 + 2).U16(10).Labels("mx2", false).Pointer(12);
  MxReply full = Parse(p.bytes());
  ASSERT_EQ(full.mxCount, 2);
  ASSERT_TRUE(full.complete);

  const std::vector<uint8_t>& bytes = p.bytes();
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    SCOPED_TRACE(n);
    // Copied so ASan sees reads past the prefix as overflows.
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    MxReply r;
    bool accepted = ParseMxReply(prefix, r);
    EXPECT_EQ(accepted, n >= kHeaderSize);
    if (!accepted) continue;
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.answerCount, 3);
    ASSERT_LE(r.mxCount, full.mxCount);
    for (int j = 0; j < r.mxCount; ++j) EXPECT_EQ(r.exchanges[j], full.exchanges[j]);
  }
}

// RFC 5452 section 9.1: an answer counts only when it carries the query's id and repeats its one
// question (the name compared without regard to case, the type and the class exactly).
TEST(DnsReplyMatchesQuery, IdAndQuestionMustBeTheQuerys) {
  const std::vector<uint8_t> query = Query(0x5A3C, "Mail.Example.com");
  auto reply = [](uint16_t id, uint16_t questions, std::string_view name, uint16_t type = 15,
                  uint16_t rclass = 1) {
    DnsPacket p;
    p.Header(questions, 0).Id(id);
    if (questions > 0) p.Labels(name).U16(type).U16(rclass);
    return p.bytes();
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool match;
  } cases[] = {
      {"same", reply(0x5A3C, 1, "Mail.Example.com"), true},
      {"name in another case", reply(0x5A3C, 1, "mail.EXAMPLE.COM"), true},
      {"other id", reply(0x5A3D, 1, "Mail.Example.com"), false},
      {"id bytes swapped", reply(0x3C5A, 1, "Mail.Example.com"), false},
      {"other name", reply(0x5A3C, 1, "evil.Example.com"), false},
      {"longer name", reply(0x5A3C, 1, "Mail.Example.com.evil"), false},
      {"labels cut elsewhere", reply(0x5A3C, 1, "MailE.xample.com"), false},
      {"other type", reply(0x5A3C, 1, "Mail.Example.com", 1), false},
      {"other class", reply(0x5A3C, 1, "Mail.Example.com", 15, 3), false},
      {"no question", reply(0x5A3C, 0, ""), false},
      {"two questions", reply(0x5A3C, 2, "Mail.Example.com"), false},
      {"header only", std::vector<uint8_t>(query.begin(), query.begin() + 12), false},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplyMatchesQuery(c.bytes, query), c.match) << c.what;

  // A question cut short anywhere does not match, and is not read past its end.
  const std::vector<uint8_t> good = reply(0x5A3C, 1, "Mail.Example.com");
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_FALSE(ReplyMatchesQuery(prefix, query)) << n;
  }
  // Nor does a question whose name is a compression pointer, which no real server sends.
  DnsPacket pointer;
  pointer.Header(1, 0).Id(0x5A3C).Pointer(12).U16(15).U16(1);
  EXPECT_FALSE(ReplyMatchesQuery(pointer.bytes(), query));
}

}  // namespace
}  // namespace norvane::dns
