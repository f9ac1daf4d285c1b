// The socket's TLS mode against a real TLS server (openssl s_server) for the handshake, the
// certificate checks and bytes in both directions, and against scripted peers for the faults a
// real server does not make: plain text where a handshake belongs, a close in the middle of it,
// records that do not decrypt.
#include "net/tls_wsocket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <memory>
#include <string>
#include <vector>

#include "net/net_test_util.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"
#include "net/wsocket.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"
#include "support/tls_echo_peer.h"

namespace norvane {
namespace {

using test::LoopbackListener;
using test::RunUntil;

// A client that starts TLS as soon as it is connected and notes what happens, in order.
class TlsClient {
 public:
  TlsClient(EventLoop& loop, std::shared_ptr<TlsContext> context, std::string peerName)
      : socket(loop), context_(std::move(context)), peerName_(std::move(peerName)) {
    socket.OnSessionConnected = [this](_TCustomWSocket*, uint16_t error) {
      if (error != 0 || !startTls) return;
      socket.StartTls(context_, peerName_);
      // Sent before the handshake ends: it must wait for it and then go out encrypted.
      if (!early.empty()) socket.SendText(early);
    };
    socket.OnTlsDone = [this](_TCustomWSocket*, uint16_t error) {
      tlsError = error;
      log += "tls " + std::to_string(error) + ";";
    };
    socket.OnDataAvailable = [this](_TCustomWSocket* s, uint16_t) {
      char buffer[1000];  // smaller than a record: the rest waits in the TLS layer
      int n = s->Receive(buffer, sizeof buffer);
      if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
    };
    socket.OnSessionClosed = [this](_TCustomWSocket*, uint16_t error) {
      log += "closed " + std::to_string(error) + ";";
    };
  }

  void Connect(const std::string& address, const std::string& port) {
    socket.SetProto("tcp");
    socket.SetAddr(address);
    socket.SetPort(port);
    socket.Connect();
  }

  _TWSocket socket;
  bool startTls = true;
  std::string early;
  int tlsError = -1;
  std::string received;
  std::string log;

 private:
  std::shared_ptr<TlsContext> context_;
  std::string peerName_;
};

class TlsSocketTest : public ::testing::Test {
 protected:
  void SetUp() override { SetResolverServers("127.0.0.1:9", true); }
  void TearDown() override { ResetResolverServers(); }

  bool Until(const std::function<bool()>& done) { return RunUntil(loop_, done, 10000); }

  EventLoop loop_{SystemClock()};
  test::TempDir dir_;
};

std::string Reversed(std::string line) {
  return std::string(line.rbegin(), line.rend());
}

TEST_F(TlsSocketTest, VerifiedSessionCarriesBytesBothWaysWithARealServer) {
  const test::TestCertificate cert = test::MakeTestCertificate(dir_.path(), "IP:127.0.0.42");
  test::TlsEchoPeer peer(cert);
  TlsClient client(loop_, TlsContext::Client(true, cert.certFile), "127.0.0.42");
  client.early = "sent before the handshake ended\n";
  client.Connect(peer.address(), peer.portText());
  ASSERT_TRUE(Until([&] { return client.tlsError >= 0; })) << client.log;
  ASSERT_EQ(client.tlsError, 0) << client.socket.TlsErrorText();
  EXPECT_TRUE(client.socket.TlsActive());
  EXPECT_EQ(client.socket.TlsVersion().rfind("TLSv1.", 0), 0u) << client.socket.TlsVersion();
  EXPECT_FALSE(client.socket.TlsCipher().empty());

  // Far more than one record and one socket buffer each way, every line distinct.
  std::string sent, expected = Reversed("sent before the handshake ended") + "\n";
  for (int i = 0; i < 3000; ++i) {
    std::string line = "line " + std::to_string(i) + " " + std::string(90, static_cast<char>('a' + i % 26));
    sent += line + "\n";
    expected += Reversed(line) + "\n";
  }
  client.socket.SendText(sent);
  ASSERT_TRUE(Until([&] { return client.received.size() >= expected.size(); })) << client.received.size();
  EXPECT_EQ(client.received, expected);
  EXPECT_EQ(client.socket.ReadCount(), static_cast<int>(expected.size()));  // plaintext, not records

  client.socket.Close();
  EXPECT_FALSE(client.socket.TlsActive());
  EXPECT_EQ(client.log, "tls 0;closed 0;");
}

TEST_F(TlsSocketTest, CertificateChecks) {
  struct Case {
    const char* served;  // the certificate's subjectAltName
    bool verify;
    bool trusted;  // its certificate given as the CA file
    const char* peerName;
    int error;
  };
  const Case cases[] = {
      {"IP:127.0.0.42", true, true, "127.0.0.42", 0},
      {"IP:127.0.0.42", true, false, "127.0.0.42", kTlsCertificateUntrusted},
      {"IP:127.0.0.43", true, true, "127.0.0.42", kTlsWrongHost},
      {"DNS:relay.test", true, true, "relay.test", 0},
      {"DNS:relay.test", true, true, "Relay.Test.", 0},
      {"DNS:other.test", true, true, "relay.test", kTlsWrongHost},
      {"DNS:*.example.test", true, true, "relay.example.test", 0},
      {"DNS:re*.example.test", true, true, "relay.example.test",
       kTlsWrongHost},                                   // no partial-label wildcards
      {"IP:127.0.0.43", false, false, "127.0.0.42", 0},  // opportunistic takes anything
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.served) + " as " + c.peerName);
    const test::TestCertificate cert = test::MakeTestCertificate(dir_.path(), c.served);
    test::TlsEchoPeer peer(cert);
    TlsClient client(loop_, TlsContext::Client(c.verify, c.trusted ? cert.certFile : ""), c.peerName);
    client.Connect(peer.address(), peer.portText());
    ASSERT_TRUE(Until([&] { return client.tlsError >= 0; })) << client.log;
    EXPECT_EQ(client.tlsError, c.error) << client.socket.TlsErrorText();
    if (c.error != 0) {
      EXPECT_FALSE(client.socket.TlsErrorText().empty());
      ASSERT_TRUE(Until([&] { return client.socket.state() == wsClosed; }));
      EXPECT_EQ(client.log, "tls " + std::to_string(c.error) + ";closed 0;");
      EXPECT_EQ(client.received, "");
    } else {
      client.socket.SendText("ping\n");
      ASSERT_TRUE(Until([&] { return client.received == "gnip\n"; })) << client.received;
    }
  }
}

TEST_F(TlsSocketTest, AnUnreadableCaFileIsRefusedWithItsName) {
  const std::string missing = dir_.File("missing.pem");
  try {
    TlsContext::Client(true, missing);
    FAIL() << "no error";
  } catch (const TlsSetupError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
  test::WriteFile(dir_.File("junk.pem"), "not a certificate\n");
  EXPECT_THROW(TlsContext::Client(true, dir_.File("junk.pem")), TlsSetupError);
}

TEST_F(TlsSocketTest, HandshakeFaultsOfScriptedPeers) {
  // What the peer does once it has the client's hello.
  struct Case {
    const char* name;
    std::function<void(_TWSocket&)> answer;
    std::string tlsText;  // part of TlsErrorText()
  };
  const Case cases[] = {
      {"plain text", [](_TWSocket& s) { s.SendText("500 5.5.1 Unknown command\r\n"); },
       "wrong version number"},
      {"close", [](_TWSocket& s) { s.Close(); }, "closed during the TLS handshake"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackListener listener(loop_);
    std::unique_ptr<_TWSocket> server;
    std::string hello;
    listener.onAccept = [&](std::unique_ptr<_TWSocket> peer) {
      server = std::move(peer);
      server->OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
        hello += s->ReceiveText();
        if (hello.size() >= 5) c.answer(*server);
      };
    };
    TlsClient client(loop_, TlsContext::Client(false), "127.0.0.1");
    client.Connect("127.0.0.1", listener.port());
    ASSERT_TRUE(Until([&] { return client.socket.state() == wsClosed && client.tlsError >= 0; }))
        << client.log;
    EXPECT_EQ(hello.substr(0, 1), "\x16");  // a handshake record went out first
    EXPECT_EQ(client.tlsError, kTlsHandshakeFailed);
    EXPECT_NE(client.socket.TlsErrorText().find(c.tlsText), std::string::npos)
        << client.socket.TlsErrorText();
    EXPECT_EQ(client.log.substr(0, 10), "tls 20101;");
    EXPECT_EQ(client.received, "");
  }
}

TEST_F(TlsSocketTest, RecordsThatDoNotDecryptEndTheSessionAndTheNextConnectionIsPlain) {
  const test::TestCertificate cert = test::MakeTestCertificate(dir_.path(), "IP:127.0.0.1");
  auto serverContext = TlsContext::Server(cert.certFile, cert.keyFile);
  LoopbackListener listener(loop_);
  std::vector<std::unique_ptr<_TWSocket>> servers;
  std::string plainAtServer;
  bool secondIsPlain = false;
  listener.onAccept = [&](std::unique_ptr<_TWSocket> peer) {
    _TWSocket& server = *peer;
    servers.push_back(std::move(peer));
    if (servers.size() == 2) {
      secondIsPlain = true;
      server.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) { plainAtServer += s->ReceiveText(); };
      return;
    }
    server.OnTlsDone = [&server](_TCustomWSocket*, uint16_t error) {
      if (error != 0) return;
      server.SendText("hello over TLS\n");
      // An application-data record header and bytes that no key turns into plaintext.
      const std::string garbage = std::string("\x17\x03\x03\x00\x20", 5) + std::string(32, 'G');
      ::send(server.HSocket(), garbage.data(), garbage.size(), MSG_NOSIGNAL);
    };
    server.StartTls(serverContext, "");
  };

  TlsClient client(loop_, TlsContext::Client(false), "127.0.0.1");
  client.Connect("127.0.0.1", listener.port());
  ASSERT_TRUE(Until([&] { return client.socket.state() == wsClosed; })) << client.log;
  EXPECT_EQ(client.received, "hello over TLS\n");
  EXPECT_EQ(client.log, "tls 0;closed " + std::to_string(kTlsProtocolError) + ";");
  EXPECT_FALSE(client.socket.TlsErrorText().empty());

  // The same socket, connected again without StartTls, speaks plain text.
  client.startTls = false;
  client.Connect("127.0.0.1", listener.port());
  ASSERT_TRUE(Until([&] { return client.socket.state() == wsConnected && secondIsPlain; }));
  EXPECT_FALSE(client.socket.TlsActive());
  client.socket.SendText("EHLO plain\r\n");
  ASSERT_TRUE(Until([&] { return plainAtServer == "EHLO plain\r\n"; })) << plainAtServer;
}

TEST_F(TlsSocketTest, StartTlsIsRefusedWhereItCannotRun) {
  _TWSocket socket(loop_);
  try {
    socket.StartTls(TlsContext::Client(false), "127.0.0.1");
    FAIL() << "no error";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "StartTls: the socket is not a connected TCP socket");
  }
  EXPECT_FALSE(socket.TlsHandshaking());
}

}  // namespace
}  // namespace norvane
