// The SMTP client against a scripted server, for what a real server will not
// do on demand: odd greetings, replies cut across reads, garbage lines, a
// refused DATA, silence while the client aborts.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/host_lookup.h"
#include "platform/clock.h"
#include "scripted_smtp_server.h"
#include "smtp/smtp_cli.h"
#include "support/dnsmasq_peer.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::RunUntil;
using test::ScriptedSmtpServer;

struct Done {
  TSmtpRequest rq;
  uint16_t error;
  bool operator==(const Done& o) const { return rq == o.rq && error == o.error; }
};

std::ostream& operator<<(std::ostream& out, const Done& d) {
  return out << "{rq " << static_cast<int>(d.rq) << ", error " << d.error << "}";
}

// A reply that is never sent: the server stays silent.
const std::string kSilence = "<silence>";

const std::string kReplyTooLong = "500 Reply longer than 100 lines or 64 KB";

// `count` copies of `line`, each ended by CR LF.
std::string Lines(int count, const std::string& line) {
  std::string out;
  for (int i = 0; i < count; ++i) out += line + "\r\n";
  return out;
}

class SmtpClientScriptedTest : public ::testing::Test {
 protected:
  SmtpClientScriptedTest() : loop_(SystemClock()), server_(loop_), client_(loop_) {
    client_.SetHost("127.0.0.1");
    client_.SetPort(server_.port());
    client_.SetSignOn("client.test");
    client_.SetFromName(" sender@example.test ");
    client_.SetRcptName({"ann@example.test"});
    client_.SetHdrFrom("Sender <sender@example.test>");
    client_.SetHdrTo("Ann <ann@example.test>");
    client_.SetHdrSubject("Hello");
    client_.OnRequestDone = [this](_TCustomSmtpClient*, TSmtpRequest rq, uint16_t error) {
      EXPECT_FALSE(calling_) << "completion raised inside the call";
      done_.push_back({rq, error});
    };
    client_.OnResponse = [this](_TCustomSmtpClient*, const std::string& msg) { responses_.push_back(msg); };
    client_.OnDisplay = [this](_TCustomSmtpClient*, const std::string& msg) { display_.push_back(msg); };
    client_.OnGetData = [this](_TCustomSmtpClient*, int lineNum, std::string& line, int, bool& more) {
      if (lineNum > static_cast<int>(body_.size())) {
        more = false;
      } else {
        line = body_[lineNum - 1];
      }
    };
    server_.onConnect = [this] { server_.Send(greeting_); };
    server_.onLine = [this](const std::string& line) {
      if (!inData_ && !replies_.empty()) {
        const std::string reply = replies_.front();
        replies_.pop_front();
        if (reply != kSilence) server_.Send(reply);
        return;
      }
      test::AnswerLikeAnAcceptingServer(server_, line, inData_);
    };
  }

  // Runs a request the way the owner would, checking that it completes later, not inside the call.
  template <typename F>
  void Call(F request) {
    calling_ = true;
    try {
      request();
    } catch (...) {
      calling_ = false;
      throw;
    }
    calling_ = false;
  }

  Done WaitDone() {
    const std::size_t before = done_.size();
    EXPECT_TRUE(RunUntil(loop_, [&] { return done_.size() > before; })) << "no completion";
    return done_.size() > before ? done_.back() : Done{smtpConnect, 65535};
  }

  void Open() {
    Call([&] { client_.OpenSession(); });
    ASSERT_EQ(WaitDone(), (Done{smtpConnect, 0}));
  }

  // The lines the server received after "DATA", up to (without) the end or the final ".".
  std::vector<std::string> DataLines() const {
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& line : server_.lines) {
      if (in && line == ".") break;
      if (in) out.push_back(line);
      if (line == "DATA") in = true;
    }
    return out;
  }

  bool ServerGot(const std::string& line) const {
    return std::find(server_.lines.begin(), server_.lines.end(), line) != server_.lines.end();
  }

  EventLoop loop_;
  ScriptedSmtpServer server_;
  _TSmtpCli client_;
  std::string greeting_ = "220 scripted ESMTP\r\n";
  std::deque<std::string> replies_;  // the next replies to commands, in order
  bool inData_ = false;
  bool calling_ = false;
  std::vector<Done> done_;
  std::vector<std::string> responses_;
  std::vector<std::string> display_;
  std::vector<std::string> body_;
};

TEST_F(SmtpClientScriptedTest, TwoLineGreetingThenHelo) {
  greeting_ = "220-first\r\n220 second\r\n";
  Open();
  EXPECT_EQ(responses_, (std::vector<std::string>{"220-first", "220 second", "250 scripted"}));
  EXPECT_EQ(
      std::vector<std::string>(display_.begin(), display_.begin() + 4),
      (std::vector<std::string>{"< 220-first", "< 220 second", "> HELO client.test", "< 250 scripted"}));
  EXPECT_EQ(server_.lines, std::vector<std::string>{"HELO client.test"});
  EXPECT_TRUE(client_.Connected());
  EXPECT_EQ(client_.State(), smtpReady);
}

TEST_F(SmtpClientScriptedTest, EndlessGreetingIsRefusedLikeAnyOtherGreeting) {
  greeting_ = Lines(150, "220-hello");
  Call([&] { client_.OpenSession(); });
  EXPECT_EQ(WaitDone(), (Done{smtpConnect, 10004}));
  EXPECT_EQ(client_.ErrorMessage(), kReplyTooLong);
  ASSERT_GT(responses_.size(), 100u);
  EXPECT_EQ(responses_[100], kReplyTooLong);  // the hundred lines, then the synthesized final one
  EXPECT_FALSE(client_.Connected());
  EXPECT_TRUE(server_.lines.empty());
}

TEST_F(SmtpClientScriptedTest, EmptySignOnSendsTheLocalHostName) {
  client_.SetSignOn("");
  Open();
  EXPECT_EQ(server_.lines, std::vector<std::string>{"HELO " + LocalHostName()});
}

TEST_F(SmtpClientScriptedTest, RefusingGreetingClosesAndReports10004) {
  greeting_ = "554 go away\r\n";
  Call([&] { client_.OpenSession(); });
  EXPECT_EQ(WaitDone(), (Done{smtpConnect, 10004}));
  EXPECT_EQ(client_.ErrorMessage(), "554 go away");
  EXPECT_EQ(client_.LastResponse(), "554 go away");
  EXPECT_FALSE(client_.Connected());
  EXPECT_EQ(client_.State(), smtpReady);
  EXPECT_TRUE(server_.lines.empty());
}

TEST_F(SmtpClientScriptedTest, RepliesSplitAcrossReadsAndJoinedInOneRead) {
  server_.onConnect = [this] { server_.SendPieces({"2", "20 split", " greeting\r\n"}); };
  replies_ = {"250-one\r\n250-two\r\n250 three\r\n"};  // HELO: three lines in one write
  Open();
  server_.onLine = [this](const std::string&) { server_.SendPieces({"25", "0 o", "k\r", "\n"}); };
  Call([&] { client_.MailFrom(); });
  EXPECT_EQ(WaitDone(), (Done{smtpMailFrom, 0}));
  EXPECT_EQ(responses_,
            (std::vector<std::string>{"220 split greeting", "250-one", "250-two", "250 three", "250 ok"}));
  EXPECT_EQ(done_.size(), 2u);  // every line handled once: one completion per request
}

// One command, one scripted reply, one outcome.
TEST_F(SmtpClientScriptedTest, ReplyCodesDecideEachRequest) {
  struct Case {
    const char* name;
    void (_TCustomSmtpClient::*request)();
    std::string reply;
    Done want;
    std::string errorMessage;  // empty: ErrorMessage stays empty
  } cases[] = {
      {"accepted", &_TCustomSmtpClient::MailFrom, "250 2.1.0 Ok\r\n", {smtpMailFrom, 0}, ""},
      {"refused", &_TCustomSmtpClient::MailFrom, "550 5.7.1 No\r\n", {smtpMailFrom, 550}, "550 5.7.1 No"},
      {"multi-line, last decides", &_TCustomSmtpClient::Rset, "451-wait\r\n250 ok\r\n", {smtpRset, 0}, ""},
      {"251 for RCPT", &_TCustomSmtpClient::RcptTo, "251 forwarded\r\n", {smtpRcptTo, 0}, ""},
      {"251 is not 250 for MAIL", &_TCustomSmtpClient::MailFrom, "251 x\r\n", {smtpMailFrom, 251}, "251 x"},
      {"VRFY", &_TCustomSmtpClient::Vrfy, "252 cannot verify\r\n", {smtpVrfy, 252}, "252 cannot verify"},
      // A line without a reply code is no acceptance.
      {"no number", &_TCustomSmtpClient::MailFrom, "hello there\r\n", {smtpMailFrom, 500}, "hello there"},
      {"empty line", &_TCustomSmtpClient::Rset, "\r\n", {smtpRset, 500}, ""},
      // A reply line longer than the reply buffer fails the request at once.
      {"over-long line",
       &_TCustomSmtpClient::MailFrom,
       "250 " + std::string(6000, 'x'),
       {smtpMailFrom, 500},
       "500 Reply line longer than 4096 bytes"},
      // A reply may run to 100 lines and 64 KB; past either it fails at once, whether or not the
      // server would ever end it.
      {"100 lines", &_TCustomSmtpClient::MailFrom, Lines(99, "250-x") + "250 ok\r\n", {smtpMailFrom, 0}, ""},
      {"101 lines",
       &_TCustomSmtpClient::MailFrom,
       Lines(100, "250-x") + "250 ok\r\n",
       {smtpMailFrom, 500},
       kReplyTooLong},
      {"endless", &_TCustomSmtpClient::MailFrom, Lines(150, "250-more"), {smtpMailFrom, 500}, kReplyTooLong},
      {"64 KB",
       &_TCustomSmtpClient::Rset,
       Lines(16, "250-" + std::string(3996, 'y')) + "250 ok\r\n",
       {smtpRset, 0},
       ""},
      {"over 64 KB",
       &_TCustomSmtpClient::Rset,
       Lines(17, "250-" + std::string(3996, 'y')),
       {smtpRset, 500},
       kReplyTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    done_.clear();
    server_.lines.clear();
    Open();
    replies_ = {c.reply};
    Call([&] { (client_.*c.request)(); });
    EXPECT_EQ(WaitDone(), c.want);
    EXPECT_EQ(client_.ErrorMessage(), c.errorMessage);
    EXPECT_EQ(client_.State(), smtpReady);
    client_.Abort();  // nothing is pending, so the abort completes nothing
    EXPECT_TRUE(RunUntil(loop_, [&] { return !server_.connected(); }));
    loop_.RunOnce(0);
    EXPECT_EQ(done_.size(), 2u);
  }
}

TEST_F(SmtpClientScriptedTest, VrfyAndCommandTexts) {
  Open();
  Call([&] { client_.Vrfy(); });
  WaitDone();
  Call([&] { client_.MailFrom(); });
  WaitDone();
  Call([&] { client_.Rset(); });
  WaitDone();
  Call([&] { client_.Quit(); });
  EXPECT_EQ(WaitDone(), (Done{smtpQuit, 0}));
  EXPECT_EQ(server_.lines, (std::vector<std::string>{"HELO client.test", "VRFY Ann <ann@example.test>",
                                                     "MAIL FROM:<sender@example.test>", "RSET", "QUIT"}));
}

TEST_F(SmtpClientScriptedTest, EarlierRecipientRefusedLastAccepted) {
  client_.SetRcptName({"bad@example.test", "  good@example.test\t"});
  Open();
  replies_ = {"550 5.1.1 No such user\r\n", "250 2.1.5 Ok\r\n"};
  Call([&] { client_.RcptTo(); });
  EXPECT_EQ(WaitDone(), (Done{smtpRcptTo, 0}));
  EXPECT_EQ(client_.ErrorMessage(), "550 5.1.1 No such user");
  EXPECT_TRUE(ServerGot("RCPT TO:<bad@example.test>"));
  EXPECT_TRUE(ServerGot("RCPT TO:<good@example.test>"));
}

TEST_F(SmtpClientScriptedTest, SendMailSendsTheTextDotStuffedAndSplitAtLineBreaks) {
  body_ = {"first", ".", "a\n.\r\nb", "..two"};
  Open();
  Call([&] { client_.SendMail(); });
  EXPECT_EQ(WaitDone(), (Done{smtpSendMail, 0}));
  const std::vector<std::string> data = DataLines();
  ASSERT_EQ(data.size(), 6u + 7u);  // the six header lines, then the blank line and the text
  EXPECT_EQ(std::vector<std::string>(data.end() - 7, data.end()),
            (std::vector<std::string>{"", "first", "..", "a", "..", "b", "...two"}));
  EXPECT_EQ(server_.lines.back(), ".");
  // Data lines are traced as sent; header lines are not.
  EXPECT_NE(std::find(display_.begin(), display_.end(), "> .."), display_.end());
  EXPECT_EQ(std::find(display_.begin(), display_.end(), "> Subject: Hello"), display_.end());
}

TEST_F(SmtpClientScriptedTest, RefusedDataSendsNoTextAndReportsTheRefusal) {
  body_ = {"RSET", "MAIL FROM:<spoof@example.test>"};
  Open();
  replies_ = {"250 ok\r\n", "250 ok\r\n", "554 5.7.1 No thanks\r\n"};
  Call([&] { client_.SendMail(); });
  EXPECT_EQ(WaitDone(), (Done{smtpSendMail, 554}));
  EXPECT_EQ(client_.ErrorMessage(), "554 5.7.1 No thanks");
  EXPECT_EQ(server_.lines.back(), "DATA");  // no header, no body line read as a command, no "."
  Call([&] { client_.Quit(); });
  EXPECT_EQ(WaitDone(), (Done{smtpQuit, 0}));
}

TEST_F(SmtpClientScriptedTest, AbortWhileAwaitingAReply) {
  Open();
  replies_ = {kSilence};
  Call([&] { client_.MailFrom(); });
  ASSERT_TRUE(RunUntil(loop_, [&] { return ServerGot("MAIL FROM:<sender@example.test>"); }));
  calling_ = true;
  client_.Abort();
  calling_ = false;
  EXPECT_EQ(client_.State(), smtpReady);
  EXPECT_FALSE(client_.Connected());
  EXPECT_EQ(WaitDone(), (Done{smtpMailFrom, 10004}));
  EXPECT_EQ(done_.size(), 2u);
}

TEST_F(SmtpClientScriptedTest, AbortWhileOpeningCompletesAsConnect) {
  greeting_ = "";  // connected, greeting never comes
  Call([&] { client_.OpenSession(); });
  ASSERT_TRUE(RunUntil(loop_, [&] { return client_.State() == smtpAwaitingGreeting; }));
  client_.Abort();
  EXPECT_EQ(WaitDone(), (Done{smtpConnect, 10004}));
}

TEST_F(SmtpClientScriptedTest, QuitWhenNotConnectedCompletesWithoutTraffic) {
  Call([&] { client_.Quit(); });
  EXPECT_TRUE(done_.empty());
  EXPECT_EQ(WaitDone(), (Done{smtpQuit, 0}));
  EXPECT_EQ(server_.connections, 0);
}

TEST_F(SmtpClientScriptedTest, MisuseIsRefusedAtOnceWithItsMessage) {
  auto expectRefusal = [this](const char* what, const std::function<void()>& request,
                              const std::string& message) {
    SCOPED_TRACE(what);
    const TSmtpState before = client_.State();
    try {
      request();
      ADD_FAILURE() << "accepted";
    } catch (const SmtpException& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    EXPECT_EQ(client_.State(), before);
  };
  expectRefusal(
      "command before connect", [&] { client_.Helo(); }, "SMTP component not connected");
  expectRefusal(
      "DATA before connect", [&] { client_.Data(); }, "SMTP component not connected");
  client_.SetRcptName({});
  expectRefusal(
      "no recipients", [&] { client_.RcptTo(); }, "RcptName list is empty");
  client_.SetRcptName({"ann@example.test"});

  Call([&] { client_.OpenSession(); });
  expectRefusal(
      "busy", [&] { client_.Rset(); }, "SMTP component not ready");
  expectRefusal(
      "busy quit", [&] { client_.Quit(); }, "SMTP component not ready");
  ASSERT_EQ(WaitDone(), (Done{smtpConnect, 0}));
  expectRefusal(
      "open twice", [&] { client_.OpenSession(); }, "SMTP component already connected");
  expectRefusal(
      "connect twice", [&] { client_.Connect(); }, "SMTP component already connected");

  // Input that would smuggle a command or a header line onto the wire.
  client_.SetFromName("a@example.test>\r\nRCPT TO:<victim@example.test");
  expectRefusal(
      "MAIL FROM with CR LF", [&] { client_.MailFrom(); },
      "Control character in the MAIL FROM address refused");
  expectRefusal(
      "SendMail with CR LF", [&] { client_.SendMail(); },
      "Control character in the MAIL FROM address refused");
  client_.SetFromName("a@example.test> SIZE=1 AUTH=<>");
  expectRefusal(
      "MAIL FROM with parameters", [&] { client_.MailFrom(); },
      "Blank, \"<\" or \">\" in the MAIL FROM address refused");
  client_.SetFromName("sender@example.test");
  client_.SetRcptName({"ann@example.test", "b@example.test\nDATA"});
  expectRefusal(
      "RCPT with LF", [&] { client_.RcptTo(); }, "Control character in the RCPT TO address refused");
  for (const char* rcpt :
       {"p1@t.test> NOTIFY=SUCCESS ORCPT=rfc822;spy@evil.test", "a@t.test>,<spy@evil.test", "a b@t.test"}) {
    client_.SetRcptName({rcpt});
    expectRefusal(
        rcpt, [&] { client_.RcptTo(); }, "Blank, \"<\" or \">\" in the RCPT TO address refused");
    expectRefusal(
        rcpt, [&] { client_.SendMail(); }, "Blank, \"<\" or \">\" in the RCPT TO address refused");
  }
  client_.SetRcptName({"ann@example.test"});
  client_.SetHdrSubject("Hi\r\nBcc: victim@example.test");
  expectRefusal(
      "SendMail with a broken subject", [&] { client_.SendMail(); },
      "Invalid character (CR, LF or NUL) in the Subject header");
  expectRefusal(
      "DATA with a broken subject", [&] { client_.Data(); },
      "Invalid character (CR, LF or NUL) in the Subject header");
  loop_.RunOnce(50);
  EXPECT_EQ(server_.lines, std::vector<std::string>{"HELO client.test"});
  EXPECT_EQ(done_.size(), 1u);
}

TEST_F(SmtpClientScriptedTest, UnreadableAttachmentDropsTheConnectionWithoutTheFinalDot) {
  test::TempDir dir;
  const std::string path = dir.File("gone.bin");
  test::WriteFile(path, "data");
  client_.SetEmailFiles({path});
  std::filesystem::remove(path);
  body_ = {"body"};
  Open();
  Call([&] { client_.SendMail(); });
  EXPECT_EQ(WaitDone(), (Done{smtpSendMail, 10004}));
  EXPECT_EQ(client_.ErrorMessage().rfind("500 Cannot open attachment '" + path + "'", 0), 0u)
      << client_.ErrorMessage();
  ASSERT_TRUE(RunUntil(loop_, [&] { return !server_.connected(); }));
  EXPECT_TRUE(ServerGot("body"));
  EXPECT_FALSE(ServerGot("."));
  EXPECT_FALSE(client_.Connected());
}

TEST_F(SmtpClientScriptedTest, ConnectionRefusedIsReportedWithTheSocketError) {
  std::string closedPort;
  {
    ScriptedSmtpServer gone(loop_);
    closedPort = gone.port();
  }
  client_.SetPort(closedPort);
  Call([&] { client_.OpenSession(); });
  EXPECT_EQ(WaitDone(), (Done{smtpConnect, 10061}));
  EXPECT_EQ(client_.LastResponse(), "500 Connection refused (Winsock error #10061)");
  EXPECT_EQ(client_.ErrorMessage(), client_.LastResponse());
  EXPECT_FALSE(client_.Connected());
  // The client is usable again.
  client_.SetPort(server_.port());
  Open();
}

TEST_F(SmtpClientScriptedTest, StepThatCannotStartEndsTheRequestWith500) {
  client_.SetHost("");  // the socket refuses to look up an empty name
  Call([&] { client_.OpenSession(); });
  EXPECT_EQ(WaitDone(), (Done{smtpConnect, 500}));
  EXPECT_EQ(client_.LastResponse(), "500 ESocketException: DNS lookup: invalid host name.");
  EXPECT_EQ(client_.State(), smtpReady);
  client_.SetHost("127.0.0.1");
  Open();
}

TEST_F(SmtpClientScriptedTest, UnknownHostIsReportedWithTheLookupError) {
  test::DnsmasqPeer dns;
  SetResolverServers(dns.address() + ":" + dns.portText());
  client_.SetHost("nohost.test");
  Call([&] { client_.OpenSession(); });
  const Done done = WaitDone();
  ResetResolverServers();
  EXPECT_EQ(done, (Done{smtpConnect, 11001}));
  EXPECT_EQ(client_.LastResponse(), "500 Host not found (Winsock error #11001)");
}

// What the socket hands to the network is reported as it goes: every byte the server got, commands
// and message text alike, and nothing more.
TEST_F(SmtpClientScriptedTest, BytesWrittenAddUpToWhatTheServerReceived) {
  std::size_t written = 0;
  client_.OnBytesWritten = [&](_TCustomSmtpClient* sender, std::size_t count) {
    EXPECT_EQ(sender, &client_);
    written += count;
  };
  body_.assign(3000, std::string(70, 'z'));  // several 16 KB batches
  Open();
  Call([&] { client_.SendMail(); });
  ASSERT_EQ(WaitDone(), (Done{smtpSendMail, 0}));
  Call([&] { client_.Quit(); });
  ASSERT_EQ(WaitDone(), (Done{smtpQuit, 0}));
  std::size_t received = 0;
  for (const std::string& line : server_.lines) received += line.size() + 2;
  EXPECT_EQ(written, received);
}

// The hook before the final "." sees every line of the text handed over and the "." not yet; when it
// throws, the connection is dropped without the "." and the message is not delivered.
TEST_F(SmtpClientScriptedTest, HookBeforeTheFinalDotRunsOnceAndMayStopTheMessage) {
  struct Case {
    const char* name;
    int bodyLines;  // 70 characters each: one batch, or several of 16 KB
    bool fail;
  } cases[] = {{"short, handed over", 3, false},
               {"long, handed over", 1000, false},
               {"short, stopped", 3, true},
               {"long, stopped", 1000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.lines.clear();
    display_.clear();
    body_.assign(static_cast<std::size_t>(c.bodyLines), std::string(69, 'w'));
    body_.back() = "last line";
    int calls = 0;
    client_.OnBeforeEndOfData = [&](_TCustomSmtpClient* sender) {
      EXPECT_EQ(sender, &client_);
      ++calls;
      EXPECT_EQ(display_.back(), "> last line");  // every line produced, "." not yet sent
      if (c.fail) throw std::runtime_error("journal full");
    };
    Open();
    Call([&] { client_.SendMail(); });
    if (c.fail) {
      EXPECT_EQ(WaitDone(), (Done{smtpSendMail, 10004}));
      EXPECT_EQ(client_.ErrorMessage(), "500 journal full");
      ASSERT_TRUE(RunUntil(loop_, [&] { return !server_.connected(); }));
      EXPECT_FALSE(ServerGot("."));
      EXPECT_TRUE(ServerGot("last line"));  // what was produced still went out, without the "."
      inData_ = false;                      // the scripted server never saw the message end
    } else {
      EXPECT_EQ(WaitDone(), (Done{smtpSendMail, 0}));
      ASSERT_TRUE(ServerGot("."));
      EXPECT_EQ(*(std::find(server_.lines.begin(), server_.lines.end(), ".") - 1), "last line");
      client_.Abort();
      ASSERT_TRUE(RunUntil(loop_, [&] { return !server_.connected(); }));
    }
    EXPECT_EQ(calls, 1);
    loop_.RunOnce(0);
  }
}

TEST_F(SmtpClientScriptedTest, ClientMayBeReleasedFromItsOwnCompletion) {
  auto owned = std::make_unique<_TSmtpCli>(loop_);
  owned->SetHost("127.0.0.1");
  owned->SetPort(server_.port());
  owned->SetSignOn("client.test");
  bool released = false;
  owned->OnRequestDone = [&](_TCustomSmtpClient*, TSmtpRequest, uint16_t) {
    released = true;
    owned.reset();  // the last thing the handler does: its own closure goes with the client
  };
  owned->OpenSession();
  ASSERT_TRUE(RunUntil(loop_, [&] { return released; }));
  loop_.RunOnce(50);
}

}  // namespace
}  // namespace norvane
