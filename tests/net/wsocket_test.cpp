#include "net/wsocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "net/net_test_util.h"
#include "net/socket_errors.h"

namespace norvane {
namespace {

using test::LoopbackListener;
using test::RunUntil;

class WSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Nothing in these tests may reach a DNS server outside loopback.
    SetResolverServers("127.0.0.1:9", true);
  }
  void TearDown() override { ResetResolverServers(); }

  void Connect(_TWSocket& s, const std::string& port, const std::string& proto = "tcp") {
    s.SetProto(proto);
    s.SetAddr("127.0.0.1");
    s.SetPort(port);
    s.Connect();
  }

  EventLoop loop_{SystemClock()};
};

TEST_F(WSocketTest, TcpExchangeInBothDirectionsAndClose) {
  LoopbackListener listener(loop_);
  std::unique_ptr<_TWSocket> server;
  std::string atServer, atClient, log;
  listener.onAccept = [&](std::unique_ptr<_TWSocket> peer) {
    server = std::move(peer);
    server->OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
      std::string text = s->ReceiveText();
      atServer += text;
      if (atServer == "HELO client\r\n") s->SendText("250 hello\r\n");
    };
    server->OnSessionClosed = [&](_TCustomWSocket*, uint16_t) { log += "server-closed;"; };
  };

  _TWSocket client(loop_);
  std::vector<TSocketState> states;
  client.OnChangeState = [&](_TCustomWSocket*, TSocketState, TSocketState now) { states.push_back(now); };
  client.OnSessionConnected = [&](_TCustomWSocket* s, uint16_t error) {
    log += "connected " + std::to_string(error) + ";";
    EXPECT_EQ(s->PeerAddress(), "127.0.0.1");
    s->SendText("HELO client\r\n");
  };
  client.OnDataSent = [&](_TCustomWSocket*, uint16_t) { log += "sent;"; };
  client.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) { atClient += s->ReceiveText(); };
  Connect(client, listener.port());
  EXPECT_EQ(client.state(), wsConnecting);
  EXPECT_EQ(log, "");  // the outcome never arrives inside Connect

  ASSERT_TRUE(RunUntil(loop_, [&] { return atClient == "250 hello\r\n"; }));
  EXPECT_EQ(atServer, "HELO client\r\n");
  EXPECT_EQ(log, "connected 0;sent;");
  EXPECT_EQ(client.ReadCount(), 11);
  EXPECT_EQ(client.LocalPortText(), std::to_string(ntohs([&] {
              sockaddr_in a{};
              socklen_t l = sizeof a;
              getsockname(client.HSocket(), reinterpret_cast<sockaddr*>(&a), &l);
              return a.sin_port;
            }())));

  client.Close();
  EXPECT_EQ(client.state(), wsClosed);
  EXPECT_EQ(states, (std::vector<TSocketState>{wsOpened, wsConnecting, wsConnected, wsClosed}));
  ASSERT_TRUE(RunUntil(loop_, [&] { return log.find("server-closed;") != std::string::npos; }));
  EXPECT_EQ(client.PeerAddress(), "error");
  EXPECT_EQ(client.LocalPortText(), "error");
}

TEST_F(WSocketTest, DataWaitingWhenThePeerClosesArrivesBeforeSessionClosed) {
  LoopbackListener listener(loop_);
  listener.onAccept = [&](std::unique_ptr<_TWSocket> peer) {
    peer->SendText(std::string(300, 'x'));
    peer->Close();
  };
  _TWSocket client(loop_);
  std::string log;
  size_t received = 0;
  client.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
    char buf[64];  // a small buffer: the handler is called again while bytes wait
    int n = s->Receive(buf, sizeof buf);
    if (n > 0) received += static_cast<size_t>(n);
    log += "data;";
  };
  client.OnSessionClosed = [&](_TCustomWSocket*, uint16_t) {
    EXPECT_EQ(received, 300u);
    log += "closed;";
  };
  Connect(client, listener.port());
  ASSERT_TRUE(RunUntil(loop_, [&] { return client.state() == wsClosed; }));
  EXPECT_EQ(received, 300u);
  EXPECT_EQ(log.substr(log.size() - 7), "closed;");
  EXPECT_EQ(log.find("closed;"), log.size() - 7);  // exactly one close notification
}

TEST_F(WSocketTest, ThePeersEndIsHeardByReadersThatTakeBytesAndByOnesThatTakeNone) {
  // The end of the stream is learnt from the reader's own receive; a reader that receives
  // nothing must hear it all the same, and a reset must say so.
  struct Case {
    bool readerReceives;
    bool reset;  // the peer closes with a reset instead of an orderly end
    uint16_t expected;
  };
  for (const Case c : {Case{true, false, 0}, Case{false, false, 0}, Case{true, true, WSAECONNRESET},
                       Case{false, true, WSAECONNRESET}}) {
    SCOPED_TRACE(testing::Message() << "receives " << c.readerReceives << " reset " << c.reset);
    LoopbackListener listener(loop_);
    listener.onAccept = [&](std::unique_ptr<_TWSocket> peer) {
      const int last = c.reset ? dup(peer->HSocket()) : -1;
      peer->Abort();
      if (last >= 0) {
        linger hard{1, 0};
        setsockopt(last, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(last);
      }
    };
    _TWSocket client(loop_);
    int closes = 0;
    uint16_t closeError = 0;
    client.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
      if (!c.readerReceives) return;
      char buffer[16];
      s->Receive(buffer, sizeof buffer);
    };
    client.OnSessionClosed = [&](_TCustomWSocket*, uint16_t error) {
      ++closes;
      closeError = error;
    };
    Connect(client, listener.port());
    ASSERT_TRUE(RunUntil(loop_, [&] { return client.state() == wsClosed; }));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(closeError, c.expected);
  }
}

TEST_F(WSocketTest, RefusedConnectionReports10061ThenCloses) {
  // A bound socket that does not listen refuses connections; keeping it open keeps the port ours.
  int holder = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  getsockname(holder, reinterpret_cast<sockaddr*>(&a), &len);

  _TWSocket client(loop_);
  std::string log;
  client.OnSessionConnected = [&](_TCustomWSocket*, uint16_t e) {
    log += "connected " + std::to_string(e) + ";";
  };
  client.OnSessionClosed = [&](_TCustomWSocket*, uint16_t e) { log += "closed " + std::to_string(e) + ";"; };
  Connect(client, std::to_string(ntohs(a.sin_port)));
  ASSERT_TRUE(RunUntil(loop_, [&] { return client.state() == wsClosed; }));
  EXPECT_EQ(log, "connected 10061;closed 0;");
  close(holder);
}

TEST_F(WSocketTest, UdpConnectsInsideConnectAndExchangesDatagrams) {
  _TWSocket server(loop_);
  server.SetProto("udp");
  server.SetAddr("127.0.0.1");
  server.SetPort("0");
  bool serverUp = false;
  server.OnSessionConnected = [&](_TCustomWSocket*, uint16_t e) { serverUp = e == 0; };
  server.Listen();
  EXPECT_TRUE(serverUp);
  EXPECT_EQ(server.state(), wsConnected);
  server.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
    char buf[512];
    sockaddr_in from{};
    int n = s->ReceiveFrom(buf, sizeof buf, from);
    ASSERT_GT(n, 0);
    s->SendTo(from, ("re:" + std::string(buf, static_cast<size_t>(n))).data(), n + 3);
  };

  _TWSocket client(loop_);
  bool connectedInside = false;
  client.OnSessionConnected = [&](_TCustomWSocket*, uint16_t e) { connectedInside = e == 0; };
  std::vector<std::string> replies;
  client.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
    char buf[512];
    int n = s->Receive(buf, sizeof buf);
    if (n > 0) replies.emplace_back(buf, static_cast<size_t>(n));
  };
  Connect(client, server.LocalPortText(), "udp");
  EXPECT_TRUE(connectedInside);
  EXPECT_EQ(client.state(), wsConnected);
  EXPECT_NE(client.LocalPort(), "0");  // a datagram socket is always bound
  EXPECT_EQ(client.PeerAddress(), "127.0.0.1");
  client.SendText("one");
  client.SendText("two");
  ASSERT_TRUE(RunUntil(loop_, [&] { return replies.size() == 2; }));
  EXPECT_EQ(replies, (std::vector<std::string>{"re:one", "re:two"}));  // datagram boundaries kept
}

TEST_F(WSocketTest, MisuseRaisesOrFiresOnError) {
  _TWSocket s(loop_);
  try {
    s.SendText("x");
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Error 10057 in function Send\r\nSocket is not connected");
  }
  EXPECT_EQ(s.LastError(), WSAENOTCONN);

  struct Case {
    std::function<void()> call;
    const char* message;
  };
  const Case cases[] = {
      {[&] { s.Connect(); }, "Connect: No Port Specified"},
      {[&] {
         s.SetPort("25");
         s.Connect();
       },
       "Connect: No IP Address Specified"},
      {[&] {
         s.SetAddr("127.0.0.1");
         s.SetProto("");
         s.Connect();
       },
       "Connect: No Protocol Specified"},
      {[&] {
         s.SetProto("bogus");
         s.Connect();
       },
       "connect: WSocketResolveProto: Cannot convert protocol 'bogus'"},
      {[&] {
         s.SetProto("tcp");
         s.SetAddr("1.2.3.400");
         s.Connect();
       },
       "connect: WSocketResolveHost: '1.2.3.400' Invalid IP address."},
      {[&] { s.SetSendFlags(7); }, "Invalid SendFlags"},
      {[&] { s.LookupHost(""); }, "DNS lookup: invalid host name."},
      {[&] { s.Accept(); }, "not a listening socket"},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << "no exception for " << c.message;
    } catch (const ESocketException& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }

  int errors = 0;
  std::vector<uint16_t> lookups;
  s.OnError = [&](_TCustomWSocket*) { ++errors; };
  s.OnDnsLookupDone = [&](_TCustomWSocket*, uint16_t e) { lookups.push_back(e); };
  EXPECT_EQ(s.SendText("x"), -1);
  s.LookupHost("");  // with OnError set the lookup still completes, with 10022
  EXPECT_EQ(errors, 2);
  EXPECT_EQ(lookups, std::vector<uint16_t>{WSAEINVAL});
}

TEST_F(WSocketTest, PropertiesAreFrozenWhileOpenAndResetByClose) {
  LoopbackListener listener(loop_);
  std::unique_ptr<_TWSocket> server;
  listener.onAccept = [&](std::unique_ptr<_TWSocket> p) { server = std::move(p); };
  _TWSocket s(loop_);
  Connect(s, listener.port());
  ASSERT_TRUE(RunUntil(loop_, [&] { return s.state() == wsConnected; }));

  EXPECT_NO_THROW(s.SetPort(" " + listener.port() + " "));  // the same value (trimmed) is a no-op
  EXPECT_NO_THROW(s.SetAddr("127.0.0.1"));
  const std::pair<std::function<void()>, const char*> refused[] = {
      {[&] { s.SetPort("26"); }, "Cannot change Port if not closed"},
      {[&] { s.SetAddr("127.0.0.2"); }, "Cannot change Addr if not closed"},
      {[&] { s.SetProto("udp"); }, "Cannot change Proto if not closed"},
      {[&] { s.SetLocalPort("1234"); }, "Cannot change LocalPort if not closed"},
      {[&] { s.Connect(); }, "Connect: Socket already in use"},
  };
  for (const auto& [call, message] : refused) {
    try {
      call();
      ADD_FAILURE() << message;
    } catch (const ESocketException& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }

  s.SetLingerOnOff(wsLingerNoSet);
  s.Close();
  EXPECT_EQ(s.port(), "");
  EXPECT_EQ(s.Addr(), "");
  EXPECT_EQ(s.proto(), "tcp");
  EXPECT_EQ(s.LocalPort(), "0");
  EXPECT_EQ(s.LingerOnOff(), wsLingerOn);
  try {
    s.Connect();
    FAIL();
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Connect: No Port Specified");
  }
}

TEST_F(WSocketTest, LookupHostOfADottedAddressCompletesInsideTheCall) {
  _TWSocket s(loop_);
  std::vector<uint16_t> done;
  s.OnDnsLookupDone = [&](_TCustomWSocket*, uint16_t e) { done.push_back(e); };
  s.LookupHost("127.0.0.1");
  EXPECT_EQ(done, std::vector<uint16_t>{0});
  EXPECT_EQ(s.DnsResult(), "127.0.0.1");
  EXPECT_TRUE(s.DnsResultList().empty());
}

TEST_F(WSocketTest, LookupHostFromTheHostsFileCompletesFromTheLoop) {
  _TWSocket s(loop_);
  std::vector<uint16_t> done;
  s.OnDnsLookupDone = [&](_TCustomWSocket*, uint16_t e) { done.push_back(e); };
  s.LookupHost("localhost");
  EXPECT_TRUE(done.empty());
  ASSERT_TRUE(RunUntil(loop_, [&] { return !done.empty(); }));
  EXPECT_EQ(done, std::vector<uint16_t>{0});
  EXPECT_EQ(s.DnsResult(), "127.0.0.1");
  ASSERT_FALSE(s.DnsResultList().empty());
  EXPECT_EQ(s.DnsResultList().front(), "127.0.0.1");

  s.LookupHost("localhost");
  s.CancelLookup();  // a cancelled lookup completes at once with 10004 and never again
  EXPECT_EQ(done, (std::vector<uint16_t>{0, WSAEINTR}));
  loop_.RunOnce(0);
  EXPECT_EQ(done.size(), 2u);
}

// A socket whose network takes `budget` bytes and then reports "would block" once.
class ThrottledSocket : public _TWSocket {
 public:
  using _TWSocket::_TWSocket;
  int budget = 1514;
  std::vector<int> blocks() const {
    std::vector<int> v;
    for (const auto& b : sendQueue_) v.push_back(b->Unread());
    return v;
  }

 protected:
  int RealSend(const void* data, int length) override {
    if (budget == 0) {
      budget = -1;  // later calls pass straight through
      SetPlatformError(WSAEWOULDBLOCK);
      return -1;
    }
    if (budget > 0) length = std::min(length, budget), budget -= length;
    return _TWSocket::RealSend(data, length);
  }
};

// OnBytesWritten reports what the network took, as it takes it; bytes only queued are no progress.
TEST_F(WSocketTest, PartialSendKeepsTheRestQueuedAndReportsDataSentOnce) {
  // The network takes `budget` bytes of a 4000-byte send and then would block once.
  struct Case {
    int budget;
    std::vector<int> queued;
    std::size_t writtenBySend;
  };
  const Case cases[] = {{1514, {1514, 972}, 1514}, {0, {1514, 1514, 972}, 0}, {100, {1514, 1514, 872}, 100}};
  std::string data;
  for (int i = 0; i < 4000; ++i) data.push_back(static_cast<char>('a' + i % 26));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.budget);
    LoopbackListener listener(loop_);
    std::unique_ptr<_TWSocket> server;
    std::string atServer;
    listener.onAccept = [&](std::unique_ptr<_TWSocket> p) {
      server = std::move(p);
      server->OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) { atServer += s->ReceiveText(); };
    };
    ThrottledSocket client(loop_);
    client.budget = c.budget;
    int sent = 0;
    client.OnDataSent = [&](_TCustomWSocket*, uint16_t) { ++sent; };
    std::size_t written = 0;
    client.OnBytesWritten = [&](_TCustomWSocket* sender, std::size_t count) {
      EXPECT_EQ(sender, &client);
      EXPECT_GT(count, 0u);
      written += count;
    };
    Connect(client, listener.port());
    ASSERT_TRUE(RunUntil(loop_, [&] { return client.state() == wsConnected; }));

    EXPECT_EQ(client.Send(data.data(), 4000), 4000);
    EXPECT_EQ(written, c.writtenBySend);
    EXPECT_EQ(client.blocks(), c.queued);
    EXPECT_FALSE(client.AllSent());
    EXPECT_EQ(sent, 0);
    ASSERT_TRUE(RunUntil(loop_, [&] { return atServer.size() == 4000 && sent > 0; }));
    for (int i = 0; i < 5; ++i) loop_.RunOnce(0);
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(written, 4000u);
    EXPECT_EQ(atServer, data);
    EXPECT_EQ(client.blocks(), std::vector<int>{0});  // the last block stays for reuse
    EXPECT_EQ(client.Send(data.data(), 0), 0);        // nothing queued, nothing owed
    EXPECT_TRUE(client.AllSent());
  }
}

TEST_F(WSocketTest, ACallbackMayDestroyItsSocket) {
  // Each case destroys the client from inside one of its own callbacks; ASan catches any later
  // use of the freed socket by the notification code.
  LoopbackListener listener(loop_);
  std::vector<std::unique_ptr<_TWSocket>> servers;
  listener.onAccept = [&](std::unique_ptr<_TWSocket> p) {
    p->SendText("data");
    p->Close();
    servers.push_back(std::move(p));
  };
  const char* where[] = {"connected", "data", "closed", "state"};
  for (const char* w : where) {
    SCOPED_TRACE(w);
    auto client = std::make_unique<_TWSocket>(loop_);
    auto kill = [&client](const char* at, const char* w) {
      if (std::string(at) == w) client.reset();
    };
    client->OnSessionConnected = [&, w](_TCustomWSocket*, uint16_t) { kill("connected", w); };
    client->OnDataAvailable = [&, w](_TCustomWSocket* s, uint16_t) {
      s->ReceiveText();
      kill("data", w);
    };
    client->OnSessionClosed = [&, w](_TCustomWSocket*, uint16_t) { kill("closed", w); };
    client->OnChangeState = [&, w](_TCustomWSocket*, TSocketState, TSocketState now) {
      if (now == wsClosed) kill("state", w);
    };
    Connect(*client, listener.port());
    ASSERT_TRUE(RunUntil(loop_, [&] { return client == nullptr; }));
    for (int i = 0; i < 3; ++i) loop_.RunOnce(0);
  }
}

TEST_F(WSocketTest, FlushAndWaitForCloseDispatchEventsUntilDone) {
  LoopbackListener listener(loop_);
  std::unique_ptr<_TWSocket> server;
  size_t atServer = 0;
  listener.onAccept = [&](std::unique_ptr<_TWSocket> p) {
    server = std::move(p);
    server->OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
      char buf[65536];
      int n = s->Receive(buf, sizeof buf);
      if (n > 0) atServer += static_cast<size_t>(n);
      if (atServer == 8u << 20) {
        s->SendText("bye");
        s->Close();
      }
    };
  };
  _TWSocket client(loop_);
  std::string got;
  client.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) { got += s->ReceiveText(); };
  Connect(client, listener.port());
  ASSERT_TRUE(RunUntil(loop_, [&] { return client.state() == wsConnected && server; }));

  std::string big(8u << 20, 'z');  // more than the kernel buffers take at once
  client.Send(big.data(), static_cast<int>(big.size()));
  EXPECT_FALSE(client.AllSent());
  client.Flush();  // the server reads during the nested dispatch, so the queue drains
  EXPECT_TRUE(client.AllSent());
  client.WaitForClose();
  EXPECT_EQ(atServer, big.size());
  EXPECT_EQ(got, "bye");
  // The wait may end on the reset itself; the close notification then follows from the loop.
  EXPECT_TRUE(RunUntil(loop_, [&] { return client.state() == wsClosed; }));
}

TEST_F(WSocketTest, ExceptionsInCallbacksBecomeBackgroundExceptions) {
  LoopbackListener listener(loop_);
  std::unique_ptr<_TWSocket> server;
  listener.onAccept = [&](std::unique_ptr<_TWSocket> p) { server = std::move(p); };
  _TWSocket client(loop_);
  std::string seen;
  client.OnSessionConnected = [&](_TCustomWSocket*, uint16_t) { throw std::runtime_error("boom"); };
  client.OnBgException = [&](_TCustomWSocket*, const std::exception& e, bool& canClose) {
    seen = e.what();
    EXPECT_TRUE(canClose);
  };
  Connect(client, listener.port());
  ASSERT_TRUE(RunUntil(loop_, [&] { return !seen.empty(); }));
  EXPECT_EQ(seen, "boom");
  EXPECT_EQ(client.state(), wsClosed);  // CanClose left true: the socket was aborted
}

TEST_F(WSocketTest, PausedSocketHearsNothingUntilResumed) {
  LoopbackListener listener(loop_);
  std::unique_ptr<_TWSocket> server;
  listener.onAccept = [&](std::unique_ptr<_TWSocket> p) {
    server = std::move(p);
    server->SendText("ping");
  };
  _TWSocket client(loop_);
  std::string got;
  client.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) { got += s->ReceiveText(); };
  client.OnSessionConnected = [&](_TCustomWSocket* s, uint16_t) { s->Pause(); };
  Connect(client, listener.port());
  ASSERT_TRUE(RunUntil(loop_, [&] { return server != nullptr; }));
  for (int i = 0; i < 20; ++i) loop_.RunOnce(5);
  EXPECT_EQ(got, "");
  client.Resume();
  ASSERT_TRUE(RunUntil(loop_, [&] { return got == "ping"; }));
}

}  // namespace
}  // namespace norvane
