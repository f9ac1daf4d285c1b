#include "sandbox/smtp_session.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace norvane {
namespace {

// Keeps what the session hands over, so tests can compare exact bytes.
struct RecordingSink : MessageSink {
  struct Stored {
    Envelope envelope;
    std::string data;
    std::string reply;
  };
  std::string BeginMessage(const Envelope& envelope) override {
    if (refuseBegin) return {};
    open = true;
    current = {envelope, {}, {}};
    return "ID" + std::to_string(stored.size() + 1);
  }
  void AppendMessageData(std::string_view bytes) override {
    EXPECT_TRUE(open);
    current.data.append(bytes);
  }
  bool EndMessage(std::string_view reply) override {
    EXPECT_TRUE(open);
    open = false;
    if (refuseEnd) return false;
    current.reply = reply;
    stored.push_back(current);
    return true;
  }
  void AbandonMessage() override {
    EXPECT_TRUE(open);
    open = false;
    ++abandoned;
  }
  void RecordRefusal(std::string_view, std::string_view recipient, std::string_view reply) override {
    refusals.push_back(std::string(recipient) + " " + std::string(reply));
  }

  bool refuseBegin = false;
  bool refuseEnd = false;
  bool open = false;
  Stored current;
  std::vector<Stored> stored;
  std::vector<std::string> refusals;
  int abandoned = 0;
};

class SmtpSessionTest : public ::testing::Test {
 protected:
  SmtpSessionTest() : session(sink, "sandbox.test", 1000) {}

  // Everything the session sends for `input`; waits and closes show as markers.
  std::string Exchange(std::string_view input) {
    session.Feed(input);
    return Render(session.TakeActions());
  }
  static std::string Render(const std::deque<SmtpAction>& actions) {
    std::string out;
    for (const SmtpAction& action : actions) {
      if (action.kind == SmtpAction::Kind::kSend) out += action.bytes;
      if (action.kind == SmtpAction::Kind::kWait) out += "[wait " + std::to_string(action.waitMs) + "]";
      if (action.kind == SmtpAction::Kind::kClose) out += "[close]";
    }
    return out;
  }
  void Greet() {
    session.Start();
    ASSERT_EQ(Render(session.TakeActions()), "220 sandbox.test ESMTP Norvane sandbox ready\r\n");
  }

  RecordingSink sink;
  SandboxSmtpSession session;
};

TEST_F(SmtpSessionTest, PlainDialogueStoresTheMessageWithDotStuffingUndone) {
  Greet();
  EXPECT_EQ(Exchange("HELO client.test\r\n"), "250 sandbox.test\r\n");
  EXPECT_EQ(Exchange("MAIL FROM:<from@a.test>\r\n"), "250 2.1.0 Ok\r\n");
  EXPECT_EQ(Exchange("RCPT TO:<to@b.test>\r\n"), "250 2.1.5 Ok\r\n");
  EXPECT_EQ(Exchange("DATA\r\n"), "354 Start mail input; end with <CRLF>.<CRLF>\r\n");
  // Line ends are kept as they came, bare LF included; one leading dot is removed.
  EXPECT_EQ(Exchange("Subject: x\r\n\r\n..leading dot\r\n. \r\nbare lf\n...\r\n"), "");
  EXPECT_EQ(Exchange(".\r\n"), "250 2.0.0 Ok: queued as ID1\r\n");
  EXPECT_EQ(Exchange("QUIT\r\n"), "221 2.0.0 Bye\r\n[close]");
  ASSERT_EQ(sink.stored.size(), 1u);
  EXPECT_EQ(sink.stored[0].envelope.sender, "from@a.test");
  EXPECT_EQ(sink.stored[0].envelope.recipients, std::vector<std::string>{"to@b.test"});
  EXPECT_EQ(sink.stored[0].data, "Subject: x\r\n\r\n.leading dot\r\n \r\nbare lf\n..\r\n");
  EXPECT_EQ(sink.stored[0].reply, "250 2.0.0 Ok: queued as ID1");
  EXPECT_TRUE(session.closed());
  EXPECT_EQ(Exchange("NOOP\r\n"), "");  // nothing after QUIT
}

TEST_F(SmtpSessionTest, OnlyCrLfDotCrLfEndsTheText) {
  // A "." line next to a bare LF is text: otherwise a second message could be
  // hidden inside the first and be taken for the client's next transaction.
  Greet();
  Exchange("HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\n");
  EXPECT_EQ(Exchange("a\n.\r\nMAIL FROM:<evil@x>\r\nb\r\n.\nc\r\n"), "");
  EXPECT_EQ(Exchange(".\r\n"), "250 2.0.0 Ok: queued as ID1\r\n");
  ASSERT_EQ(sink.stored.size(), 1u);
  EXPECT_EQ(sink.stored[0].data, "a\n\r\nMAIL FROM:<evil@x>\r\nb\r\n\nc\r\n");
  // The first line of the text may be the end at once (an empty message).
  EXPECT_EQ(Exchange("MAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\n.\r\n"),
            "250 2.1.0 Ok\r\n250 2.1.5 Ok\r\n354 Start mail input; end with <CRLF>.<CRLF>\r\n"
            "250 2.0.0 Ok: queued as ID2\r\n");
  EXPECT_EQ(sink.stored.at(1).data, "");
}

TEST_F(SmtpSessionTest, PipelinedCommandsInOneReadAreAnsweredInOrderInOneWrite) {
  Greet();
  session.Feed(
      "EHLO c\r\nMAIL FROM:<> BODY=8BITMIME\r\nRCPT TO:<a@x>\r\nRCPT TO:<reject-550@x>\r\n"
      "RCPT TO:b@x\r\nDATA\r\nhi\r\n.\r\nRSET\r\nNOOP\r\nQU");
  std::deque<SmtpAction> actions = session.TakeActions();
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0].bytes,
            "250-sandbox.test\r\n250-PIPELINING\r\n250-8BITMIME\r\n250 ENHANCEDSTATUSCODES\r\n"
            "250 2.1.0 Ok\r\n250 2.1.5 Ok\r\n"
            "550 5.1.1 <reject-550@x>: Recipient address rejected: mailbox unavailable (scripted)\r\n"
            "250 2.1.5 Ok\r\n354 Start mail input; end with <CRLF>.<CRLF>\r\n"
            "250 2.0.0 Ok: queued as ID1\r\n250 2.0.0 Ok\r\n250 2.0.0 Ok\r\n");
  EXPECT_EQ(Exchange("IT\r\n"), "221 2.0.0 Bye\r\n[close]");  // a command split over two reads
  ASSERT_EQ(sink.stored.size(), 1u);
  EXPECT_EQ(sink.stored[0].envelope.sender, "");
  EXPECT_EQ(sink.stored[0].envelope.recipients, (std::vector<std::string>{"a@x", "b@x"}));
  EXPECT_EQ(sink.stored[0].data, "hi\r\n");
  EXPECT_EQ(sink.refusals,
            std::vector<std::string>{"reject-550@x 550 5.1.1 <reject-550@x>: Recipient address rejected: "
                                     "mailbox unavailable (scripted)"});
}

TEST_F(SmtpSessionTest, ScriptedRecipientsGetTheirReplies) {
  struct Row {
    const char* recipient;
    const char* reply;
  } rows[] = {
      {"full-552@x", "552 5.2.2 <full-552@x>: Mailbox full (scripted)\r\n"},
      {"tempfail-450@x", "450 4.2.0 <tempfail-450@x>: Mailbox temporarily unavailable (scripted)\r\n"},
      {"slow-3@x", "[wait 3000]250 2.1.5 Ok\r\n"},
      {"drop@x", "[close]"},
      {"ok@x", "250 2.1.5 Ok\r\n"},
  };
  for (const Row& row : rows) {
    RecordingSink sink;
    SandboxSmtpSession session(sink, "h");
    session.Feed("HELO c\r\nMAIL FROM:<f@x>\r\n");
    session.TakeActions();
    session.Feed("RCPT TO:<" + std::string(row.recipient) + ">\r\n");
    EXPECT_EQ(Render(session.TakeActions()), row.reply) << row.recipient;
  }
}

TEST_F(SmtpSessionTest, ATemporaryRefusalForTheFirstTriesIsCountedAcrossConnections) {
  std::unordered_map<std::string, unsigned> counts;
  auto rcpt = [&](std::unordered_map<std::string, unsigned>* shared, const std::string& address) {
    RecordingSink sink;
    SandboxSmtpSession session(sink, "h");
    session.SetTryCounts(shared);
    session.Feed("HELO c\r\nMAIL FROM:<f@x>\r\n");
    session.TakeActions();
    session.Feed("RCPT TO:<" + address + ">\r\n");
    return Render(session.TakeActions()).substr(0, 3);
  };
  EXPECT_EQ(rcpt(&counts, "tempfail-450-2@x"), "450");
  EXPECT_EQ(rcpt(&counts, "Tempfail-450-2@X"), "450");  // one address, whatever its letter case
  EXPECT_EQ(rcpt(&counts, "tempfail-450-2@x"), "250");
  EXPECT_EQ(rcpt(&counts, "tempfail-450-2+b@x"), "450");  // another address
  EXPECT_EQ(rcpt(nullptr, "tempfail-450-1@x"), "450");    // nothing counts: always refused
  EXPECT_EQ(rcpt(nullptr, "tempfail-450-1@x"), "450");
}

TEST_F(SmtpSessionTest, ASlowReplyHoldsBackEverythingPipelinedAfterIt) {
  Greet();
  EXPECT_EQ(Exchange("HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<slow-2@x>\r\nDATA\r\nbody\r\n.\r\nQUIT\r\n"),
            "250 sandbox.test\r\n250 2.1.0 Ok\r\n[wait 2000]250 2.1.5 Ok\r\n"
            "354 Start mail input; end with <CRLF>.<CRLF>\r\n250 2.0.0 Ok: queued as ID1\r\n221 2.0.0 "
            "Bye\r\n[close]");
}

TEST_F(SmtpSessionTest, DropInTheMiddleIgnoresTheRest) {
  Greet();
  EXPECT_EQ(Exchange("HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<drop+1@x>\r\nDATA\r\nbody\r\n.\r\n"),
            "250 sandbox.test\r\n250 2.1.0 Ok\r\n[close]");
  EXPECT_TRUE(sink.stored.empty());
  EXPECT_EQ(sink.refusals.size(), 1u);
}

TEST_F(SmtpSessionTest, CommandsOutOfOrderOrMalformedAreRefused) {
  Greet();
  struct Row {
    const char* command;
    const char* reply;
  } rows[] = {
      {"RCPT TO:<a@x>", "503 5.5.1 Error: need MAIL command"},
      {"DATA", "503 5.5.1 Error: need MAIL command"},
      {"MAIL TO:<a@x>", "501 5.5.4 Syntax: MAIL FROM:<address>"},
      {"MAIL FROM:<a@x", "501 5.5.4 Syntax: MAIL FROM:<address>"},
      {"HELO", "501 5.5.4 Syntax: HELO hostname"},
      {"mail from: <f@x>", "250 2.1.0 Ok"},
      {"MAIL FROM:<g@x>", "503 5.5.1 Error: nested MAIL command"},
      {"DATA", "503 5.5.1 Error: need RCPT command"},
      {"RCPT TO:<>", "501 5.5.4 Syntax: RCPT TO:<address>"},
      {"RCPT TO:<@relay.x,@r2.x:user@x>", "250 2.1.5 Ok"},
      {"DATA now", "501 5.5.4 Syntax: DATA"},
      {"RCPT TO:<a\rb@x>", "250 2.1.5 Ok"},
      {"RCPT TO:<reject-550\r@x>", "250 2.1.5 Ok"},
      {"VRFY a", "252 2.0.0 Cannot verify the user; send mail and see"},
      {"", "500 5.5.2 Error: bad syntax"},
      {"STARTTLS", "502 5.5.2 Command not recognized"},
      {"RSET", "250 2.0.0 Ok"},
      {"RCPT TO:<a@x>", "503 5.5.1 Error: need MAIL command"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Exchange(std::string(row.command) + "\r\n"), std::string(row.reply) + "\r\n") << row.command;
  }
}

TEST_F(SmtpSessionTest, EchoedAddressesCannotInjectReplyLines) {
  session.Feed("MAIL FROM:<f@x>\r\n");
  session.TakeActions();
  EXPECT_EQ(Exchange("RCPT TO:<reject-550@x\rX>\r\n"),
            "550 5.1.1 <reject-550@x?X>: Recipient address rejected: mailbox unavailable (scripted)\r\n");
}

TEST_F(SmtpSessionTest, OverlongCommandLineIsSkippedAndRefused) {
  Greet();
  std::string longLine = "NOOP " + std::string(SandboxSmtpSession::kMaxCommandLine, 'a') + "\r\n";
  // Fed in small pieces, so the cap must hold across reads too.
  std::string got;
  for (size_t i = 0; i < longLine.size(); i += 100) got += Exchange(longLine.substr(i, 100));
  EXPECT_EQ(got, "500 5.5.2 Line too long\r\n");
  EXPECT_EQ(Exchange("NOOP\r\n"), "250 2.0.0 Ok\r\n");
  // Exactly at the cap, the line end included, is still a command.
  std::string atCap = "NOOP " + std::string(SandboxSmtpSession::kMaxCommandLine - 7, 'a') + "\r\n";
  ASSERT_EQ(atCap.size(), SandboxSmtpSession::kMaxCommandLine);
  EXPECT_EQ(Exchange(atCap), "250 2.0.0 Ok\r\n");
}

TEST_F(SmtpSessionTest, OverlongTextLineRefusesTheMessageAtItsEnd) {
  Greet();
  Exchange("HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\n");
  std::string longLine(SandboxSmtpSession::kMaxTextLine + 1, 'b');
  EXPECT_EQ(Exchange("ok line\r\n" + longLine + "\r\nafter\r\n"), "");
  EXPECT_EQ(Exchange(".\r\n"), "500 5.5.2 Line too long\r\n");
  EXPECT_TRUE(sink.stored.empty());
  EXPECT_EQ(sink.abandoned, 1);
  EXPECT_EQ(sink.current.data, "ok line\r\n");  // no piece of the long line, nothing after it
  // The session goes on with the next transaction.
  EXPECT_EQ(Exchange("MAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\nx\r\n.\r\n"),
            "250 2.1.0 Ok\r\n250 2.1.5 Ok\r\n354 Start mail input; end with <CRLF>.<CRLF>\r\n"
            "250 2.0.0 Ok: queued as ID1\r\n");
}

TEST_F(SmtpSessionTest, MessageOverTheSizeLimitIsRefusedAndNotKept) {
  Greet();
  Exchange("HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\n");
  std::string line(98, 'c');
  line += "\r\n";
  for (int i = 0; i < 11; ++i) EXPECT_EQ(Exchange(line), "");  // 1100 bytes against a limit of 1000
  EXPECT_EQ(Exchange(".\r\n"), "552 5.3.4 Message size exceeds fixed limit\r\n");
  EXPECT_TRUE(sink.stored.empty());
  EXPECT_EQ(sink.abandoned, 1);
  std::string kept;
  for (int i = 0; i < 10; ++i) kept += line;
  EXPECT_EQ(sink.current.data, kept);  // the lines up to the limit, none past it
}

TEST_F(SmtpSessionTest, StorageFailuresAreTemporaryErrorsNotSuccess) {
  Greet();
  sink.refuseBegin = true;
  EXPECT_EQ(Exchange("HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\n"),
            "250 sandbox.test\r\n250 2.1.0 Ok\r\n250 2.1.5 Ok\r\n451 4.3.0 Error: cannot store message\r\n");
  sink.refuseBegin = false;
  sink.refuseEnd = true;
  EXPECT_EQ(Exchange("DATA\r\nx\r\n.\r\n"),
            "354 Start mail input; end with <CRLF>.<CRLF>\r\n451 4.3.0 Error: cannot store message\r\n");
}

TEST_F(SmtpSessionTest, LostConnectionAbandonsTheMessage) {
  Greet();
  Exchange("HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\npartial\r\n");
  session.ConnectionLost();
  EXPECT_EQ(sink.abandoned, 1);
  EXPECT_FALSE(sink.open);
  EXPECT_TRUE(sink.stored.empty());
}

TEST_F(SmtpSessionTest, TooManyErrorsCloseTheConnection) {
  Greet();
  std::string junk;
  for (int i = 0; i < SandboxSmtpSession::kMaxErrors + 5; ++i) junk += "GET / HTTP/1.0\r\n";
  std::string got = Exchange(junk);
  std::string want;
  for (int i = 0; i < SandboxSmtpSession::kMaxErrors; ++i) want += "502 5.5.2 Command not recognized\r\n";
  want += "421 4.7.0 sandbox.test Too many errors, closing connection\r\n[close]";
  EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace norvane
