// The SMTP client against a real server (smtp-sink): what arrives must be
// exactly the composed message, and the server's refusals and hang-ups must
// come back as the request's outcome.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "scripted_smtp_server.h"
#include "smtp/smtp_cli.h"
#include "support/smtp_sink_peer.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::RunUntil;
using test::SmtpSinkPeer;
using test::TempDir;
using test::WriteFile;

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

struct Message {
  std::string subject;
  std::vector<std::string> body;
  std::vector<std::string> files;
  TSmtpContentType type = smtpPlainText;
};

class SmtpClientSinkTest : public ::testing::Test {
 protected:
  SmtpClientSinkTest() : loop_(SystemClock()), scoped_(clock_) { clock_.SetNow(FixedTime()); }

  void Configure(_TSmtpCli& client, const SmtpSinkPeer& sink) {
    client.SetHost(sink.address());
    client.SetPort(sink.portText());
    client.SetSignOn("client.test");
    client.SetFromName("sender@example.test");
    client.SetRcptName({"ann@example.test"});
    client.SetHdrFrom("Sender <sender@example.test>");
    client.SetHdrTo("Ann <ann@example.test>");
    client.OnRequestDone = [this](_TCustomSmtpClient*, TSmtpRequest rq, uint16_t error) {
      lastRq_ = rq;
      lastError_ = error;
      ++completions_;
    };
  }

  void Use(_TSmtpCli& client, const Message& m) {
    client.SetHdrSubject(m.subject);
    client.SetContentType(m.type);
    client.SetEmailFiles(m.files);
    body_ = m.body;
    client.OnGetData = [this](_TCustomSmtpClient*, int lineNum, std::string& line, int, bool& more) {
      if (lineNum > static_cast<int>(body_.size())) {
        more = false;
      } else {
        line = body_[lineNum - 1];
      }
    };
  }

  // Runs one request to its completion; returns its error number.
  uint16_t Run(_TSmtpCli& client, void (_TCustomSmtpClient::*request)(), int limitMs = 60000) {
    const int before = completions_;
    (client.*request)();
    EXPECT_TRUE(RunUntil(
        loop_, [&] { return completions_ > before; }, limitMs))
        << "no completion";
    return lastError_;
  }

  // The message as the sink stores it, composed independently of the client.
  static std::string Expected(const Message& m) {
    MessageComposer composer;
    composer.HdrFrom = "Sender <sender@example.test>";
    composer.HdrTo = "Ann <ann@example.test>";
    composer.HdrSubject = m.subject;
    composer.SetContentType(m.type);
    composer.SetEmailFiles(m.files);
    composer.OnGetData = [&m](int lineNum, std::string& line, int, bool& more) {
      if (lineNum > static_cast<int>(m.body.size())) {
        more = false;
      } else {
        line = m.body[lineNum - 1];
      }
    };
    composer.Begin();
    std::vector<std::string> lines;
    std::string line;
    while (composer.NextHeaderLine(line)) lines.push_back(line);
    while (composer.NextDataLine(line)) lines.push_back(line);
    return SmtpSinkPeer::AsDumped(lines);
  }

  EventLoop loop_;
  FakeClock clock_;
  ScopedClock scoped_;
  TempDir dir_;
  std::vector<std::string> body_;
  TSmtpRequest lastRq_ = smtpConnect;
  uint16_t lastError_ = 0;
  int completions_ = 0;
};

TEST_F(SmtpClientSinkTest, PlainThenMultipartArriveByteForByteOverOneSession) {
  const std::string report = dir_.File("report.pdf");
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 31));
  WriteFile(report, bytes);
  const std::string empty = dir_.File("empty.txt");
  WriteFile(empty, "");
  const Message messages[] = {
      {"Plain", {"Dear Ann,", ".", "..dots", "", "Bye."}, {}, smtpPlainText},
      {"With files", {"<p>Hi</p>", ".x"}, {report, empty}, smtpHTML},
  };
  SmtpSinkPeer sink;
  _TSmtpCli client(loop_);
  Configure(client, sink);
  ASSERT_EQ(Run(client, &_TCustomSmtpClient::OpenSession), 0);
  EXPECT_EQ(lastRq_, smtpConnect);
  for (const Message& m : messages) {
    Use(client, m);
    ASSERT_EQ(Run(client, &_TCustomSmtpClient::SendMail), 0) << client.ErrorMessage();
    EXPECT_EQ(lastRq_, smtpSendMail);
  }
  ASSERT_EQ(Run(client, &_TCustomSmtpClient::Quit), 0);
  ASSERT_TRUE(RunUntil(loop_, [&] { return !client.Connected(); }));
  const std::vector<std::string> files = sink.DumpFiles();
  ASSERT_EQ(files.size(), 2u);
  // Same second, so name order is not arrival order: match by subject.
  for (const Message& m : messages) {
    const std::string want = Expected(m);
    bool found = false;
    for (const std::string& file : files) found = found || SmtpSinkPeer::MessageOf(ReadFile(file)) == want;
    EXPECT_TRUE(found) << "not received as composed: " << m.subject << "\n" << want;
  }
}

TEST_F(SmtpClientSinkTest, TwentyMegabyteAttachmentArrivesIntact) {
  const std::string big = dir_.File("big.bin");
  {
    std::string content(20u << 20, '\0');
    unsigned state = 7;
    for (char& c : content) {
      state = state * 1103515245u + 12345u;
      c = static_cast<char>(state >> 16);
    }
    WriteFile(big, content);
  }
  const Message m{"Big", {"see attachment"}, {big}, smtpPlainText};
  SmtpSinkPeer sink;
  _TSmtpCli client(loop_);
  Configure(client, sink);
  Use(client, m);
  ASSERT_EQ(Run(client, &_TCustomSmtpClient::OpenSession), 0);
  ASSERT_EQ(Run(client, &_TCustomSmtpClient::SendMail, 300000), 0) << client.ErrorMessage();
  ASSERT_EQ(Run(client, &_TCustomSmtpClient::Quit), 0);
  const std::vector<std::string> files = sink.DumpFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string got = SmtpSinkPeer::MessageOf(ReadFile(files[0]));
  const std::string want = Expected(m);
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want) << "the received message differs from the composed one";
}

// The server's own refusals and hang-ups, as smtp-sink produces them.
TEST_F(SmtpClientSinkTest, RefusalsAndDisconnectsBecomeTheOutcome) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    void (_TCustomSmtpClient::*request)();  // after a successful OpenSession, unless opening is refused
    bool refusedAtOpen;
    uint16_t error;
    std::string errorMessage;  // prefix
  } cases[] = {
      {"HELO refused", {"-f", "HELO"}, nullptr, true, 500, "500 5.3.0 Error: command failed"},
      {"recipient refused",
       {"-f", "RCPT", "-B", "550 5.1.1 No such user"},
       &_TCustomSmtpClient::SendMail,
       false,
       550,
       "550 5.1.1 No such user"},
      {"sender soft-refused", {"-r", "MAIL"}, &_TCustomSmtpClient::SendMail, false, 450, "450"},
      {"DATA refused", {"-f", "DATA"}, &_TCustomSmtpClient::SendMail, false, 500, "500"},
      {"hang-up after DATA", {"-q", "DATA"}, &_TCustomSmtpClient::SendMail, false, 10004, ""},
      {"421 after MAIL", {"-Q", "MAIL"}, &_TCustomSmtpClient::MailFrom, false, 421, "421"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpSinkPeer sink(c.options);
    _TSmtpCli client(loop_);
    Configure(client, sink);
    Use(client, {"Refused", {"body"}, {}, smtpPlainText});
    const uint16_t open = Run(client, &_TCustomSmtpClient::OpenSession);
    if (c.refusedAtOpen) {
      EXPECT_EQ(open, c.error);
      EXPECT_EQ(lastRq_, smtpConnect);
    } else {
      ASSERT_EQ(open, 0);
      EXPECT_EQ(Run(client, c.request), c.error);
    }
    EXPECT_EQ(client.ErrorMessage().rfind(c.errorMessage, 0), 0u) << client.ErrorMessage();
    EXPECT_EQ(client.State(), smtpReady);
  }
}

}  // namespace
}  // namespace norvane
