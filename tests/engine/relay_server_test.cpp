#include "engine/relay_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

#include "engine/smtp_thread.h"
#include "engine_run.h"
#include "net/host_lookup.h"
#include "smtp/smtp_exception.h"
#include "support/dnsmasq_peer.h"
#include "support/smtp_sink_peer.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::DnsmasqPeer;
using test::EngineRun;
using test::Outcome;
using test::SmtpSinkPeer;
using test::TempDir;

TEST(RelayServerProperties, SettersNormaliseAndRefuseWhileBusy) {
  EventLoop loop(SystemClock());
  TSmtpRelayServer server(loop);
  server.SetConnections(0);
  server.SetTimeOut(-5);
  server.SetDns("  127.0.0.1 127.0.0.2 \t");
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_EQ(server.TimeOut(), 60);
  EXPECT_EQ(server.Dns(), "127.0.0.1 127.0.0.2");

  // A domain-less address keeps its session idle, so the run stays busy.
  server.From = "a@b.test";
  server.SetRecipients({{"nobody@", 0}});
  server.Start();
  ASSERT_TRUE(server.Busy());
  EXPECT_EQ(server.DnsServers(), (std::vector<std::string>{"127.0.0.1", "127.0.0.2"}));
  EXPECT_THROW(server.Setsubject("x"), TSmtpRelayServerException);
  EXPECT_THROW(server.SetConnections(3), TSmtpRelayServerException);
  server.Signon = "allowed.test";
  server.Abort();
}

TEST(RelayServerProperties, SplitDnsListKeepsEntriesBetweenSeparators) {
  struct Case {
    std::string list;
    std::vector<std::string> want;
  } cases[] = {
      {"1.1.1.1", {"1.1.1.1"}},
      {"1.1.1.1  2.2.2.2", {"1.1.1.1", "2.2.2.2"}},
      {"1.1.1.1 2.2.2.2 3.3.3.3", {"1.1.1.1", "2.2.2.2", "3.3.3.3"}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(TSmtpRelayServer::SplitDnsList(c.list), c.want) << c.list;
}

TEST(RelayServerStart, RefusesWithoutSenderOrServerAndWithAMissingAttachment) {
  TempDir dir;
  EventLoop loop(SystemClock());
  EngineRun run(loop);
  run.Recipients({"a@x.test"});
  run.server.SystemDns = {dir.File("none1"), dir.File("none2")};

  run.server.From.clear();
  EXPECT_THROW(run.server.Start(), TSmtpRelayServerException);
  run.server.From = "me@x.test";
  try {
    run.server.Start();
    FAIL() << "started without a DNS server";
  } catch (const TSmtpRelayServerException& error) {
    EXPECT_STREQ(error.what(), "No DNS SERVER Available");
  }
  EXPECT_FALSE(run.server.Busy());

  run.server.SetDns("127.0.0.1");
  run.server.SetAttachments({dir.File("missing.pdf")});
  try {
    run.server.Start();
    FAIL() << "started with a missing attachment";
  } catch (const SmtpException& error) {
    EXPECT_NE(std::string(error.what()).find("File not found"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(run.server.Busy());
  loop.RunOnce(200);
  EXPECT_TRUE(run.gotData.empty());
  EXPECT_TRUE(run.outcomes.empty());
  EXPECT_FALSE(run.finished);
}

TEST(RelayServerStart, RefusesASenderAddressThatWouldChangeTheEnvelope) {
  EventLoop loop(SystemClock());
  EngineRun run(loop);
  run.server.SetDns("127.0.0.1");
  run.Recipients({"idle@"});
  const std::pair<std::string, std::string> cases[] = {
      {"me@x.test> SIZE=1", "Invalid sender address \"me@x.test> SIZE=1\""},
      {"<me@x.test>", "Invalid sender address \"<me@x.test>\""},
      {"me@x.test\r\nRCPT TO:<spy@evil.test>",
       "Invalid sender address \"me@x.test\\x0D\\x0ARCPT TO:<spy@evil.test>\""},
  };
  for (const auto& [from, message] : cases) {
    run.server.From = from;
    try {
      run.server.Start();
      ADD_FAILURE() << "started with sender " << message;
    } catch (const TSmtpRelayServerException& error) {
      EXPECT_EQ(std::string(error.what()),
                message + ": it may not hold blanks, \"<\", \">\" or control characters");
    }
    EXPECT_FALSE(run.server.Busy());
  }
  loop.RunOnce(0);
  EXPECT_TRUE(run.gotData.empty());
}

TEST(RelayServerStart, WithoutRecipientsTheRunEndsFromTheLoop) {
  EventLoop loop(SystemClock());
  EngineRun run(loop);
  run.server.SetDns("127.0.0.1");
  run.Recipients({});
  run.server.Start();
  EXPECT_FALSE(run.server.Busy());
  EXPECT_FALSE(run.finished);  // never from inside Start
  ASSERT_TRUE(run.UntilFinished(5000));
  EXPECT_FALSE(run.finishedAborted);
  EXPECT_TRUE(run.outcomes.empty());
}

TEST(RelayServerStart, ASecondStartWhileBusyIsRefusedAndTheRunGoesOn) {
  EventLoop loop(SystemClock());
  EngineRun run(loop);
  run.server.SetDns("127.0.0.1");
  run.Recipients({"idle@"});  // a session that waits for the watchdog
  run.server.Start();
  ASSERT_TRUE(run.server.Busy());
  try {
    run.server.Start();
    ADD_FAILURE() << "started twice";
  } catch (const TSmtpRelayServerException& error) {
    EXPECT_STREQ(error.what(), "Component is busy");
  }
  EXPECT_EQ(run.server.ActiveSessions(), 1);
  EXPECT_EQ(run.gotData, std::vector<int>{0});
  run.server.Abort();
  ASSERT_TRUE(run.UntilFinished());
  EXPECT_EQ(run.outcomes[0].err, kResultAborted);
  EXPECT_EQ(run.abortings, 1);
}

TEST(RelayServerStart, SystemServersAreUsedWhenDnsIsEmpty) {
  TempDir dir;
  test::WriteFile(dir.File("resolv.conf"), "# comment\nnameserver 127.0.0.9\nnameserver 127.0.0.8\n");
  EventLoop loop(SystemClock());
  EngineRun run(loop);
  run.server.SystemDns = {dir.File("no-transient"), dir.File("resolv.conf")};
  run.Recipients({"idle@"});
  run.server.Start();
  EXPECT_EQ(run.server.DnsServers(), (std::vector<std::string>{"127.0.0.9", "127.0.0.8"}));
  run.server.Abort();
}

TEST(RelayServerStart, SessionsAreCappedByRecipientsAndAskForDataBeforeStartReturns) {
  EventLoop loop(SystemClock());
  EngineRun run(loop);
  run.server.SetConnections(10);
  run.server.SetDns("127.0.0.1");
  run.Recipients({"a@", "b@", "c@"});  // idle sessions: nothing leaves the machine
  run.server.Start();
  EXPECT_EQ(run.server.ActiveSessions(), 3);
  EXPECT_EQ(run.gotData, (std::vector<int>{0, 1, 2}));
  run.server.Abort();
  ASSERT_TRUE(run.UntilFinished());
  EXPECT_TRUE(run.finishedAborted);
  EXPECT_EQ(run.abortings, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(run.outcomes[i].err, kResultAborted);
}

// The watchdog cancels only sessions silent for strictly longer than TimeOut.
TEST(RelayServerWatchdog, CancelsASilentSessionAfterTheLimitAndGoesOn) {
  FakeClock clock(0xFFFF0000ull);  // the tick wraps during the run
  EventLoop loop(clock);
  EngineRun run(loop);
  run.server.SetTimeOut(60);
  run.server.SetDns("127.0.0.1");
  run.Recipients({"first@", "second@"});
  run.server.Start();

  clock.Advance(60000);  // first tick: silent for exactly 60.0 s
  loop.RunOnce(0);
  EXPECT_TRUE(run.outcomes.empty());

  clock.Advance(60000);  // second tick: 120 s
  loop.RunOnce(0);
  ASSERT_EQ(run.outcomes.count(0), 1u);
  EXPECT_EQ(run.outcomes[0].err, kResultTimeOut);
  EXPECT_TRUE(EngineRun::LogHas(run.outcomes[0], "Connection time-out"));
  EXPECT_EQ(run.gotData, (std::vector<int>{0, 1}));

  clock.Advance(60000);
  loop.RunOnce(0);
  clock.Advance(60000);
  loop.RunOnce(0);
  EXPECT_EQ(run.outcomes[1].err, kResultTimeOut);
  clock.Advance(100);
  loop.RunOnce(0);
  EXPECT_TRUE(run.finished);
  EXPECT_FALSE(run.finishedAborted);
  EXPECT_FALSE(run.server.Busy());
}

TEST(SplitLongLines, CarriesTheRestToTheNextLine) {
  std::vector<std::string> single{std::string(2500, 'a')};
  SplitLongLines(single);
  ASSERT_EQ(single.size(), 3u);
  EXPECT_EQ(single[0].size(), 1021u);
  EXPECT_EQ(single[1].size(), 1021u);
  EXPECT_EQ(single[2].size(), 458u);

  std::vector<std::string> joined{std::string(1500, 'a'), "short"};
  SplitLongLines(joined);
  ASSERT_EQ(joined.size(), 2u);
  EXPECT_EQ(joined[1], std::string(479, 'a') + "short");

  std::vector<std::string> exact{std::string(1021, 'a')};
  SplitLongLines(exact);
  EXPECT_EQ(exact.size(), 1u);

  std::vector<std::string> oneOver{std::string(1022, 'a')};
  SplitLongLines(oneOver);
  EXPECT_EQ(oneOver, (std::vector<std::string>{std::string(1021, 'a'), "a"}));
}

// Real peers: dnsmasq answers the MX queries and names the exchangers, which
// are smtp-sink instances on their own loopback addresses sharing one port.
class RelayServerDelivery : public ::testing::Test {
 protected:
  static constexpr const char* kFirst = "127.0.0.2";
  static constexpr const char* kSecond = "127.0.0.3";
  static constexpr const char* kDead = "127.0.0.4";

  void SetUp() override {
    sink_ = std::make_unique<SmtpSinkPeer>(std::vector<std::string>{}, kFirst);
    port_ = sink_->port();
    dns_ = std::make_unique<DnsmasqPeer>(std::vector<std::string>{
        // Answered in the reverse of this order: mx-a (preference 20) first.
        DnsmasqPeer::MxHost("order.test", "mx-b.order.test", 10),
        DnsmasqPeer::MxHost("order.test", "mx-a.order.test", 20),
        DnsmasqPeer::Address("mx-a.order.test", kFirst),
        DnsmasqPeer::Address("mx-b.order.test", kSecond),
        DnsmasqPeer::MxHost("fallback.test", "live.fallback.test", 20),
        DnsmasqPeer::MxHost("fallback.test", "dead.fallback.test", 10),
        DnsmasqPeer::Address("dead.fallback.test", kDead),
        DnsmasqPeer::Address("live.fallback.test", kFirst),
        DnsmasqPeer::MxHost("deadonly.test", "dead.fallback.test", 10),
        DnsmasqPeer::HostRecord("plain.test", kFirst),
        DnsmasqPeer::HostRecord("second.test", kSecond),
        DnsmasqPeer::Cname("alias.test", "plain.test"),
        DnsmasqPeer::HostRecord("resolver.test", "127.0.0.1"),
        DnsmasqPeer::MxHost("nullmx.test", ".", 0),
    });
    SetResolverServers(dns_->address() + ":" + dns_->portText());
  }
  void TearDown() override { ResetResolverServers(); }

  void Configure(EngineRun& run) {
    run.server.SetDns(dns_->address());
    run.server.DnsPort = dns_->portText();
    run.server.Port = std::to_string(port_);
    run.server.SetTimeOut(30);
  }

  EventLoop loop_{SystemClock()};
  std::unique_ptr<SmtpSinkPeer> sink_;
  std::unique_ptr<DnsmasqPeer> dns_;
  uint16_t port_ = 0;
};

TEST_F(RelayServerDelivery, TriesExchangersInAnswerOrderAndDeliversToTheFirst) {
  SmtpSinkPeer second({}, kSecond, port_);
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"user@order.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  const Outcome& outcome = run.outcomes[0];
  EXPECT_EQ(outcome.err, kResultDelivered);
  EXPECT_TRUE(EngineRun::LogHas(outcome, "Requesting SMTP servers for this domain (order.test)"));
  EXPECT_TRUE(EngineRun::LogHasLine(outcome, "2 SMTP Relays found: mx-a.order.test mx-b.order.test "));
  EXPECT_TRUE(EngineRun::LogHas(outcome, "Trying SMTP host \"mx-a.order.test\""));
  EXPECT_EQ(sink_->DumpFiles().size(), 1u);
  EXPECT_TRUE(second.DumpFiles().empty());
  std::string message = SmtpSinkPeer::MessageOf(test::ReadFile(sink_->DumpFiles()[0]));
  EXPECT_NE(message.find("Subject: Test\n"), std::string::npos) << message;
  EXPECT_NE(message.find("\nthis is a test.\n"), std::string::npos) << message;
}

TEST_F(RelayServerDelivery, PreferenceOrderTriesTheLowestPreferenceFirst) {
  SmtpSinkPeer second({}, kSecond, port_);
  EngineRun run(loop_);
  Configure(run);
  run.server.MxPreferenceOrder = true;
  run.Recipients({"user@order.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  const Outcome& outcome = run.outcomes[0];
  EXPECT_EQ(outcome.err, kResultDelivered);
  EXPECT_TRUE(EngineRun::LogHasLine(outcome, "2 SMTP Relays found: mx-a.order.test mx-b.order.test "));
  EXPECT_TRUE(
      EngineRun::LogHasLine(outcome, "In order of preference: mx-b.order.test (10) mx-a.order.test (20)"));
  EXPECT_EQ(second.DumpFiles().size(), 1u);
  EXPECT_TRUE(sink_->DumpFiles().empty());
}

TEST_F(RelayServerDelivery, NullMxEndsTheRecipientAtOnceAndTheRunGoesOn) {
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"user@nullmx.test", "user@plain.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  const Outcome& nullMx = run.outcomes[0];
  EXPECT_EQ(nullMx.err, kResultNullMx);
  EXPECT_TRUE(EngineRun::LogHasLine(nullMx, "Null MX: nullmx.test accepts no mail (RFC 7505)"));
  EXPECT_FALSE(EngineRun::LogHas(nullMx, "Trying SMTP host"));
  EXPECT_EQ(run.outcomes[1].err, kResultDelivered);
  EXPECT_EQ(sink_->DumpFiles().size(), 1u);
}

TEST_F(RelayServerDelivery, RejectedRecipientOnTheFirstHostIsDeliveredByTheSecond) {
  sink_.reset();
  SmtpSinkPeer rejecting({"-f", "RCPT", "-B", "550 5.1.1 No such user"}, kFirst, port_);
  SmtpSinkPeer second({}, kSecond, port_);
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"user@order.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
  EXPECT_TRUE(EngineRun::LogHas(run.outcomes[0], "Trying SMTP host \"mx-b.order.test\""));
  EXPECT_EQ(second.DumpFiles().size(), 1u);
}

TEST_F(RelayServerDelivery, OnlyHostRejectingTheRecipientReportsItsCodeWithoutLoggingTheReset) {
  sink_.reset();
  SmtpSinkPeer rejecting({"-f", "RCPT", "-B", "550 5.1.1 No such user"}, kFirst, port_);
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"user@plain.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  const Outcome& outcome = run.outcomes[0];
  EXPECT_EQ(outcome.err, 550);
  EXPECT_TRUE(EngineRun::LogHas(outcome, "No SMTP Relays found. Trying \"plain.test\""));
  // After the refusal the transcript goes on with QUIT: the RSET exchange between them is left out.
  auto refusal = std::find(outcome.log.begin(), outcome.log.end(), "550 5.1.1 No such user");
  ASSERT_NE(refusal, outcome.log.end());
  ASSERT_EQ(outcome.log.end() - refusal, 3);
  EXPECT_EQ(refusal[1], "QUIT");
  EXPECT_EQ(refusal[2].substr(0, 4), "221 ");
}

TEST_F(RelayServerDelivery, RefusedConnectionMovesOnToTheNextExchanger) {
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"user@fallback.test", "user@deadonly.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
  EXPECT_TRUE(EngineRun::LogHas(run.outcomes[0], "Trying SMTP host \"dead.fallback.test\""));
  EXPECT_EQ(run.outcomes[1].err, 10061);
}

TEST_F(RelayServerDelivery, DomainThatCannotBeAskedFailsAtOnce) {
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"user@bad..test", "user@" + std::string(64, 'x') + ".test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  EXPECT_EQ(run.outcomes[0].err, kResultNoHost);
  EXPECT_EQ(run.outcomes[1].err, kResultNoHost);
}

TEST_F(RelayServerDelivery, CnameOnlyAnswerHasNoHostToTry) {
  EngineRun run(loop_);
  Configure(run);
  run.Recipients({"user@alias.test"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  EXPECT_EQ(run.outcomes[0].err, kResultNoHost);
  // The count of answer records, and no name: the CNAME is no mail exchanger.
  EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[0], "1 SMTP Relay found: "));
}

// The DNS server setting is checked, and names resolved, once at Start: the sessions get numeric
// addresses, and a value that is no address stops the run before anything is sent.
TEST_F(RelayServerDelivery, DnsServersAreResolvedAtStartOrRefusedByName) {
  {
    EngineRun run(loop_);
    Configure(run);
    run.server.SetDns("resolver.test " + dns_->address());
    run.Recipients({"user@plain.test"});
    run.server.Start();
    EXPECT_EQ(run.server.DnsServers(), (std::vector<std::string>{dns_->address(), dns_->address()}));
    ASSERT_TRUE(run.UntilFinished());
    EXPECT_EQ(run.outcomes[0].err, kResultDelivered);
    EXPECT_TRUE(EngineRun::LogHasLine(run.outcomes[0], "Trying DNS Server \"" + dns_->address() + "\""));
  }
  const std::pair<std::string, std::string> refused[] = {
      {"1.2.3.4,5.6.7.8",
       "DNS server \"1.2.3.4,5.6.7.8\" is not a usable address (give one IPv4 address or "
       "host name, several separated by blanks)"},
      {"nowhere.test",
       "DNS server \"nowhere.test\" is not a usable address (it does not resolve to an IPv4 "
       "address)"},
      {"127.0.0.1 10.0.0.256",
       "DNS server \"10.0.0.256\" is not a usable address (it does not resolve to an "
       "IPv4 address)"},
  };
  for (const auto& [setting, message] : refused) {
    EngineRun run(loop_);
    Configure(run);
    run.server.SetDns(setting);
    run.Recipients({"user@plain.test"});
    try {
      run.server.Start();
      ADD_FAILURE() << "started with " << setting;
    } catch (const TSmtpRelayServerException& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
    EXPECT_FALSE(run.server.Busy());
    EXPECT_TRUE(run.gotData.empty());
  }
  EngineRun run(loop_);
  Configure(run);
  run.server.DnsPort = "no-such-service";
  run.Recipients({"user@plain.test"});
  try {
    run.server.Start();
    ADD_FAILURE() << "started with a DNS port that is no port";
  } catch (const TSmtpRelayServerException& error) {
    EXPECT_STREQ(error.what(), "DNS port \"no-such-service\" is not a usable port");
  }
}

TEST_F(RelayServerDelivery, GatewayModeAsksNoDnsServer) {
  EngineRun run(loop_);
  Configure(run);
  run.server.SetDns("");
  run.server.SystemDns = {"/nonexistent/a", "/nonexistent/b"};
  run.server.Setgateway(kFirst);
  run.Recipients({"one@anything.invalid", "two@elsewhere.invalid"});
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(run.outcomes[i].err, kResultDelivered);
    ASSERT_FALSE(run.outcomes[i].log.empty());
    EXPECT_EQ(run.outcomes[i].log.front(), std::string("Using relay \"") + kFirst + "\"");
    EXPECT_FALSE(EngineRun::LogHas(run.outcomes[i], "Sending DNS Request"));
  }
  EXPECT_EQ(sink_->DumpFiles().size(), 2u);
}

TEST_F(RelayServerDelivery, EveryRecipientIsAskedForAndReportedExactlyOnce) {
  EngineRun run(loop_);
  Configure(run);
  run.server.SetConnections(50);
  std::vector<std::string> addresses;
  for (int i = 0; i < 1000; ++i) addresses.push_back("user" + std::to_string(i) + "@order.test");
  SmtpSinkPeer second({}, kSecond, port_);
  run.Recipients(addresses);
  run.server.Start();
  ASSERT_TRUE(run.UntilFinished(120000));
  EXPECT_EQ(run.gotData.size(), 1000u);
  std::sort(run.gotData.begin(), run.gotData.end());
  EXPECT_EQ(std::unique(run.gotData.begin(), run.gotData.end()), run.gotData.end());
  ASSERT_EQ(run.outcomes.size(), 1000u);
  for (const auto& [index, outcome] : run.outcomes) EXPECT_EQ(outcome.err, kResultDelivered) << index;
  EXPECT_FALSE(run.finishedAborted);
}

TEST_F(RelayServerDelivery, AbortReportsEveryRecipientInProgressOnce) {
  sink_.reset();
  SmtpSinkPeer slow({"-w", "30"}, kFirst, port_);  // every reply 30 s late
  EngineRun run(loop_);
  Configure(run);
  run.server.SetConnections(3);
  run.Recipients({"a@plain.test", "b@plain.test", "c@plain.test", "d@plain.test"});
  run.server.Start();
  // Let the sessions reach the server and wait for its greeting.
  for (int i = 0; i < 20; ++i) loop_.RunOnce(20);
  run.server.Abort();
  ASSERT_TRUE(run.UntilFinished());
  EXPECT_TRUE(run.finishedAborted);
  EXPECT_EQ(run.abortings, 3);
  ASSERT_EQ(run.outcomes.size(), 3u);
  for (const auto& [index, outcome] : run.outcomes) {
    EXPECT_EQ(outcome.err, kResultAborted);
    EXPECT_TRUE(EngineRun::LogHas(outcome, "User Abort"));
  }
  EXPECT_EQ(run.outcomes.count(3), 0u) << "a recipient never handed out was reported";
}

// The abandoned request of a timed-out recipient still completes (10004)
// after the session has moved on; it must not touch the next recipient.
TEST_F(RelayServerDelivery, TimedOutRecipientDoesNotDisturbTheNextOne) {
  sink_.reset();
  SmtpSinkPeer slow({"-w", "600"}, kFirst, port_);  // greets only after ten minutes
  SmtpSinkPeer second({}, kSecond, port_);
  FakeClock clock(SystemClock().MonotonicMs());
  EventLoop loop(clock);
  EngineRun run(loop);
  Configure(run);
  run.server.SetTimeOut(60);
  run.Recipients({"late@plain.test", "user@second.test"});
  run.server.Start();
  auto spin = [&](const std::function<bool()>& done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < end) loop.RunOnce(20);
    return done();
  };
  ASSERT_TRUE(spin([&] { return run.server.ActiveSessions() == 1 && loop.Depth() == 0; }));
  for (int i = 0; i < 25; ++i) loop.RunOnce(20);  // connected, waiting for the greeting
  clock.Advance(60000);
  loop.RunOnce(0);
  clock.Advance(60000);
  loop.RunOnce(0);
  ASSERT_EQ(run.outcomes.count(0), 1u);
  EXPECT_EQ(run.outcomes[0].err, kResultTimeOut);
  ASSERT_TRUE(spin([&] { return run.outcomes.count(1) == 1; }));
  EXPECT_EQ(run.outcomes[1].err, kResultDelivered);
  EXPECT_EQ(second.DumpFiles().size(), 1u);
  clock.Advance(100);
  loop.RunOnce(0);
  EXPECT_TRUE(run.finished);
}

}  // namespace
}  // namespace norvane
