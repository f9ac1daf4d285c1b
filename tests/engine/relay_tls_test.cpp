// The engine with TLS and authentication: direct delivery with opportunistic STARTTLS to a real
// mail exchanger found through a real DNS server, submission to a real relay with STARTTLS or TLS
// from the first byte and a password, and the outcomes when the password or the certificate is
// wrong. A scripted host covers the one fault a real server will not make: TLS that breaks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/relay_server.h"
#include "engine_run.h"
#include "net/host_lookup.h"
#include "net/tls_errors.h"
#include "scripted_mail_host.h"
#include "smtp/base64.h"
#include "smtp/smtp_auth.h"
#include "support/dnsmasq_peer.h"
#include "support/smtp_sink_peer.h"
#include "support/smtp_tls_peer.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace norvane {
namespace {

using test::EngineRun;
using test::Outcome;
using test::SmtpTlsPeer;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string Joined(const Outcome& outcome) {
  std::string text;
  for (const std::string& line : outcome.log) text += line + "\n";
  return text;
}

class RelayTlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Host names of this test resolve through its own DNS server only.
    SetResolverServers("127.0.0.1:9", true);
    cert_ = test::MakeTestCertificate(dir_.path(), "IP:127.0.0.42");
  }
  void TearDown() override { ResetResolverServers(); }

  EventLoop loop_{SystemClock()};
  test::TempDir dir_;
  test::TestCertificate cert_;
};

TEST_F(RelayTlsTest, DirectDeliveryUsesStartTlsWhereOfferedAndPlainTextElsewhere) {
  SmtpTlsPeer tlsHost("starttls", cert_);
  test::SmtpSinkPeer plainHost({}, "127.0.0.43", tlsHost.port());
  test::DnsmasqPeer dns({test::DnsmasqPeer::MxHost("tls.test", "mx.tls.test", 10),
                         test::DnsmasqPeer::Address("mx.tls.test", "127.0.0.42"),
                         test::DnsmasqPeer::MxHost("plain.test", "mx.plain.test", 10),
                         test::DnsmasqPeer::Address("mx.plain.test", "127.0.0.43")});
  SetResolverServers(dns.address() + ":" + dns.portText(), true);

  EngineRun run(loop_);
  run.server.SetDns(dns.address());
  run.server.DnsPort = dns.portText();
  run.server.Port = tlsHost.portText();
  run.server.DirectTls = smtpTlsOpportunistic;
  run.server.SetConnections(2);
  run.Recipients({"ann@tls.test", "bob@plain.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());

  ASSERT_EQ(run.outcomes[0].err, 0) << Joined(run.outcomes[0]);
  EXPECT_TRUE(EngineRun::LogHas(run.outcomes[0], "TLS started: TLSv1.")) << Joined(run.outcomes[0]);
  EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[0], "STARTTLS"));
  const auto messages = tlsHost.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(Contains(messages[0].meta, "\"tls\": true")) << messages[0].meta;
  EXPECT_TRUE(Contains(messages[0].content, "\r\nSubject: Test\r\n")) << messages[0].content;
  EXPECT_TRUE(Contains(messages[0].content, "\r\n\r\nHello,\r\nthis is a test.\r\n")) << messages[0].content;

  ASSERT_EQ(run.outcomes[1].err, 0) << Joined(run.outcomes[1]);
  EXPECT_FALSE(EngineRun::LogHas(run.outcomes[1], "TLS"));
  EXPECT_EQ(plainHost.DumpFiles().size(), 1u);
}

TEST_F(RelayTlsTest, OpportunisticTlsThatBreaksIsTriedOnceMoreWithoutIt) {
  test::ScriptedMailHost host(loop_);
  int connections = 0;
  host.onCommand = [&](test::ScriptedMailHost::Session& session, const std::string& line) {
    if (line.rfind("EHLO ", 0) == 0) {
      ++connections;
      session.Send("250-scripted\r\n250 STARTTLS\r\n");
      return true;
    }
    if (line == "STARTTLS") {
      session.Send("220 2.0.0 Ready to start TLS\r\n");
      session.Close();  // and no handshake ever comes
      return true;
    }
    return false;
  };
  EngineRun run(loop_);
  run.server.Setgateway("127.0.0.1");
  run.server.Port = host.port();
  run.server.GatewayTls = smtpTlsOpportunistic;
  run.Recipients({"ann@example.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  const Outcome& outcome = run.outcomes[0];
  EXPECT_EQ(outcome.err, 0) << Joined(outcome);
  EXPECT_EQ(connections, 1);  // the second try greets with HELO: no TLS asked for at all
  EXPECT_TRUE(EngineRun::LogHas(outcome, "TLS failed: TLS handshake failed")) << Joined(outcome);
  EXPECT_TRUE(EngineRun::LogHasLine(outcome, "Trying the same host again without TLS")) << Joined(outcome);
  EXPECT_EQ(host.messages, 1);
}

TEST_F(RelayTlsTest, SubmissionToARelayWithTlsAndPassword) {
  struct Case {
    const char* mode;
    TSmtpTls tls;
    const char* excludeAuth;
    const char* password;
    int err;
    const char* inLog;
  };
  const Case cases[] = {
      {"require-starttls", smtpTlsStartTls, "", "s3cret", 0, "AUTH PLAIN ********"},
      {"implicit", smtpTlsImplicit, "PLAIN", "s3cret", 0, "AUTH LOGIN"},
      {"require-starttls", smtpTlsStartTls, "", "wrong", 535, "535 5.7.8 Authentication credentials invalid"},
      {"implicit", smtpTlsImplicit, "PLAIN", "wrong", 535, "535 5.7.8 Authentication credentials invalid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.password);
    SmtpTlsPeer relay(c.mode, cert_, "ann", "s3cret", c.excludeAuth);
    EngineRun run(loop_);
    run.server.Setgateway(relay.address());
    run.server.Port = relay.portText();
    run.server.GatewayTls = c.tls;
    run.server.CaFile = cert_.certFile;
    run.server.User = "ann";
    run.server.Password = c.password;
    run.server.SetConnections(2);
    run.Recipients({"a@one.test", "b@two.test", "c@three.test"});
    run.server.Start();
    ASSERT_TRUE(run.UntilFinished(30000));
    ASSERT_EQ(run.outcomes.size(), 3u);
    for (const auto& [index, outcome] : run.outcomes) {
      EXPECT_EQ(outcome.err, c.err) << Joined(outcome);
      EXPECT_TRUE(EngineRun::LogHas(outcome, "TLS started: TLSv1.")) << Joined(outcome);
      EXPECT_TRUE(EngineRun::LogHas(outcome, c.inLog)) << Joined(outcome);
      for (const std::string& secret : {std::string(c.password), Base64(c.password)})
        EXPECT_FALSE(Contains(Joined(outcome), secret)) << Joined(outcome);
    }
    const auto messages = relay.Messages();
    ASSERT_EQ(messages.size(), c.err == 0 ? 3u : 0u);
    for (const auto& message : messages)
      EXPECT_TRUE(Contains(message.meta, "\"auth\": \"ann\"")) << message.meta;
  }
}

TEST_F(RelayTlsTest, RelayWithACertificateForAnotherNameGetsNothing) {
  const test::TestCertificate other = test::MakeTestCertificate(dir_.path(), "DNS:relay.test,IP:127.0.0.43");
  SmtpTlsPeer relay("require-starttls", other, "ann", "s3cret");
  EngineRun run(loop_);
  run.server.Setgateway(relay.address());
  run.server.Port = relay.portText();
  run.server.GatewayTls = smtpTlsStartTls;
  run.server.CaFile = other.certFile;
  run.server.User = "ann";
  run.server.Password = "s3cret";
  run.Recipients({"a@one.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  EXPECT_EQ(run.outcomes[0].err, kTlsWrongHost) << Joined(run.outcomes[0]);
  EXPECT_TRUE(EngineRun::LogHas(run.outcomes[0], "TLS failed: TLS certificate is for another host"))
      << Joined(run.outcomes[0]);
  EXPECT_FALSE(EngineRun::LogHas(run.outcomes[0], "AUTH"));
  EXPECT_FALSE(EngineRun::LogHas(run.outcomes[0], "Trying the same host again"));
  EXPECT_EQ(relay.MessageCount(), 0u);
}

TEST_F(RelayTlsTest, StartRefusesAPasswordWithoutCheckedTlsAndAnUnreadableCaFile) {
  EngineRun run(loop_);
  run.server.Setgateway("127.0.0.42");
  run.server.User = "ann";
  run.server.Password = "s3cret";
  run.Recipients({"a@one.test"});
  for (TSmtpTls tls : {smtpTlsNone, smtpTlsOpportunistic}) {
    run.server.GatewayTls = tls;
    try {
      run.server.Start();
      ADD_FAILURE() << "started";
    } catch (const TSmtpRelayServerException& error) {
      EXPECT_TRUE(Contains(error.what(), "needs checked TLS")) << error.what();
    }
    EXPECT_FALSE(run.server.Busy());
  }
  run.server.GatewayTls = smtpTlsStartTls;
  run.server.CaFile = dir_.File("missing-ca.pem");
  try {
    run.server.Start();
    ADD_FAILURE() << "started";
  } catch (const TSmtpRelayServerException& error) {
    EXPECT_TRUE(Contains(error.what(), dir_.File("missing-ca.pem"))) << error.what();
  }
  loop_.RunOnce(0);
  EXPECT_TRUE(run.gotData.empty());
}

}  // namespace
}  // namespace norvane
