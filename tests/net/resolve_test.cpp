#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "net/host_lookup.h"
#include "net/net_test_util.h"
#include "net/socket_errors.h"
#include "net/wsocket.h"
#include "support/dnsmasq_peer.h"

namespace norvane {
namespace {

using test::DnsmasqPeer;
using test::RunUntil;

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ESocketException& e) {
    return e.what();
  }
  return "";
}

TEST(Resolve, PortsAndProtocols) {
  EXPECT_EQ(WSocketResolvePort("25", "tcp"), 25);
  EXPECT_EQ(WSocketResolvePort("587abc", "tcp"), 587);
  EXPECT_EQ(WSocketResolvePort("smtp", "tcp"), 25);
  EXPECT_EQ(WSocketResolvePort("domain", ""), 53);
  // Where the services table lacks a name (a minimal system, or no entry for the protocol asked),
  // the well-known numbers of the services the program speaks still hold.
  EXPECT_EQ(WSocketResolvePort("smtp", "udp"), 25);
  EXPECT_EQ(WSocketResolvePort("domain", "sctp"), 53);
  EXPECT_EQ(WSocketResolveProto("tcp"), 6);
  EXPECT_EQ(WSocketResolveProto("udp"), 17);
  EXPECT_EQ(WSocketResolveProto("17"), 17);

  const std::pair<std::function<void()>, std::string> errors[] = {
      {[] { WSocketResolvePort("", "tcp"); }, "WSocketResolvePort: Invalid Port."},
      {[] { WSocketResolvePort(std::string(32, '1'), "tcp"); }, "WSocketResolvePort: Invalid Port."},
      {[] { WSocketResolvePort("nosuchservice", "tcp"); },
       "WSocketResolvePort: Cannot convert port 'nosuchservice'"},
      {[] { WSocketResolvePort("70000", "tcp"); }, "WSocketResolvePort: Cannot convert port '70000'"},
      {[] { WSocketResolveProto(""); }, "WSocketResolveProto: Invalid Protocol."},
      {[] { WSocketResolveProto("nosuch"); }, "WSocketResolveProto: Cannot convert protocol 'nosuch'"},
      {[] { WSocketResolveHost(""); }, "WSocketResolveHost: '' Invalid Hostname."},
      {[] { WSocketResolveHost(std::string(257, 'a')); },
       "WSocketResolveHost: '" + std::string(257, 'a') + "' Invalid Hostname."},
      {[] { WSocketResolveHost("10.0.0.256"); }, "WSocketResolveHost: '10.0.0.256' Invalid IP address."},
  };
  for (const auto& [call, message] : errors) EXPECT_EQ(ErrorOf(call), message);
}

TEST(Resolve, ErrorTextsAndNativeNumbers) {
  const std::pair<int, const char*> texts[] = {
      {0, "No Error"},
      {10035, "Operation would block"},
      {10054, "Connection reset by peer"},
      {10061, "Connection refused"},
      {11001, "Host not found"},
      {11004, "No Data"},
      {12345, "Not a WinSock error"},
  };
  for (const auto& [e, text] : texts) EXPECT_EQ(SocketErrorDesc(e), text) << e;

  const std::pair<int, int> natives[] = {
      {ECONNREFUSED, 10061},
      {ETIMEDOUT, 10060},
      {ECONNRESET, 10054},
      {ENOTCONN, 10057},
      {EAGAIN, 10035},
      {EADDRINUSE, 10048},
      {EHOSTUNREACH, 10065},
      {ENETUNREACH, 10051},
      {EINVAL, 10022},
      {EPIPE, 10054},
      {0, 0},
  };
  for (const auto& [native, wsa] : natives) EXPECT_EQ(WSocketErrorFromErrno(native), wsa) << native;
}

class ResolverWithDnsmasq : public ::testing::Test {
 protected:
  ResolverWithDnsmasq()
      : dns_({DnsmasqPeer::HostRecord("mail.test", "127.0.0.7"),
              DnsmasqPeer::HostRecord("163mx.test", "127.0.0.8"),
              DnsmasqPeer::Address("multi.test", "127.0.0.9")}) {
    SetResolverServers(dns_.address() + ":" + dns_.portText());
  }
  ~ResolverWithDnsmasq() override { ResetResolverServers(); }

  DnsmasqPeer dns_;
  EventLoop loop_{SystemClock()};
};

TEST_F(ResolverWithDnsmasq, LookupHostCompletesFromTheLoop) {
  _TWSocket s(loop_);
  std::vector<uint16_t> done;
  s.OnDnsLookupDone = [&](_TCustomWSocket*, uint16_t e) { done.push_back(e); };

  s.LookupHost("mail.test");
  EXPECT_TRUE(done.empty());
  ASSERT_TRUE(RunUntil(loop_, [&] { return done.size() == 1; }));
  EXPECT_EQ(done[0], 0);
  EXPECT_EQ(s.DnsResult(), "127.0.0.7");
  EXPECT_EQ(s.DnsResultList(), std::vector<std::string>{"127.0.0.7"});

  s.LookupHost("nope.test");
  ASSERT_TRUE(RunUntil(loop_, [&] { return done.size() == 2; }));
  EXPECT_EQ(done[1], WSAHOST_NOT_FOUND);
  EXPECT_EQ(s.DnsResult(), "");

  s.LookupAddress("127.0.0.7");
  ASSERT_TRUE(RunUntil(loop_, [&] { return done.size() == 3; }));
  EXPECT_EQ(done[2], 0);
  EXPECT_EQ(s.DnsResult(), "mail.test");
}

TEST_F(ResolverWithDnsmasq, ReleasingTheSocketInsideTheLookupCallbackIsSafe) {
  auto s = std::make_unique<_TWSocket>(loop_);
  s->OnDnsLookupDone = [&](_TCustomWSocket*, uint16_t) { s.reset(); };
  s->LookupHost("mail.test");
  ASSERT_TRUE(RunUntil(loop_, [&] { return s == nullptr; }));
  // And a socket destroyed with a lookup still running never hears of it.
  auto t = std::make_unique<_TWSocket>(loop_);
  t->LookupHost("mail.test");
  t.reset();
  for (int i = 0; i < 10; ++i) loop_.RunOnce(10);
}

// One lookup object keeps its resolver between lookups; it must still follow a change of servers
// and never deliver a lookup it was told to drop.
TEST_F(ResolverWithDnsmasq, ALookupObjectFollowsServerChangesAndDropsCancelledLookups) {
  HostLookup lookup(loop_);
  std::vector<HostLookupResult> done;
  auto start = [&](const std::string& name) {
    ASSERT_EQ(lookup.StartByName(name, [&](const HostLookupResult& r) { done.push_back(r); }), 0);
  };
  auto addressOf = [&](std::size_t i) { return done[i].addresses.empty() ? "" : done[i].addresses.front(); };

  start("mail.test");
  ASSERT_TRUE(RunUntil(loop_, [&] { return done.size() == 1; }));
  EXPECT_EQ(addressOf(0), "127.0.0.7");
  EXPECT_FALSE(lookup.Pending());

  DnsmasqPeer other({DnsmasqPeer::HostRecord("mail.test", "127.0.0.17")});
  SetResolverServers(other.address() + ":" + other.portText());
  start("mail.test");
  ASSERT_TRUE(RunUntil(loop_, [&] { return done.size() == 2; }));
  EXPECT_EQ(addressOf(1), "127.0.0.17");

  SetResolverServers(dns_.address() + ":" + dns_.portText());
  start("mail.test");
  EXPECT_TRUE(lookup.Pending());
  lookup.Cancel();
  EXPECT_FALSE(lookup.Pending());
  start("163mx.test");
  ASSERT_TRUE(RunUntil(loop_, [&] { return done.size() == 3; }));
  EXPECT_EQ(addressOf(2), "127.0.0.8");
  for (int i = 0; i < 5; ++i) loop_.RunOnce(10);
  EXPECT_EQ(done.size(), 3u);
}

TEST_F(ResolverWithDnsmasq, BlockingResolveUsesTheSameServers) {
  auto dotted = [](uint32_t a) {
    char text[16];
    inet_ntop(AF_INET, &a, text, sizeof text);
    return std::string(text);
  };
  EXPECT_EQ(dotted(WSocketResolveHost(" mail.test ")), "127.0.0.7");
  EXPECT_EQ(dotted(WSocketResolveHost("163mx.test")), "127.0.0.8");  // a name may start with a digit
  EXPECT_EQ(ErrorOf([] { WSocketResolveHost("nope.test"); }),
            "WSocketResolveHost: Cannot convert host address 'nope.test'");
}

}  // namespace
}  // namespace norvane
