// The delivery policy between "take the next recipient" and "connect": the
// run's DNS answers asked once and reused while their time to live lasts, and
// temporary failures tried again after a delay, with a 421 greeting keeping
// its exchanger alone for that delay.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/relay_server.h"
#include "engine_run.h"
#include "net/host_lookup.h"
#include "scripted_mail_host.h"
#include "support/dnsmasq_peer.h"
#include "support/smtp_sink_peer.h"

namespace norvane {
namespace {

using test::DnsmasqPeer;
using test::EngineRun;
using test::Outcome;
using test::ScriptedMailHost;
using test::SmtpSinkPeer;

// Lines of dnsmasq's query log that ask `type` about `name`.
int Questions(const DnsmasqPeer& dns, const std::string& type, const std::string& name) {
  std::istringstream log(dns.LogText());
  int count = 0;
  for (std::string line; std::getline(log, line);)
    if (line.find("query[" + type + "] " + name + " from") != std::string::npos) ++count;
  return count;
}

class AnswerCacheDelivery : public ::testing::Test {
 protected:
  static constexpr const char* kSink = "127.0.0.2";

  // dnsmasq answers with the given time to live and logs every question.
  void StartDns(int ttl) {
    dns_ = std::make_unique<DnsmasqPeer>(std::vector<std::string>{
        "--log-queries",
        "--log-facility=-",
        "--local-ttl=" + std::to_string(ttl),
        DnsmasqPeer::MxHost("many.test", "mx.many.test", 10),
        DnsmasqPeer::Address("mx.many.test", kSink),
        DnsmasqPeer::MxHost("other.test", "mx.many.test", 10),
    });
    SetResolverServers(dns_->address() + ":" + dns_->portText());
  }
  void TearDown() override { ResetResolverServers(); }

  // `count` recipients of many.test and one of other.test and of none.test
  // (no records: a name error), over `connections` sessions.
  void Run(EngineRun& run, bool cache, int count, int connections) {
    run.server.SetDns(dns_->address());
    run.server.DnsPort = dns_->portText();
    run.server.Port = sink_.portText();
    run.server.SetTimeOut(30);
    run.server.SetConnections(connections);
    run.server.CacheAnswers = cache;
    std::vector<std::string> recipients;
    for (int i = 0; i < count; ++i) recipients.push_back("user" + std::to_string(i) + "@many.test");
    recipients.push_back("ann@other.test");
    recipients.push_back("bob@none.test");
    recipients.push_back("carol@none.test");
    run.Recipients(recipients);
    run.server.Start();
    ASSERT_TRUE(run.UntilFinished());
  }

  EventLoop loop_{SystemClock()};
  SmtpSinkPeer sink_{{}, kSink};
  std::unique_ptr<DnsmasqPeer> dns_;
};

TEST_F(AnswerCacheDelivery, ADomainIsAskedOnceWhileItsAnswerLivesAndEveryTranscriptShowsIt) {
  StartDns(300);
  EngineRun run(loop_);
  Run(run, true, 12, 5);
  ASSERT_EQ(run.outcomes.size(), 15u);
  int cached = 0;
  for (int i = 0; i < 13; ++i) {
    const Outcome& outcome = run.outcomes[i];
    EXPECT_EQ(outcome.err, kResultDelivered) << i;
    EXPECT_TRUE(EngineRun::LogHasLine(outcome, "Requesting SMTP servers for this domain (" +
                                                   std::string(i < 12 ? "many.test" : "other.test") + ")"))
        << i;
    if (EngineRun::LogHasLine(outcome, "1 SMTP Relay found: mx.many.test (cached)")) {
      ++cached;
      EXPECT_FALSE(EngineRun::LogHas(outcome, "Trying DNS Server")) << i;
    } else {
      EXPECT_TRUE(EngineRun::LogHasLine(outcome, "1 SMTP Relay found: mx.many.test ")) << i;
    }
  }
  // Five sessions start at once on the same domain: one asks, the others wait for its answer.
  EXPECT_EQ(cached, 11);
  EXPECT_EQ(Questions(*dns_, "MX", "many.test"), 1);
  EXPECT_EQ(Questions(*dns_, "MX", "other.test"), 1);
  EXPECT_EQ(Questions(*dns_, "A", "mx.many.test"), 1);
  // A name error is kept a short while too.
  EXPECT_EQ(Questions(*dns_, "MX", "none.test"), 1);
  EXPECT_TRUE(EngineRun::LogHas(run.outcomes[14], "No SMTP Relays found. Trying \"none.test\" (cached)"));
  EXPECT_EQ(sink_.DumpFiles().size(), 13u);
}

TEST_F(AnswerCacheDelivery, AnAnswerWithoutTimeToLiveOrACacheSwitchedOffIsAskedEveryTime) {
  const struct {
    int ttl;
    bool cache;
  } cases[] = {{0, true}, {300, false}};
  for (const auto& c : cases) {
    StartDns(c.ttl);
    EngineRun run(loop_);
    Run(run, c.cache, 4, 1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(run.outcomes[i].err, kResultDelivered) << c.ttl << " " << i;
    for (int i = 0; i < 5; ++i)
      EXPECT_FALSE(EngineRun::LogHas(run.outcomes[i], "(cached)")) << c.ttl << " " << i;
    EXPECT_EQ(Questions(*dns_, "MX", "many.test"), 4) << c.ttl;
    EXPECT_EQ(Questions(*dns_, "MX", "none.test"), c.cache ? 1 : 2) << c.ttl;
  }
}
struct Deferral {
  int index, retry, retries, err;
  std::vector<std::string> log;
};

// The scripted host on a fake clock: a retry falls due only when the test moves time on.
class RetryDelivery : public ::testing::Test {
 protected:
  void Configure(EngineRun& run, int retries, int delaySeconds) {
    run.server.Setgateway("127.0.0.1");
    run.server.Port = host_.port();
    run.server.SetTimeOut(30);
    run.server.SetConnections(1);
    run.server.Retries = retries;
    run.server.RetryDelay = delaySeconds;
    run.server.OnDeferred = [this](TSmtpRelayServer*, int index, int retry, int count, int err,
                                   const std::vector<std::string>& log) {
      deferrals.push_back({index, retry, count, err, log});
    };
  }
  // Time moves on only while no session is at work: waiting retries and the finish timer.
  bool UntilFinished(EngineRun& run) {
    return test::RunUntil(loop_, [&] {
      if (run.server.ActiveSessions() == 0) clock_.Advance(1000);
      return run.finished;
    });
  }
  // RCPT of `address` is refused with 450 on its first `failures` tries.
  void Refuse(const std::string& address, int failures) { refusals_[address] = failures; }

  void SetUp() override {
    host_.onCommand = [this](ScriptedMailHost::Session& session, const std::string& line) {
      if (line.rfind("RCPT TO:<", 0) != 0) return false;
      const std::string address = line.substr(9, line.size() - 10);
      auto refusal = refusals_.find(address);
      if (refusal == refusals_.end() || refusal->second == 0) return false;
      --refusal->second;
      session.Send("450 4.2.0 try again later\r\n");
      return true;
    };
  }

  FakeClock clock_{SystemClock().MonotonicMs()};
  EventLoop loop_{clock_};
  ScriptedMailHost host_{loop_};
  std::vector<Deferral> deferrals;
  std::map<std::string, int> refusals_;
};

TEST_F(RetryDelivery, ATemporaryRefusalIsTriedAgainAfterTheDelayAndTheLastTryDecides) {
  Refuse("ann@example.test", 1);
  Refuse("bob@example.test", 5);
  Refuse("carol@example.test", 0);
  EngineRun run(loop_);
  Configure(run, 2, 60);
  run.Recipients({"ann@example.test", "bob@example.test", "carol@example.test"});
  run.server.Start();
  ASSERT_TRUE(test::RunUntil(loop_, [&] { return run.outcomes.count(2) == 1 && deferrals.size() == 2; }));
  // Nothing is tried again before the delay has passed.
  EXPECT_EQ(run.outcomes.size(), 1u);
  EXPECT_TRUE(run.server.Busy());
  ASSERT_TRUE(UntilFinished(run));

  ASSERT_EQ(deferrals.size(), 3u);
  EXPECT_EQ(deferrals[0].index, 0);
  EXPECT_EQ(deferrals[0].retry, 1);
  EXPECT_EQ(deferrals[0].retries, 2);
  EXPECT_EQ(deferrals[0].err, 450);
  EXPECT_EQ(deferrals[1].index, 1);
  EXPECT_EQ(deferrals[2].index, 1);
  EXPECT_EQ(deferrals[2].retry, 2);
  EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
  EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[0], "Try 2 of 3"));
  EXPECT_EQ(run.outcomes[1].err, 450);
  EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[1], "Try 3 of 3"));
  EXPECT_EQ(run.outcomes[2].err, kResultDelivered);
  EXPECT_EQ(host_.messages, 2);
  // A permanent refusal is final at once.
  EXPECT_EQ(run.gotData.size(), 6u);
}

TEST_F(RetryDelivery, A421GreetingLeavesTheExchangerAloneUntilTheDelayHasPassed) {
  host_.greeting = "421 4.3.2 too busy, come back later\r\n";
  EngineRun run(loop_);
  Configure(run, 1, 60);
  run.Recipients({"ann@example.test", "bob@example.test"});
  run.server.Start();
  ASSERT_TRUE(test::RunUntil(loop_, [&] { return deferrals.size() == 2; }));
  EXPECT_EQ(host_.sessions.size(), 1u);
  EXPECT_EQ(deferrals[0].err, 421);
  EXPECT_EQ(deferrals[1].err, 421);
  EXPECT_TRUE(EngineRun::LogHas(Outcome{0, deferrals[1].log}, "answered 421 and is left alone"));
  host_.greeting = "220 scripted ESMTP\r\n";
  ASSERT_TRUE(UntilFinished(run));
  EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
  EXPECT_EQ(run.outcomes[1].err, kResultDelivered);
  EXPECT_EQ(host_.messages, 2);
}

TEST_F(RetryDelivery, AbortReportsEveryWaitingRecipientWithItsLastOutcome) {
  Refuse("ann@example.test", 1);
  EngineRun run(loop_);
  Configure(run, 3, 600);
  run.Recipients({"ann@example.test", "bob@example.test"});
  run.server.Start();
  ASSERT_TRUE(test::RunUntil(loop_, [&] { return run.outcomes.count(1) == 1 && deferrals.size() == 1; }));
  EXPECT_TRUE(run.server.Busy());
  run.server.Abort();
  ASSERT_TRUE(UntilFinished(run));
  EXPECT_EQ(run.outcomes[0].err, 450);
  EXPECT_EQ(run.outcomes[1].err, kResultDelivered);
  EXPECT_TRUE(run.finishedAborted);
}

TEST_F(RetryDelivery, WithoutRetriesATemporaryRefusalIsTheOutcome) {
  Refuse("ann@example.test", 1);
  EngineRun run(loop_);
  Configure(run, 0, 0);
  run.Recipients({"ann@example.test"});
  run.server.Start();
  ASSERT_TRUE(UntilFinished(run));
  EXPECT_EQ(run.outcomes[0].err, 450);
  EXPECT_TRUE(deferrals.empty());
}

TEST_F(RetryDelivery, AReusedConnectionCarriesMessagesWithRsetBetweenAndARefusalStaysWithItsRecipient) {
  host_.onCommand = [](ScriptedMailHost::Session& session, const std::string& line) {
    if (line != "RCPT TO:<bob@example.test>") return false;
    session.Send("550 5.1.1 no such user\r\n");
    return true;
  };
  EngineRun run(loop_);
  Configure(run, 0, 0);
  run.server.ReuseSessions = true;
  run.server.MessagesPerSession = 3;
  run.Recipients({"r0@example.test", "r1@example.test", "bob@example.test", "r3@example.test",
                  "r4@example.test", "r5@example.test"});
  run.server.Start();
  ASSERT_TRUE(UntilFinished(run));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(run.outcomes[i].err, i == 2 ? 550 : kResultDelivered) << i;
  EXPECT_EQ(host_.messages, 5);
  // Three messages on the first connection, the refused recipient between them; the rest on a second.
  EXPECT_EQ(host_.sessions.size(), 2u);
  std::vector<std::string> shape;
  for (const std::string& command : host_.commands)
    if (command == "RSET" || command == "QUIT" || command.rfind("RCPT", 0) == 0) shape.push_back(command);
  EXPECT_EQ(shape, (std::vector<std::string>{"RCPT TO:<r0@example.test>", "RSET", "RCPT TO:<r1@example.test>",
                                             "RSET", "RCPT TO:<bob@example.test>", "RSET",
                                             "RCPT TO:<r3@example.test>", "QUIT", "RCPT TO:<r4@example.test>",
                                             "RSET", "RCPT TO:<r5@example.test>", "RSET", "QUIT"}));
  EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[1], "Reusing the open connection (message 2 on it)"));
  EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[3], "Reusing the open connection (message 3 on it)"));
  EXPECT_FALSE(EngineRun::LogHas(run.outcomes[4], "Reusing"));
  // Each transcript holds its own dialogue only.
  EXPECT_FALSE(EngineRun::LogHas(run.outcomes[3], "bob@example.test"));
  EXPECT_TRUE(EngineRun::LogHas(run.outcomes[2], "550 5.1.1 no such user"));
}

TEST_F(RetryDelivery, AConnectionTheServerClosedWhileKeptIsReplacedForTheNextRecipient) {
  EngineRun run(loop_);
  Configure(run, 0, 0);
  run.server.ReuseSessions = true;
  bool closed = false;
  run.server.OnGetData = [&](TSmtpRelayServer*, int index, std::string&, std::string&,
                             std::vector<std::string>&) {
    // Before the second recipient the server hangs up on the kept connection.
    if (index == 1 && !closed) {
      closed = true;
      host_.sessions[0]->Close();
    }
  };
  run.Recipients({"ann@example.test", "bob@example.test"});
  run.server.Start();
  ASSERT_TRUE(UntilFinished(run));
  EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
  EXPECT_EQ(run.outcomes[1].err, kResultDelivered);
  EXPECT_EQ(host_.messages, 2);
  EXPECT_EQ(host_.sessions.size(), 2u);
}

TEST_F(RetryDelivery, NoMoreConnectionsToADomainThanItsLimitWhileOthersGoAhead) {
  // Per domain: the connections that have named a recipient of it and not yet ended.
  std::map<ScriptedMailHost::Session*, std::string> domainOf;
  std::map<std::string, std::size_t> most;
  host_.onCommand = [&](ScriptedMailHost::Session& session, const std::string& line) {
    if (line.rfind("RCPT TO:<", 0) == 0) {
      const std::string domain = line.substr(line.find('@') + 1, line.size() - line.find('@') - 2);
      domainOf[&session] = domain;
      std::size_t open = 0;
      for (const auto& [other, otherDomain] : domainOf)
        if (otherDomain == domain && !other->closed) ++open;
      most[domain] = std::max(most[domain], open);
    } else if (line == "QUIT") {
      domainOf.erase(&session);
    }
    return false;
  };
  EngineRun run(loop_);
  Configure(run, 0, 0);
  run.server.SetConnections(6);
  run.server.DomainConnections = 2;
  std::vector<std::string> recipients;
  for (int i = 0; i < 12; ++i) recipients.push_back("user" + std::to_string(i) + "@big.test");
  recipients.push_back("ann@small.test");
  run.Recipients(recipients);
  run.server.Start();
  ASSERT_TRUE(UntilFinished(run));
  for (int i = 0; i < 13; ++i) EXPECT_EQ(run.outcomes[i].err, kResultDelivered) << i;
  EXPECT_LE(most["big.test"], 2u);
  EXPECT_EQ(most["small.test"], 1u);
  // The last in the list did not wait for the domain ahead of it.
  EXPECT_LT(std::find(run.gotData.begin(), run.gotData.end(), 12) - run.gotData.begin(), 12);
  EXPECT_EQ(host_.messages, 13);
}

TEST_F(RetryDelivery, APacedDomainStartsItsCopiesASpacingApartWhileOtherDomainsGoAhead) {
  for (const bool reuse : {false, true}) {
    SCOPED_TRACE(reuse ? "reusing connections" : "a connection per message");
    // Its retry is a copy of the domain too, and falls due at once.
    Refuse("u1@big.test", 1);
    EngineRun run(loop_);
    Configure(run, 1, 0);
    run.server.SetConnections(3);
    run.server.ReuseSessions = reuse;
    run.server.DomainPace = 60;
    std::vector<std::pair<int, uint64_t>> starts;
    run.server.OnGetData = [&](TSmtpRelayServer*, int index, std::string&, std::string&,
                               std::vector<std::string>&) {
      starts.push_back({index, clock_.MonotonicMs()});
    };
    run.Recipients({"u0@big.test", "u1@big.test", "u2@big.test", "u3@big.test", "ann@one.test",
                    "bob@two.test", "carol@three.test"});
    const int messagesBefore = host_.messages;
    const uint64_t begin = clock_.MonotonicMs();
    run.server.Start();
    // Quarter seconds while no session is at work: a copy started before its time would show.
    ASSERT_TRUE(test::RunUntil(loop_, [&] {
      if (run.server.ActiveSessions() == 0) clock_.Advance(250);
      return run.finished;
    }));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(run.outcomes[i].err, kResultDelivered) << i;
    EXPECT_EQ(host_.messages - messagesBefore, 7);
    EXPECT_FALSE(run.finishedAborted);
    std::vector<uint64_t> big;
    for (const auto& [index, at] : starts) {
      if (index < 4)
        big.push_back(at);
      else
        EXPECT_EQ(at, begin) << index;  // the other domains did not wait for big.test
    }
    ASSERT_EQ(big.size(), 5u);
    EXPECT_EQ(big[0], begin);
    for (std::size_t i = 1; i < big.size(); ++i) EXPECT_GE(big[i] - big[i - 1], 1000u) << i;
    if (reuse) {
      // The kept connection carried the domain's next copy only once it was due.
      EXPECT_TRUE(EngineRun::LogHas(run.outcomes[1], "Reusing the open connection") ||
                  EngineRun::LogHas(run.outcomes[2], "Reusing the open connection"));
    }
  }
}

TEST_F(RetryDelivery, AbortEndsAPacedRunAtOnceAndLeavesTheWaitingRecipientsUnsent) {
  EngineRun run(loop_);
  Configure(run, 0, 0);
  run.server.SetConnections(2);
  run.server.DomainPace = 1;
  run.Recipients({"ann@big.test", "bob@big.test", "carol@big.test"});
  run.server.Start();
  ASSERT_TRUE(
      test::RunUntil(loop_, [&] { return run.outcomes.count(0) == 1 && run.server.ActiveSessions() == 0; }));
  EXPECT_TRUE(run.server.Busy());
  run.server.Abort();
  // Time moves on, past the next copy's turn: nothing more is sent.
  ASSERT_TRUE(UntilFinished(run));
  EXPECT_TRUE(run.finishedAborted);
  EXPECT_EQ(run.outcomes.size(), 1u);
  EXPECT_EQ(run.gotData, std::vector<int>{0});
  EXPECT_EQ(host_.messages, 1);
}

TEST_F(AnswerCacheDelivery, WithReuseEveryMessageArrivesOverFewerConnections) {
  StartDns(300);
  EngineRun run(loop_);
  run.server.ReuseSessions = true;
  Run(run, true, 30, 4);
  int reused = 0;
  for (int i = 0; i < 31; ++i) {
    EXPECT_EQ(run.outcomes[i].err, kResultDelivered) << i;
    if (EngineRun::LogHas(run.outcomes[i], "Reusing the open connection")) ++reused;
  }
  EXPECT_EQ(sink_.DumpFiles().size(), 31u);
  EXPECT_GE(reused, 20);
}

}  // namespace
}  // namespace norvane
