// The extended greeting: EHLO, STARTTLS, TLS from the first byte and AUTH, against a real
// server (aiosmtpd) for what a submission server and a mail exchanger do, and against the
// scripted server for what they do only when broken or hostile.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "net/tls_errors.h"
#include "platform/clock.h"
#include "scripted_smtp_server.h"
#include "smtp/base64.h"
#include "smtp/smtp_auth.h"
#include "smtp/smtp_cli.h"
#include "support/smtp_tls_peer.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace norvane {
namespace {

using test::RunUntil;
using test::SmtpTlsPeer;

LocalDateTime FixedTime() {
  LocalDateTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 10;
  t.hour = 9;
  t.minute = 30;
  t.second = 5;
  t.dayOfWeek = 4;
  return t;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class SmtpTlsDialogueTest : public ::testing::Test {
 protected:
  SmtpTlsDialogueTest() : loop_(SystemClock()), scoped_(clock_), client_(loop_) {
    clock_.SetNow(FixedTime());
    client_.SetSignOn("client.test");
    client_.SetFromName("sender@example.test");
    client_.SetRcptName({"ann@example.test"});
    client_.SetHdrFrom("Sender <sender@example.test>");
    client_.SetHdrTo("Ann <ann@example.test>");
    client_.SetHdrSubject("Hello");
    client_.OnRequestDone = [this](_TCustomSmtpClient*, TSmtpRequest, uint16_t error) {
      done_.push_back(error);
    };
    client_.OnCommand = [this](_TCustomSmtpClient*, const std::string& text) {
      commands_.push_back(text);
      transcript_ += text + "\n";
    };
    client_.OnResponse = [this](_TCustomSmtpClient*, const std::string& text) { transcript_ += text + "\n"; };
    client_.OnDisplay = [this](_TCustomSmtpClient*, const std::string& text) { transcript_ += text + "\n"; };
    client_.OnSecurity = [this](_TCustomSmtpClient*, const std::string& text) {
      security_.push_back(text);
      transcript_ += text + "\n";
    };
    client_.OnGetData = [this](_TCustomSmtpClient*, int lineNum, std::string& line, int, bool& more) {
      if (lineNum > static_cast<int>(body_.size())) {
        more = false;
      } else {
        line = body_[lineNum - 1];
      }
    };
  }

  void Target(const std::string& host, const std::string& port) {
    client_.SetHost(host);
    client_.SetPort(port);
  }

  // Runs one request to its completion; its error number.
  uint16_t Run(void (_TCustomSmtpClient::*request)()) {
    const std::size_t before = done_.size();
    (client_.*request)();
    EXPECT_TRUE(RunUntil(
        loop_, [&] { return done_.size() > before; }, 30000))
        << "no completion";
    return done_.size() > before ? done_.back() : 65535;
  }

  // What the server must have received: the composed message, dot-stuffing undone, CR LF ends.
  std::string Expected(bool eightBit) {
    MessageComposer composer;
    composer.HdrFrom = "Sender <sender@example.test>";
    composer.HdrTo = "Ann <ann@example.test>";
    composer.HdrSubject = "Hello";
    composer.ServerAccepts8Bit = eightBit;
    composer.SetEmailFiles(client_.EmailFiles());
    composer.OnGetData = [this](int lineNum, std::string& line, int, bool& more) {
      if (lineNum > static_cast<int>(body_.size())) {
        more = false;
      } else {
        line = body_[lineNum - 1];
      }
    };
    composer.Begin();
    std::string text, line;
    while (composer.NextHeaderLine(line)) text += line + "\r\n";
    while (composer.NextDataLine(line)) text += line + "\r\n";
    return text;
  }

  EventLoop loop_;
  FakeClock clock_;
  ScopedClock scoped_;
  test::TempDir dir_;
  _TSmtpCli client_;
  std::vector<std::string> body_ = {"Dear Ann,", ".a line that starts with a dot", "Chlo\xe9 says hello", ""};
  std::vector<uint16_t> done_;
  std::vector<std::string> commands_;
  std::vector<std::string> security_;
  std::string transcript_;
};

TEST_F(SmtpTlsDialogueTest, OpportunisticStartTlsCarriesTheMessageIntact) {
  const test::TestCertificate cert = test::MakeTestCertificate(dir_.path(), "IP:127.0.0.42");
  SmtpTlsPeer peer("starttls", cert);
  Target(peer.address(), peer.portText());
  // An attachment of many records, so the text crosses TLS in pieces.
  std::string attachment;
  for (int i = 0; i < 200000; ++i) attachment += static_cast<char>((i * 7919) % 251);
  test::WriteFile(dir_.File("data.bin"), attachment);
  client_.SetEmailFiles({dir_.File("data.bin")});
  client_.SetTls(smtpTlsOpportunistic);

  ASSERT_EQ(Run(&_TCustomSmtpClient::OpenSession), 0) << client_.ErrorMessage();
  EXPECT_EQ(commands_, (std::vector<std::string>{"EHLO client.test", "STARTTLS", "EHLO client.test"}));
  ASSERT_EQ(security_.size(), 1u);
  EXPECT_EQ(security_[0].rfind("TLS started: TLSv1.", 0), 0u) << security_[0];
  EXPECT_TRUE(client_.TlsActive());
  EXPECT_FALSE(client_.Capabilities().Has("STARTTLS"));  // the answer to the second EHLO
  EXPECT_TRUE(client_.Capabilities().Has("8BITMIME"));

  ASSERT_EQ(Run(&_TCustomSmtpClient::SendMail), 0) << client_.ErrorMessage();
  EXPECT_EQ(commands_[3], "MAIL FROM:<sender@example.test> BODY=8BITMIME");
  ASSERT_EQ(Run(&_TCustomSmtpClient::Quit), 0);
  const auto messages = peer.Messages();
  ASSERT_EQ(messages.size(), 1u) << peer.Log();
  EXPECT_EQ(messages[0].content, Expected(true));
  EXPECT_TRUE(Contains(messages[0].meta, "\"tls\": true")) << messages[0].meta;
  EXPECT_TRUE(Contains(messages[0].meta, "BODY=8BITMIME")) << messages[0].meta;
}

TEST_F(SmtpTlsDialogueTest, ServerWithoutStartTlsGetsPlainText) {
  SmtpTlsPeer peer("plain");
  Target(peer.address(), peer.portText());
  client_.SetTls(smtpTlsOpportunistic);
  ASSERT_EQ(Run(&_TCustomSmtpClient::OpenSession), 0) << client_.ErrorMessage();
  ASSERT_EQ(Run(&_TCustomSmtpClient::SendMail), 0) << client_.ErrorMessage();
  ASSERT_EQ(Run(&_TCustomSmtpClient::Quit), 0);
  EXPECT_EQ(commands_[0], "EHLO client.test");
  EXPECT_EQ(commands_[1], "MAIL FROM:<sender@example.test> BODY=8BITMIME");
  EXPECT_TRUE(security_.empty());
  EXPECT_FALSE(client_.TlsActive());
  const auto messages = peer.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].content, Expected(true));
  EXPECT_TRUE(Contains(messages[0].meta, "\"tls\": false")) << messages[0].meta;
}

TEST_F(SmtpTlsDialogueTest, SubmissionWithTlsAndPassword) {
  const test::TestCertificate cert = test::MakeTestCertificate(dir_.path(), "IP:127.0.0.42");
  struct Case {
    const char* mode;
    const char* excludeAuth;
    TSmtpTls tls;
    const char* password;
    uint16_t error;
    const char* authCommand;
  };
  const Case cases[] = {
      {"require-starttls", "", smtpTlsStartTls, "s3cret pass", 0, "AUTH PLAIN ********"},
      {"implicit", "PLAIN", smtpTlsImplicit, "s3cret pass", 0, "AUTH LOGIN"},
      {"require-starttls", "", smtpTlsStartTls, "wrong", 535, "AUTH PLAIN ********"},
      {"implicit", "PLAIN", smtpTlsImplicit, "wrong", 535, "AUTH LOGIN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.password);
    SmtpTlsPeer peer(c.mode, cert, "ann", "s3cret pass", c.excludeAuth);
    commands_.clear();
    security_.clear();
    transcript_.clear();
    Target(peer.address(), peer.portText());
    client_.SetTls(c.tls, TlsContext::Client(true, cert.certFile));
    client_.SetAuth("ann", c.password);

    const uint16_t error = Run(&_TCustomSmtpClient::OpenSession);
    EXPECT_EQ(error, c.error) << client_.ErrorMessage() << "\n" << transcript_;
    EXPECT_NE(std::find(commands_.begin(), commands_.end(), c.authCommand), commands_.end()) << transcript_;
    if (c.error == 0) {
      ASSERT_EQ(Run(&_TCustomSmtpClient::SendMail), 0) << client_.ErrorMessage();
      const auto messages = peer.Messages();
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_TRUE(Contains(messages[0].meta, "\"auth\": \"ann\"")) << messages[0].meta;
      EXPECT_TRUE(Contains(messages[0].meta, "\"tls\": true")) << messages[0].meta;
    } else {
      EXPECT_EQ(client_.ErrorMessage().rfind("535 ", 0), 0u) << client_.ErrorMessage();
      EXPECT_EQ(peer.MessageCount(), 0u);
    }
    Run(&_TCustomSmtpClient::Quit);
    ASSERT_TRUE(RunUntil(loop_, [&] { return !client_.Connected(); }));
    // The password in no form anywhere a person or a log file could read it.
    for (const std::string& secret :
         {std::string(c.password), Base64(c.password), AuthPlainResponse("ann", c.password)})
      EXPECT_FALSE(Contains(transcript_, secret)) << secret << " in\n" << transcript_;
  }
}

TEST_F(SmtpTlsDialogueTest, CertificateForAnotherNameIsRefusedBeforeAnythingIsSent) {
  const test::TestCertificate other = test::MakeTestCertificate(dir_.path(), "IP:127.0.0.43");
  for (const auto& [mode, tls] :
       {std::pair{"require-starttls", smtpTlsStartTls}, {"implicit", smtpTlsImplicit}}) {
    SCOPED_TRACE(mode);
    SmtpTlsPeer peer(mode, other, "ann", "s3cret");
    commands_.clear();
    security_.clear();
    Target(peer.address(), peer.portText());
    client_.SetTls(tls, TlsContext::Client(true, other.certFile));
    client_.SetAuth("ann", "s3cret");
    EXPECT_EQ(Run(&_TCustomSmtpClient::OpenSession), kTlsWrongHost);
    EXPECT_TRUE(Contains(client_.ErrorMessage(), "TLS certificate is for another host"))
        << client_.ErrorMessage();
    ASSERT_EQ(security_.size(), 1u);
    EXPECT_EQ(security_[0].rfind("TLS failed: ", 0), 0u);
    EXPECT_TRUE(std::none_of(commands_.begin(), commands_.end(),
                             [](const std::string& c) { return c.rfind("AUTH", 0) == 0; }));
    ASSERT_TRUE(RunUntil(loop_, [&] { return !client_.Connected() && client_.State() == smtpReady; }));
  }
}

TEST_F(SmtpTlsDialogueTest, RequiredStartTlsAgainstAServerWithoutIt) {
  SmtpTlsPeer peer("plain");
  Target(peer.address(), peer.portText());
  client_.SetTls(smtpTlsStartTls);
  EXPECT_EQ(Run(&_TCustomSmtpClient::OpenSession), kSmtpStartTlsNotOffered);
  EXPECT_EQ(client_.ErrorMessage(), "500 TLS failed: the server does not offer STARTTLS");
  EXPECT_EQ(security_, std::vector<std::string>{"TLS failed: the server does not offer STARTTLS"});
  // Nothing was sent beyond EHLO, and the session can still be ended politely.
  EXPECT_EQ(commands_, std::vector<std::string>{"EHLO client.test"});
  EXPECT_TRUE(client_.Connected());
  EXPECT_EQ(Run(&_TCustomSmtpClient::Quit), 0);
}

// --- scripted faults ---------------------------------------------------------------------------

class SmtpTlsScriptedTest : public SmtpTlsDialogueTest {
 protected:
  SmtpTlsScriptedTest() : server_(loop_) {
    Target("127.0.0.1", server_.port());
    server_.onConnect = [this] { server_.Send("220 scripted ESMTP\r\n"); };
    server_.onLine = [this](const std::string& line) {
      if (!inData_ && !replies_.empty()) {
        const std::string reply = replies_.front();
        replies_.pop_front();
        // "<close>" at the end: the connection ends right after the reply.
        const std::size_t close = reply.find("<close>");
        server_.Send(reply.substr(0, close));
        if (close != std::string::npos) server_.Disconnect();
        return;
      }
      test::AnswerLikeAnAcceptingServer(server_, line, inData_);
    };
  }

  test::ScriptedSmtpServer server_;
  std::deque<std::string> replies_;
  bool inData_ = false;
};

TEST_F(SmtpTlsScriptedTest, GreetingOutcomesOfOddServers) {
  struct Case {
    const char* name;
    TSmtpTls tls;
    const char* user;
    std::vector<std::string> replies;  // to EHLO and what follows
    uint16_t error;
    std::vector<std::string> received;  // by the server
    std::string errorMessage;
    std::vector<std::string> security;
  };
  const Case cases[] = {
      {"EHLO unknown: HELO instead",
       smtpTlsOpportunistic,
       "",
       {"502 5.5.2 Error: command not recognized\r\n"},
       0,
       {"EHLO client.test", "HELO client.test"},
       "",
       {}},
      {"EHLO unknown with a password to give: no HELO",
       smtpTlsStartTls,
       "ann",
       {"500 5.5.1 unknown\r\n"},
       500,
       {"EHLO client.test"},
       "500 5.5.1 unknown",
       {}},
      {"STARTTLS refused: opportunistic goes on plain",
       smtpTlsOpportunistic,
       "",
       {"250-scripted\r\n250 STARTTLS\r\n", "454 4.7.0 TLS not available\r\n"},
       0,
       {"EHLO client.test", "STARTTLS"},
       "",
       {"TLS refused by the server; going on without it"}},
      {"STARTTLS refused: required stops",
       smtpTlsStartTls,
       "",
       {"250-scripted\r\n250 STARTTLS\r\n", "454 4.7.0 TLS not available\r\n"},
       454,
       {"EHLO client.test", "STARTTLS"},
       "454 4.7.0 TLS not available",
       {}},
      {"more after the 220 to STARTTLS",
       smtpTlsOpportunistic,
       "",
       {"250-scripted\r\n250 STARTTLS\r\n", "220 2.0.0 go ahead\r\n250-injected\r\n"},
       kSmtpStartTlsInjection,
       {"EHLO client.test", "STARTTLS"},
       "500 TLS failed: the server sent data after its 220 to STARTTLS",
       {"TLS failed: the server sent data after its 220 to STARTTLS"}},
      {"a password but no TLS",
       smtpTlsNone,
       "ann",
       {"250-scripted\r\n250 AUTH PLAIN LOGIN\r\n"},
       kSmtpAuthWithoutTls,
       {"EHLO client.test"},
       "500 AUTH refused: the password is sent only over TLS",
       {"AUTH refused: the password is sent only over TLS"}},
      {"closed during the handshake",
       smtpTlsOpportunistic,
       "",
       {"250-scripted\r\n250 STARTTLS\r\n", "220 2.0.0 go ahead\r\n<close>"},
       kTlsHandshakeFailed,
       {"EHLO client.test", "STARTTLS"},
       "500 TLS failed: TLS handshake failed: the connection closed during the TLS handshake",
       {"TLS failed: TLS handshake failed: the connection closed during the TLS handshake"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    replies_.assign(c.replies.begin(), c.replies.end());
    server_.lines.clear();
    security_.clear();
    client_.SetTls(c.tls);
    client_.SetAuth(c.user, "s3cret");
    EXPECT_EQ(Run(&_TCustomSmtpClient::OpenSession), c.error) << client_.ErrorMessage();
    // The ClientHello is no line; the server's lines are the commands it understood.
    std::vector<std::string> received;
    for (const std::string& line : server_.lines)
      if (line.find('\x16') == std::string::npos) received.push_back(line);
    EXPECT_EQ(received, c.received);
    EXPECT_EQ(client_.ErrorMessage(), c.errorMessage);
    EXPECT_EQ(security_, c.security);
    client_.Abort();
    ASSERT_TRUE(RunUntil(loop_, [&] { return !server_.connected(); }));
  }
}

}  // namespace
}  // namespace norvane
