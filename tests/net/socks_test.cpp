#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/net_test_util.h"
#include "net/wsocket.h"
#include "support/danted_peer.h"

namespace norvane {
namespace {

using test::DantedPeer;
using test::LoopbackListener;
using test::RunUntil;

// What the owner of a socket saw, in order.
struct Journal {
  std::vector<std::string> events;
  std::string data;
  std::vector<int> authStates;

  void Attach(_TWSocket& s) {
    s.OnSessionConnected = [this](_TCustomWSocket*, uint16_t e) {
      events.push_back("connected " + std::to_string(e));
    };
    s.OnSessionClosed = [this](_TCustomWSocket*, uint16_t e) {
      events.push_back("closed " + std::to_string(e));
    };
    s.OnSocksError = [this](_TCustomWSocket*, int e, const std::string& msg) {
      events.push_back("socks error " + std::to_string(e) + " " + msg);
    };
    s.OnSocksAuthState = [this](_TCustomWSocket*, int state) { authStates.push_back(state); };
    s.OnDataAvailable = [this](_TCustomWSocket* sender, uint16_t) {
      char buf[256];
      int n = sender->Receive(buf, sizeof buf);
      if (n > 0) data.append(buf, static_cast<size_t>(n));
    };
  }
};

// A destination that answers every chunk with "echo:" + the chunk.
class EchoServer {
 public:
  explicit EchoServer(EventLoop& loop) : listener_(loop) {
    listener_.onAccept = [this](std::unique_ptr<_TWSocket> peer) {
      peer->OnDataAvailable = [](_TCustomWSocket* s, uint16_t) {
        std::string text = s->ReceiveText();
        if (!text.empty()) s->SendText("echo:" + text);
      };
      peers_.push_back(std::move(peer));
    };
  }
  const std::string& port() const { return listener_.port(); }

 private:
  LoopbackListener listener_;
  std::vector<std::unique_ptr<_TWSocket>> peers_;
};

class SocksTest : public ::testing::Test {
 protected:
  void SetUp() override { SetResolverServers("127.0.0.1:9", true); }
  void TearDown() override { ResetResolverServers(); }

  void Configure(_TWSocket& s, const std::string& proxyPort, const std::string& level,
                 const std::string& destPort) {
    s.SetProto("tcp");
    s.SetAddr("127.0.0.1");
    s.SetPort(destPort);
    s.SetSocksServer("127.0.0.1");
    s.SetSocksPort(proxyPort);
    s.SetSocksLevel(level);
  }

  EventLoop loop_{SystemClock()};
};

TEST_F(SocksTest, ConnectsThroughARealProxyAtEveryLevel) {
  DantedPeer proxy;
  EchoServer echo(loop_);
  // The proxy has no SOCKS 4A; the 4A request bytes are checked against a scripted proxy below.
  for (const char* level : {"5", "4"}) {
    SCOPED_TRACE(level);
    _TWSocket s(loop_);
    Journal j;
    j.Attach(s);
    int socksConnected = -1;
    s.OnSocksConnected = [&](_TCustomWSocket*, uint16_t e) { socksConnected = e; };
    Configure(s, proxy.portText(), level, echo.port());
    s.Connect();
    ASSERT_TRUE(RunUntil(loop_, [&] { return !j.events.empty(); }));
    EXPECT_EQ(socksConnected, 0);
    ASSERT_EQ(j.events, std::vector<std::string>{"connected 0"});
    s.SendText("hi");
    ASSERT_TRUE(RunUntil(loop_, [&] { return j.data == "echo:hi"; }));
    s.Close();
    EXPECT_EQ(s.SocksServer(), "");  // SOCKS must be configured again for the next connection
    EXPECT_EQ(s.SocksLevel(), "5");
  }
}

TEST_F(SocksTest, UserNameAuthenticationWithARealProxy) {
  DantedPeer proxy(DantedPeer::WithUser("alice", DantedPeer::kPassword));
  EchoServer echo(loop_);
  struct Case {
    const char* password;
    std::vector<std::string> events;
    std::vector<int> authStates;
  };
  const Case cases[] = {
      {DantedPeer::kPassword, {"connected 0"}, {socksAuthStart, socksAuthSuccess}},
      {"wrong",
       {"socks error 20015 socks authentication failed", "connected 20015", "closed 20015"},
       {socksAuthStart, socksAuthFailure}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    _TWSocket s(loop_);
    Journal j;
    j.Attach(s);
    Configure(s, proxy.portText(), "5", echo.port());
    s.SetSocksUsercode("alice");
    s.SetSocksPassword(c.password);
    s.SetSocksAuthentication(socksAuthenticateUsercode);
    s.Connect();
    ASSERT_TRUE(RunUntil(loop_, [&] { return j.events.size() >= c.events.size(); }));
    EXPECT_EQ(j.events, c.events);
    EXPECT_EQ(j.authStates, c.authStates);
    if (s.state() == wsConnected) {
      s.SendText("secret");
      ASSERT_TRUE(RunUntil(loop_, [&] { return j.data == "echo:secret"; }));
    }
  }
}

// A proxy that answers with scripted bytes: each step waits until `total` request bytes have
// arrived, then sends `reply`. It records every byte it got.
class ScriptedProxy {
 public:
  struct Step {
    size_t total;
    std::string reply;
  };
  ScriptedProxy(EventLoop& loop, std::vector<Step> steps) : listener_(loop), steps_(std::move(steps)) {
    listener_.onAccept = [this](std::unique_ptr<_TWSocket> peer) {
      peer->OnDataAvailable = [this](_TCustomWSocket* s, uint16_t) {
        received += s->ReceiveText();
        while (next_ < steps_.size() && received.size() >= steps_[next_].total)
          s->SendText(steps_[next_++].reply);
      };
      peer_ = std::move(peer);
    };
  }
  const std::string& port() const { return listener_.port(); }
  std::string received;

 private:
  LoopbackListener listener_;
  std::vector<Step> steps_;
  size_t next_ = 0;
  std::unique_ptr<_TWSocket> peer_;
};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST_F(SocksTest, Socks5RequestBytesAndLeftoverDataAfterTheReply) {
  // Method selection 05 01 00 (3 bytes), then the connect request with the name "127.0.0.1"
  // (5 + 9 + 2 = 16 bytes); the success reply carries three bytes of destination data behind it.
  ScriptedProxy proxy(loop_, {{3, Bytes({5, 0})}, {19, Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0, 25}) + "abc"}});
  _TWSocket s(loop_);
  Journal j;
  j.Attach(s);
  Configure(s, proxy.port(), "5", "25");
  s.Connect();
  ASSERT_TRUE(RunUntil(loop_, [&] { return j.data == "abc"; }));
  EXPECT_EQ(j.events, std::vector<std::string>{"connected 0"});
  EXPECT_EQ(proxy.received, Bytes({5, 1, 0}) + Bytes({5, 1, 0, 3, 9}) + "127.0.0.1" + Bytes({0, 25}));
}

TEST_F(SocksTest, Socks4RequestLayouts) {
  struct Case {
    const char* level;
    std::string expected;
  };
  const Case cases[] = {
      {"4", Bytes({4, 1, 0, 25, 127, 0, 0, 1}) + "ab" + Bytes({0})},  // 11 bytes
      {"4a", Bytes({4, 1, 0, 25, 0, 0, 0, 1}) + "ab" + Bytes({0}) + "127.0.0.1" + Bytes({0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    ScriptedProxy proxy(loop_, {{c.expected.size(), Bytes({0, 90, 0, 0, 0, 0, 0, 0})}});
    _TWSocket s(loop_);
    Journal j;
    j.Attach(s);
    Configure(s, proxy.port(), c.level, "25");
    s.SetSocksUsercode("ab");
    s.Connect();
    ASSERT_TRUE(RunUntil(loop_, [&] { return !j.events.empty(); }));
    EXPECT_EQ(j.events, std::vector<std::string>{"connected 0"});
    EXPECT_EQ(proxy.received, c.expected);
  }
}

TEST_F(SocksTest, FailureRepliesReachTheOwnerWithTheirNumbersAndTexts) {
  const std::string ok5 = Bytes({5, 0});
  struct Case {
    const char* level;
    std::vector<ScriptedProxy::Step> steps;
    int code;
    std::string text;
  };
  auto reply5 = [&](int code) {
    return std::vector<ScriptedProxy::Step>{{3, ok5}, {19, Bytes({5, code, 0, 1})}};
  };
  auto reply4 = [&](int code) {
    return std::vector<ScriptedProxy::Step>{{9, Bytes({0, code, 0, 0, 0, 0, 0, 0})}};
  };
  const Case cases[] = {
      {"5", reply5(1), 20004, "general SOCKS server failure"},
      {"5", reply5(2), 20005, "connection not allowed by ruleset"},
      {"5", reply5(3), 20006, "network unreachable"},
      {"5", reply5(4), 20007, "host unreachable"},
      {"5", reply5(5), 20008, "connection refused"},
      {"5", reply5(6), 20009, "time to live expired"},
      {"5", reply5(7), 20010, "command not supported"},
      {"5", reply5(8), 20011, "address type not supported"},
      {"5", reply5(9), 20012, "unassigned error #9"},
      {"5", {{3, ok5}, {19, Bytes({5, 0, 0, 4, 0})}}, 20011, "address type not supported"},
      {"5", {{3, ok5}, {19, Bytes({4, 0})}}, 20002, "socks version error"},
      {"5", {{3, Bytes({4, 0})}}, 20002, "socks version error"},
      {"5", {{3, Bytes({5, 0xFF})}}, 20003, "authentification method not acceptable"},
      {"5", {{3, Bytes({5, 0, 0})}}, 20001, "too much data availaible"},
      {"4", reply4(91), 20016, "request rejected or failed"},
      {"4", reply4(92), 20008, "connection refused"},
      {"4", reply4(93), 20015, "authentification failed"},
      {"4", reply4(7), 20012, "unassigned error #7"},
      {"4", {{9, Bytes({1, 90, 0, 0, 0, 0, 0, 0})}}, 20002, "socks version error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptedProxy proxy(loop_, c.steps);
    _TWSocket s(loop_);
    Journal j;
    j.Attach(s);
    Configure(s, proxy.port(), c.level, "25");
    s.Connect();
    ASSERT_TRUE(RunUntil(loop_, [&] { return j.events.size() >= 3; }));
    std::string n = std::to_string(c.code);
    EXPECT_EQ(j.events,
              (std::vector<std::string>{"socks error " + n + " " + c.text, "connected " + n, "closed " + n}));
    EXPECT_EQ(s.state(), wsClosed);
  }
}

TEST_F(SocksTest, ACallbackMayDestroyTheSocketDuringTheHandshake) {
  // Destroyed from OnSocksError (failure path) and from OnSessionConnected with bytes left over
  // after the reply (success path, which goes on to deliver them); ASan sees any later use.
  const std::string ok5 = Bytes({5, 0});
  const std::vector<ScriptedProxy::Step> failure = {{3, ok5}, {19, Bytes({5, 5, 0, 1})}};
  const std::vector<ScriptedProxy::Step> success = {{3, ok5},
                                                    {19, Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0, 25}) + "abc"}};
  for (bool onError : {true, false}) {
    SCOPED_TRACE(onError);
    ScriptedProxy proxy(loop_, onError ? failure : success);
    auto s = std::make_unique<_TWSocket>(loop_);
    Journal j;
    j.Attach(*s);
    if (onError) {
      s->OnSocksError = [&](_TCustomWSocket*, int, const std::string&) { s.reset(); };
    } else {
      s->OnSessionConnected = [&](_TCustomWSocket*, uint16_t) { s.reset(); };
    }
    Configure(*s, proxy.port(), "5", "25");
    s->Connect();
    ASSERT_TRUE(RunUntil(loop_, [&] { return s == nullptr; }));
    for (int i = 0; i < 3; ++i) loop_.RunOnce(0);
    EXPECT_EQ(j.data, "");
  }
}

TEST_F(SocksTest, ClosingDuringAuthenticationReportsAuthFailure) {
  ScriptedProxy proxy(loop_, {{3, Bytes({5, 2})}});
  _TWSocket s(loop_);
  Journal j;
  j.Attach(s);
  Configure(s, proxy.port(), "5", "25");
  s.SetSocksAuthentication(socksAuthenticateUsercode);
  s.SetSocksUsercode("u");
  s.SetSocksPassword("p");
  s.Connect();
  ASSERT_TRUE(RunUntil(loop_, [&] { return proxy.received.size() == 3 + 5; }));
  EXPECT_EQ(proxy.received.substr(3), Bytes({1, 1}) + "u" + Bytes({1}) + "p");
  s.Close();
  EXPECT_EQ(j.authStates, (std::vector<int>{socksAuthStart, socksAuthFailure}));
}

TEST_F(SocksTest, PropertyRules) {
  _TWSocket s(loop_);
  s.SetSocksLevel("4a");
  EXPECT_EQ(s.SocksLevel(), "4A");
  s.SetSocksServer("  127.0.0.1 ");
  EXPECT_EQ(s.SocksServer(), "127.0.0.1");
  const std::pair<std::function<void()>, const char*> refused[] = {
      {[&] { s.SetSocksLevel("6"); }, "Invalid socks level. Must be 4, 4A or 5."},
      {[&] {
         s.SetProto("udp");
         s.SetAddr("127.0.0.1");
         s.SetPort("53");
         s.Connect();
       },
       "tcp is the only protocol supported thru socks server"},
      {[&] { s.Listen(); }, "listening is not supported thru socks server"},
  };
  for (const auto& [call, message] : refused) {
    try {
      call();
      ADD_FAILURE() << message;
    } catch (const ESocketException& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }

  ScriptedProxy proxy(loop_, {});
  s.SetProto("tcp");
  s.SetSocksPort(proxy.port());
  s.Connect();
  ASSERT_TRUE(RunUntil(loop_, [&] { return proxy.received.size() == 19; }));  // a 4A request
  const std::pair<std::function<void()>, const char*> whileOpen[] = {
      {[&] { s.SetSocksServer("x"); }, "Can't change socks server if not closed"},
      {[&] { s.SetSocksPort("1"); }, "Can't change socks port if not closed"},
      {[&] { s.SetSocksLevel("5"); }, "Can't change socks level if not closed"},
  };
  for (const auto& [call, message] : whileOpen) {
    try {
      call();
      ADD_FAILURE() << message;
    } catch (const ESocketException& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

}  // namespace
}  // namespace norvane
