#include "engine/dns_query.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "dns_packet.h"
#include "net/wsocket.h"
#include "platform/event_loop.h"
#include "support/dnsmasq_peer.h"
#include "support/run_until.h"

namespace norvane {
namespace {

using test::DnsmasqPeer;
using test::DnsPacket;

using test::RunUntil;

// The exchanges in the order the delivery session takes them.
std::vector<std::string> Hosts(const _TDnsQuery& dns) {
  std::vector<std::string> hosts;
  for (int i = 0; i < dns.AnswerCount(); ++i) {
    if (dns.AnswerSlot(i) >= 0 && dns.AnswerType(i) == 15) hosts.push_back(dns.MxExchange(dns.AnswerSlot(i)));
  }
  return hosts;
}

class DnsQueryFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dns_.OnRequestDone = [this](_TDnsQuery* sender, uint16_t error) {
      EXPECT_EQ(sender, &dns_);
      ++done_;
      error_ = error;
    };
  }
  bool AwaitDone(int count) {
    return RunUntil(loop_, [&] { return done_ >= count; });
  }

  EventLoop loop_;
  _TDnsQuery dns_{loop_};
  int done_ = 0;
  uint16_t error_ = 0xFFFF;
};

using DnsQueryAgainstDnsmasq = DnsQueryFixture;

TEST_F(DnsQueryAgainstDnsmasq, AnswersOfARealServerInTheOrderItGivesThem) {
  DnsmasqPeer server({
      DnsmasqPeer::MxHost("one.test", "mx.one.test", 10),
      // Given c, a, b: answered b, a, c, which is neither this order nor preference order.
      DnsmasqPeer::MxHost("many.test", "mx-c.many.test", 30),
      DnsmasqPeer::MxHost("many.test", "mx-a.many.test", 10),
      DnsmasqPeer::MxHost("many.test", "mx-b.many.test", 20),
      DnsmasqPeer::Cname("alias.test", "one.test"),
      DnsmasqPeer::HostRecord("bare.test", "127.0.0.9"),
      DnsmasqPeer::Address("mx.one.test", "127.0.0.10"),
  });
  dns_.SetAddr(server.address());
  dns_.SetPort(server.portText());

  struct Case {
    const char* domain;
    int answerCount;
    std::vector<int> types;
    std::vector<int> slots;
    std::vector<std::string> hosts;
  };
  std::vector<Case> cases = {
      {"one.test", 1, {15}, {0}, {"mx.one.test"}},
      {"many.test", 3, {15, 15, 15}, {0, 1, 2}, {"mx-b.many.test", "mx-a.many.test", "mx-c.many.test"}},
      {"alias.test", 2, {5, 15}, {-1, 0}, {"mx.one.test"}},
      {"bare.test", 0, {}, {}, {}},
      {"nowhere.test", 0, {}, {}, {}},  // name error
  };
  // One resolver for every lookup, as a session reuses it.
  for (std::size_t n = 0; n < cases.size(); ++n) {
    const Case& c = cases[n];
    SCOPED_TRACE(c.domain);
    const uint16_t id = dns_.LookupMx(c.domain);
    EXPECT_EQ(id, dns_.QueryId());
    ASSERT_TRUE(AwaitDone(static_cast<int>(n + 1)));
    EXPECT_EQ(error_, 0);
    EXPECT_EQ(dns_.AnswerCount(), c.answerCount);
    for (std::size_t i = 0; i < c.types.size(); ++i) {
      EXPECT_EQ(dns_.AnswerType(static_cast<int>(i)), c.types[i]);
      EXPECT_EQ(dns_.AnswerSlot(static_cast<int>(i)), c.slots[i]);
    }
    EXPECT_EQ(Hosts(dns_), c.hosts);
    EXPECT_EQ(dns_.MxExchange(static_cast<int>(c.hosts.size())), "");
  }
}

TEST_F(DnsQueryAgainstDnsmasq, ReleasingTheResolverInsideItsCallbackIsSafe) {
  DnsmasqPeer server({DnsmasqPeer::MxHost("one.test", "mx.one.test", 10)});
  auto owned = std::make_unique<_TDnsQuery>(loop_);
  owned->SetAddr(server.address());
  owned->SetPort(server.portText());
  std::string host;
  owned->OnRequestDone = [&](_TDnsQuery* sender, uint16_t) {
    host = sender->MxExchange(0);
    owned.reset();
  };
  owned->LookupMx("one.test");
  ASSERT_TRUE(RunUntil(loop_, [&] { return owned == nullptr; }));
  EXPECT_EQ(host, "mx.one.test");
  loop_.RunOnce(0);
}

// A UDP peer in the test's hands, for datagrams no real server sends.
class ScriptedUdpPeer {
 public:
  ScriptedUdpPeer() : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof sa;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &length) != 0) {
      throw std::runtime_error("ScriptedUdpPeer: cannot bind");
    }
    port_ = ntohs(sa.sin_port);
  }
  ~ScriptedUdpPeer() { close(fd_); }

  std::string portText() const { return std::to_string(port_); }
  // The next query; remembers its sender as the one Reply answers.
  std::vector<uint8_t> ReceiveQuery() {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 5000) != 1) return {};
    std::vector<uint8_t> buffer(2048);
    socklen_t length = sizeof from_;
    ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from_), &length);
    buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return buffer;
  }
  void Reply(const std::vector<uint8_t>& bytes) { ReplyTo(from_, bytes); }
  void ReplyTo(const sockaddr_in& to, const std::vector<uint8_t>& bytes) {
    sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  sockaddr_in lastSender() const { return from_; }

 private:
  int fd_;
  uint16_t port_ = 0;
  sockaddr_in from_{};
};

class DnsQueryAgainstScriptedPeer : public DnsQueryFixture {
 protected:
  void SetUp() override {
    DnsQueryFixture::SetUp();
    dns_.SetAddr("127.0.0.1");
    dns_.SetPort(peer_.portText());
  }
  // An answer to `query` (its id and its question) naming one exchange.
  static std::vector<uint8_t> MxReply(const std::vector<uint8_t>& query, const char* exchange) {
    DnsPacket p;
    p.Header(1, 1).Id(static_cast<uint16_t>(query.at(0) << 8 | query.at(1)));
    for (std::size_t i = 12; i < query.size(); ++i) p.U8(query[i]);
    return p.Mx(exchange).bytes();
  }

  ScriptedUdpPeer peer_;
};

TEST_F(DnsQueryAgainstScriptedPeer, SendsTheQueryBytesAndIgnoresShortForeignAndNonResponseDatagrams) {
  const uint16_t id = dns_.LookupMx("example.com");
  EXPECT_EQ(id, dns_.QueryId());
  std::vector<uint8_t> want = {0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0x07, 'e',  'x',  'a',  'm',  'p',  'l',  'e',
                               0x03, 'c',  'o',  'm',  0x00, 0x00, 0x0F, 0x00, 0x01};
  want[0] = static_cast<uint8_t>(id >> 8);
  want[1] = static_cast<uint8_t>(id);
  const std::vector<uint8_t> query = peer_.ReceiveQuery();
  EXPECT_EQ(query, want);

  std::vector<uint8_t> reply = MxReply(query, "mx.example.com");
  ScriptedUdpPeer stranger;  // a valid reply, but not from the server asked
  stranger.ReplyTo(peer_.lastSender(), MxReply(query, "spoofed.example.com"));
  peer_.Reply(std::vector<uint8_t>(reply.begin(), reply.begin() + 11));
  peer_.Reply(want);  // a query, not a response
  // From the server's own address and port, but not the answer to this query (RFC 5452): an off-path
  // sender that guesses the port still has to guess the id and repeat the question.
  std::vector<uint8_t> otherId = MxReply(query, "wrong-id.example.com");
  otherId[1] ^= 0x01;
  peer_.Reply(otherId);
  DnsPacket otherName;
  otherName.Header(1, 1).Id(id).Question("example.net").Mx("wrong-name.example.net");
  peer_.Reply(otherName.bytes());
  DnsPacket otherType;
  otherType.Header(1, 1).Id(id).Labels("example.com").U16(1).U16(1).Mx("wrong-type.example.com");
  peer_.Reply(otherType.bytes());
  peer_.Reply(reply);
  ASSERT_TRUE(AwaitDone(1));
  EXPECT_EQ(error_, 0);
  EXPECT_EQ(Hosts(dns_), std::vector<std::string>{"mx.example.com"});

  // The socket stays open after a reply: a further datagram is handled like the first.
  peer_.Reply(MxReply(query, "second.example.com"));
  ASSERT_TRUE(AwaitDone(2));
  EXPECT_EQ(Hosts(dns_), std::vector<std::string>{"second.example.com"});
  while (loop_.RunOnce(0)) {
  }
  EXPECT_EQ(done_, 2);
}

TEST_F(DnsQueryAgainstScriptedPeer, DatagramLargerThan512BytesIsCutAndReadSafely) {
  const uint16_t id = dns_.LookupMx("e.com");
  ASSERT_FALSE(peer_.ReceiveQuery().empty());
  DnsPacket p;
  p.Header(1, 30).Id(id).Question("e.com");  // 23 bytes, then 30 records of 19 bytes: 593 bytes
  for (int i = 0; i < 30; ++i) {
    p.RecordHead(15, 2 + 3 + 2).U16(10).U8(2).U8('m').U8(static_cast<uint8_t>('A' + i)).Pointer(12);
  }
  peer_.Reply(p.bytes());
  ASSERT_TRUE(AwaitDone(1));
  EXPECT_EQ(dns_.AnswerCount(), 30);
  EXPECT_EQ(dns_.MxCount(), (512 - 23) / 19);
  EXPECT_EQ(dns_.MxExchange(0), "mA.e.com");
}

TEST_F(DnsQueryAgainstScriptedPeer, LateAnswerToAnEarlierQueryIsNotTakenForTheCurrentOne) {
  dns_.LookupMx("first.com");
  const std::vector<uint8_t> first = peer_.ReceiveQuery();
  sockaddr_in firstSender = peer_.lastSender();
  dns_.LookupMx("second.com");
  const std::vector<uint8_t> second = peer_.ReceiveQuery();
  peer_.ReplyTo(firstSender, MxReply(first, "stale.example.com"));
  peer_.Reply(MxReply(first, "stale-to-the-new-port.example.com"));
  peer_.Reply(MxReply(second, "fresh.example.com"));
  ASSERT_TRUE(AwaitDone(1));
  while (loop_.RunOnce(0)) {
  }
  EXPECT_EQ(done_, 1);
  EXPECT_EQ(Hosts(dns_), std::vector<std::string>{"fresh.example.com"});
}

// Ids come from the system's random source: counting up by one would let anyone who saw one query
// predict the next.
TEST_F(DnsQueryAgainstScriptedPeer, QueryIdsAreNotACount) {
  std::vector<uint16_t> ids;
  for (int i = 0; i < 16; ++i) {
    ids.push_back(dns_.LookupMx("example.com"));
    const std::vector<uint8_t> query = peer_.ReceiveQuery();
    ASSERT_GE(query.size(), 2u);
    EXPECT_EQ(query[0] << 8 | query[1], ids.back());
  }
  int steps = 0;
  for (std::size_t i = 1; i < ids.size(); ++i) steps += static_cast<uint16_t>(ids[i] - ids[i - 1]) == 1;
  EXPECT_LT(steps, 2);  // two steps of one among fifteen random ones: about one run in 40 million
}

TEST_F(DnsQueryAgainstScriptedPeer, DomainsThatCannotBeAskedAndBadAddressesRaise) {
  for (std::string domain :
       {std::string("a..example.com"), std::string(64, 'x') + ".com", std::string(10000, 'y')}) {
    EXPECT_THROW(dns_.LookupMx(domain), dns::DnsQueryError);
  }
  dns_.SetAddr("300.1.2.3");
  EXPECT_THROW(dns_.LookupMx("example.com"), ESocketException);
  EXPECT_EQ(done_, 0);
}

}  // namespace
}  // namespace norvane
