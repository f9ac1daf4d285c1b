// The delivery session against a scripted mail host, reached as the relay
// (gateway) so that no DNS is involved: for the servers and owners that a
// real peer will not play on demand.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/relay_server.h"
#include "engine/transcript.h"
#include "engine_run.h"
#include "scripted_mail_host.h"

namespace norvane {
namespace {

using test::EngineRun;
using test::Outcome;
using test::ScriptedMailHost;

// `count` copies of `line`, each ended by CR LF.
std::string Lines(int count, const std::string& line) {
  std::string out;
  for (int i = 0; i < count; ++i) out += line + "\r\n";
  return out;
}

class DeliverySessionTest : public ::testing::Test {
 protected:
  // Every copy goes to the scripted host.
  void Configure(EngineRun& run) {
    run.server.Setgateway("127.0.0.1");
    run.server.Port = host_.port();
    run.server.SetTimeOut(30);
  }
  // Drives the loop until OnFinished; the finish timer runs on the fake clock, so time is moved on
  // once the last session has ended.
  bool UntilFinished(EngineRun& run, int limitMs = 20000) {
    return test::RunUntil(
        loop_,
        [&] {
          if (!run.server.Busy()) clock_.Advance(100);
          return run.finished;
        },
        limitMs);
  }
  bool HostGot(const std::string& command) const {
    return std::find(host_.commands.begin(), host_.commands.end(), command) != host_.commands.end();
  }

  FakeClock clock_{SystemClock().MonotonicMs()};
  EventLoop loop_{clock_};
  ScriptedMailHost host_{loop_};
};

// A reply that never ends fails its request at once, and the session moves on as after any failed
// command: RSET, QUIT, the outcome.
TEST_F(DeliverySessionTest, EndlessReplyFailsTheRequestAtOnce) {
  host_.onCommand = [](ScriptedMailHost::Session& session, const std::string& line) {
    if (line.rfind("MAIL FROM:", 0) != 0) return false;
    session.Send(Lines(500, "250-and more"));
    return true;
  };
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"ann@example.test"});
  run.server.Start();
  ASSERT_TRUE(UntilFinished(run));
  const Outcome& outcome = run.outcomes[0];
  EXPECT_EQ(outcome.err, 500);
  EXPECT_TRUE(EngineRun::LogHasLine(outcome, "500 Reply longer than 100 lines or 64 KB"));
  EXPECT_TRUE(HostGot("RSET"));
  EXPECT_LE(outcome.log.size(), Transcript::kHeadLines + 1 + Transcript::kTailLines);
  EXPECT_EQ(host_.messages, 0);
}

// A server answering with replies of a hundred lines to every command keeps within every limit, but
// the transcript of the recipient still keeps only its head and tail.
TEST_F(DeliverySessionTest, TranscriptOfLongRepliesKeepsItsHeadAndTail) {
  host_.greeting = Lines(99, "220-welcome") + "220 ready\r\n";
  host_.onCommand = [](ScriptedMailHost::Session& session, const std::string& line) {
    if (line == "DATA") {
      session.inData = true;
      session.Send(Lines(99, "354-go on") + "354 go\r\n");
    } else if (line == "QUIT") {
      session.Send(Lines(99, "221-bye") + "221 bye\r\n");
    } else {
      session.Send(Lines(99, "250-fine") + "250 ok\r\n");
    }
    return true;
  };
  host_.onEndOfData = [](ScriptedMailHost::Session& session) {
    session.Send(Lines(99, "250-queued") + "250 queued\r\n");
    return true;
  };
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"ann@example.test"});
  run.server.Start();
  ASSERT_TRUE(UntilFinished(run));
  const Outcome& outcome = run.outcomes[0];
  EXPECT_EQ(outcome.err, kResultDelivered);
  // "Using relay", "Trying SMTP host", "Opening Connection", six commands and seven replies of a
  // hundred lines: 709 lines, of which the first and last hundred are kept.
  ASSERT_EQ(outcome.log.size(), 201u);
  EXPECT_EQ(outcome.log.front(), "Using relay \"127.0.0.1\"");
  EXPECT_EQ(outcome.log[100], "... 509 lines left out ...");
  EXPECT_EQ(outcome.log.back(), "221 bye");
}

// Continuation lines are no sign of life: a reply dripping out one line at a time ends in the
// time-out like silence does, whatever the lines say.
TEST_F(DeliverySessionTest, ContinuationLinesDoNotKeepTheSessionAlive) {
  ScriptedMailHost::Session* waiting = nullptr;
  host_.onCommand = [&](ScriptedMailHost::Session& session, const std::string& line) {
    if (line.rfind("MAIL FROM:", 0) != 0) return false;
    waiting = &session;
    return true;
  };
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"ann@example.test"});
  run.server.Start();
  ASSERT_TRUE(test::RunUntil(loop_, [&] { return waiting != nullptr; }));
  for (int i = 0; i < 6 && run.outcomes.empty(); ++i) {
    waiting->Send("250-still thinking\r\n");
    for (int k = 0; k < 10; ++k) loop_.RunOnce(10);  // the line reaches the client
    clock_.Advance(20000);
    loop_.RunOnce(0);
  }
  ASSERT_EQ(run.outcomes.count(0), 1u);
  EXPECT_EQ(run.outcomes[0].err, kResultTimeOut);
  EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[0], "Connection time-out"));
}

// An address that would add parameters or recipients to the envelope is refused before any command
// (and before any DNS query); the others of the run are delivered as usual.
TEST_F(DeliverySessionTest, AddressesThatWouldChangeTheEnvelopeAreRefused) {
  const std::vector<std::string> refused = {
      "p1@t.test> NOTIFY=SUCCESS ORCPT=rfc822;spy@evil.test",
      "a@t.test>,<spy@evil.test",
      "<a@t.test",
      "a b@t.test",
      "a@t.test\r\nRCPT TO:<spy@evil.test>",
      std::string("a@t.test") + '\t',
      " a@t.test",
  };
  const std::vector<std::string> reason = {
      "Invalid e-mail address: it may not hold blanks, \"<\", \">\" or control characters"};
  // Through the relay, between two good addresses that are delivered.
  {
    std::vector<std::string> recipients = {"first@t.test"};
    recipients.insert(recipients.end(), refused.begin(), refused.end());
    recipients.push_back("last@t.test");
    EngineRun run(loop_);
    Configure(run);
    run.Recipients(recipients);
    run.server.Start();
    ASSERT_TRUE(UntilFinished(run));
    ASSERT_EQ(run.outcomes.size(), recipients.size());
    EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
    EXPECT_EQ(run.outcomes[static_cast<int>(recipients.size()) - 1].err, kResultDelivered);
    for (std::size_t i = 1; i <= refused.size(); ++i) {
      EXPECT_EQ(run.outcomes[static_cast<int>(i)].err, kResultBadAddress) << i;
      EXPECT_EQ(run.outcomes[static_cast<int>(i)].log, reason) << i;
    }
    std::vector<std::string> rcpts;
    for (const std::string& command : host_.commands) {
      if (command.rfind("RCPT", 0) == 0) rcpts.push_back(command);
    }
    EXPECT_EQ(rcpts, (std::vector<std::string>{"RCPT TO:<first@t.test>", "RCPT TO:<last@t.test>"}));
  }
  // Asking DNS: no query goes out for them (none would be answered here), so they end at once.
  EngineRun run(loop_);
  run.server.SetDns("127.0.0.1");
  run.server.DnsPort = "9";
  run.Recipients(refused);
  run.server.Start();
  ASSERT_EQ(run.outcomes.size(), refused.size());
  for (const auto& [index, outcome] : run.outcomes) {
    EXPECT_EQ(outcome.err, kResultBadAddress) << index;
    EXPECT_EQ(outcome.log, reason) << index;
  }
  ASSERT_TRUE(UntilFinished(run));
}

// Once the server took the message with 250, it is delivered: whatever QUIT then meets, the outcome is
// 0 and the message is not sent again.
TEST_F(DeliverySessionTest, AcceptedMessageIsDeliveredWhateverQuitMeets) {
  enum class Quit { kRefused, kClosed, kSilent, kAborted };
  const std::pair<Quit, const char*> cases[] = {{Quit::kRefused, "QUIT refused"},
                                                {Quit::kClosed, "closed on QUIT"},
                                                {Quit::kSilent, "silent on QUIT"},
                                                {Quit::kAborted, "run stopped during QUIT"}};
  for (const auto& [quit, name] : cases) {
    SCOPED_TRACE(name);
    host_.messages = 0;
    bool quitSeen = false;
    host_.onCommand = [&, quit = quit](ScriptedMailHost::Session& session, const std::string& line) {
      if (line != "QUIT") return false;
      quitSeen = true;
      if (quit == Quit::kRefused) session.Send("500 5.5.1 Not now\r\n");
      if (quit == Quit::kClosed) session.Close();
      return true;
    };
    EngineRun run(loop_);
    Configure(run);
    run.Recipients({"ann@example.test"});
    run.server.Start();
    ASSERT_TRUE(test::RunUntil(loop_, [&] { return quitSeen; }));
    if (quit == Quit::kSilent) {
      clock_.Advance(30000);
      loop_.RunOnce(0);
      clock_.Advance(30000);
      loop_.RunOnce(0);
    }
    if (quit == Quit::kAborted) run.server.Abort();
    ASSERT_TRUE(UntilFinished(run));
    EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
    EXPECT_EQ(host_.messages, 1);
  }
}

// A long run of recipients that fail at once must not deepen the stack with each one (under ASan
// the stack is small enough for the old recursion to overflow).
TEST_F(DeliverySessionTest, ManyRecipientsFailingAtOnceKeepTheStackFlat) {
  constexpr int kRecipients = 100000;
  struct Case {
    const char* name;
    std::string address;
    int err;
  } cases[] = {{"domain that cannot be asked", "user@bad..test", kResultNoHost},
               {"address that would change the envelope", "a b@t.test", kResultBadAddress}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineRun run(loop_);
    run.server.SetDns("127.0.0.1");
    std::map<int, int> counts;  // outcome code -> recipients
    run.server.OnEMailProcessed = [&](TSmtpRelayServer*, int, int err, const std::vector<std::string>&) {
      ++counts[err];
    };
    run.Recipients(std::vector<std::string>(kRecipients, c.address));
    run.server.Start();
    ASSERT_TRUE(UntilFinished(run));
    EXPECT_EQ(counts, (std::map<int, int>{{c.err, kRecipients}}));
  }
}

// On a slow link a large message takes longer than the time-out to send; bytes the network takes are
// signs of life, so only a link that stops moving ends in the time-out.
TEST_F(DeliverySessionTest, BytesTheNetworkTakesKeepTheSessionAlive) {
  ScriptedMailHost::Session* receiving = nullptr;
  host_.onCommand = [&](ScriptedMailHost::Session& session, const std::string& line) {
    if (line != "DATA") return false;
    session.inData = true;
    session.Send("354 go ahead\r\n");
    session.PauseReading();  // the network backs up with what the client sends
    receiving = &session;
    return true;
  };
  EngineRun run(loop_);
  Configure(run);
  // 12 MB of text: more than the network can hold while the host reads nothing.
  run.server.Setbody(std::vector<std::string>(12000, std::string(999, 'b')));
  run.Recipients({"ann@example.test"});
  run.server.Start();
  ASSERT_TRUE(test::RunUntil(loop_, [&] { return receiving != nullptr; }));
  // The client fills the network and stalls: nothing is dispatched any more.
  auto settle = [&] {
    while (loop_.RunOnce(50)) {
    }
  };
  settle();

  for (int step = 0; step < 3; ++step) {
    clock_.Advance(25000);
    loop_.RunOnce(0);
    // A little moves: the host takes 1 MB and the client writes on until it stalls again.
    const std::size_t before = receiving->bytesReceived;
    receiving->ResumeReading(1 << 20);
    ASSERT_TRUE(test::RunUntil(loop_, [&] { return receiving->bytesReceived >= before + (1 << 20); }));
    settle();
    ASSERT_TRUE(run.outcomes.empty()) << "cancelled while the message was moving, at step " << step;
  }
  receiving->ResumeReading();
  ASSERT_TRUE(UntilFinished(run, 60000));
  EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
  EXPECT_EQ(host_.messages, 1);

  // A link that stops moving still ends in the time-out.
  receiving = nullptr;
  EngineRun stalled(loop_);
  Configure(stalled);
  stalled.server.Setbody(std::vector<std::string>(12000, std::string(999, 'b')));
  stalled.Recipients({"ann@example.test"});
  stalled.server.Start();
  ASSERT_TRUE(test::RunUntil(loop_, [&] { return receiving != nullptr; }));
  settle();
  clock_.Advance(30000);
  loop_.RunOnce(0);
  clock_.Advance(30000);
  loop_.RunOnce(0);
  ASSERT_EQ(stalled.outcomes.count(0), 1u);
  EXPECT_EQ(stalled.outcomes[0].err, kResultTimeOut);
}

// An owner's callback that throws fails only the recipient it was called for, reported once with the
// reason in its transcript; the run, and the loop, go on.
TEST_F(DeliverySessionTest, ExceptionsFromTheOwnersCallbacksFailOnlyTheirRecipient) {
  std::vector<std::string> loopFailures;
  loop_.SetErrorHook([&](const std::string& what) { loopFailures.push_back(what); });
  EngineRun run(loop_);
  Configure(run);
  run.server.OnGetData = [&](TSmtpRelayServer*, int index, std::string&, std::string&,
                             std::vector<std::string>&) {
    run.gotData.push_back(index);
    if (index == 1) throw std::runtime_error("merge failed");
  };
  run.server.OnProcessHeader = [](TSmtpRelayServer*, int index, std::vector<std::string>&) {
    if (index == 2) throw 7;
  };
  auto record = run.server.OnEMailProcessed;
  run.server.OnEMailProcessed = [&](TSmtpRelayServer* sender, int index, int err,
                                    const std::vector<std::string>& log) {
    record(sender, index, err, log);
    if (index == 3) throw std::runtime_error("row gone");
  };
  run.server.OnHandingOver = [](TSmtpRelayServer*, int index) {
    if (index == 4) throw std::runtime_error("journal full");
  };
  run.Recipients({"a@t.test", "b@t.test", "c@t.test", "d@t.test", "e@t.test", "f@t.test"});
  EXPECT_NO_THROW(run.server.Start());
  ASSERT_TRUE(UntilFinished(run));
  ASSERT_EQ(run.outcomes.size(), 6u);
  EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
  EXPECT_EQ(run.outcomes[1].err, kResultDataRefused);
  EXPECT_EQ(run.outcomes[1].log, std::vector<std::string>{"Could not prepare the message: merge failed"});
  EXPECT_EQ(run.outcomes[2].err, kResultDataRefused);
  EXPECT_TRUE(
      EngineRun::LogHasLine(run.outcomes[2], "Could not prepare the message header: unknown exception"));
  EXPECT_EQ(run.outcomes[3].err, kResultDelivered);
  EXPECT_EQ(run.outcomes[4].err, 10004);  // dropped without the final "."
  EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[4], "Could not hand the message over: journal full"));
  EXPECT_EQ(run.outcomes[5].err, kResultDelivered);
  EXPECT_EQ(host_.messages, 3);
  EXPECT_EQ(loopFailures, std::vector<std::string>{"row gone"});
}

// OnHandingOver comes once per recipient and host, after the whole text and before the server has the
// final ".".
TEST_F(DeliverySessionTest, HandingOverComesJustBeforeTheFinalDot) {
  EngineRun run(loop_);
  Configure(run);
  run.server.Setbody(std::vector<std::string>(200, std::string(200, 'h')));  // several 16 KB batches
  std::vector<std::pair<int, int>> handovers;  // recipient, messages the host had then
  run.server.OnHandingOver = [&](TSmtpRelayServer* sender, int index) {
    EXPECT_EQ(sender, &run.server);
    EXPECT_EQ(run.outcomes.count(index), 0u);
    handovers.emplace_back(index, host_.messages);
  };
  run.Recipients({"a@t.test", "b@t.test", "c@t.test"});
  run.server.Start();
  ASSERT_TRUE(UntilFinished(run));
  EXPECT_EQ(handovers, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_EQ(host_.messages, 3);
}

// After a refused recipient the session resets the dialogue: the host gets RSET and QUIT, the
// transcript shows the refusal and QUIT but not the RSET exchange.
TEST_F(DeliverySessionTest, RefusedRecipientIsResetWithoutTheResetInTheTranscript) {
  host_.onCommand = [](ScriptedMailHost::Session& session, const std::string& line) {
    if (line.rfind("RCPT TO:", 0) != 0) return false;
    session.Send("550 5.1.1 No such user\r\n");
    return true;
  };
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"ann@example.test"});
  run.server.Start();
  ASSERT_TRUE(UntilFinished(run));
  EXPECT_EQ(run.outcomes[0].err, 550);
  EXPECT_EQ(host_.commands, (std::vector<std::string>{"HELO norvane.test", "MAIL FROM:<sender@norvane.test>",
                                                      "RCPT TO:<ann@example.test>", "RSET", "QUIT"}));
  const std::vector<std::string> tail(run.outcomes[0].log.end() - 4, run.outcomes[0].log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"RCPT TO:<ann@example.test>", "550 5.1.1 No such user", "QUIT",
                                            "221 2.0.0 Bye"}));
}

}  // namespace
}  // namespace norvane
