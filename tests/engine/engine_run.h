// One delivery engine on a test's own loop, recording every callback it
// raises, for the engine tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "engine/relay_server.h"
#include "support/run_until.h"

namespace norvane::test {

struct Outcome {
  int err = 0;
  std::vector<std::string> log;
};

// One engine on its own loop, recording every callback.
class EngineRun {
 public:
  explicit EngineRun(EventLoop& loop) : loop_(loop), server(loop) {
    server.From = "sender@norvane.test";
    server.HeaderFrom = "Sender <sender@norvane.test>";
    server.Signon = "norvane.test";
    server.Setbody({"Hello,", "this is a test."});
    server.Setsubject("Test");
    server.OnGetData = [this](TSmtpRelayServer*, int index, std::string&, std::string&,
                              std::vector<std::string>&) { gotData.push_back(index); };
    server.OnEMailProcessed = [this](TSmtpRelayServer*, int index, int err,
                                     const std::vector<std::string>& log) {
      EXPECT_EQ(outcomes.count(index), 0u) << "recipient " << index << " reported twice";
      outcomes[index] = {err, log};
    };
    server.OnAborting = [this](TSmtpRelayServer*, int, int) { ++abortings; };
    server.OnFinished = [this](TSmtpRelayServer*, bool aborted) {
      finished = true;
      finishedAborted = aborted;
    };
  }

  void Recipients(const std::vector<std::string>& addresses) {
    std::vector<TRecipientLine> lines;
    for (std::size_t i = 0; i < addresses.size(); ++i) lines.push_back({addresses[i], static_cast<int>(i)});
    server.SetRecipients(lines);
  }

  // Drives the loop until OnFinished; false after `limitMs` of real time.
  bool UntilFinished(int limitMs = 20000) {
    return RunUntil(
        loop_, [this] { return finished; }, limitMs);
  }

  // A transcript line containing `text`.
  static bool LogHas(const Outcome& outcome, const std::string& text) {
    return std::any_of(outcome.log.begin(), outcome.log.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
  }
  // A transcript line that is exactly `line`.
  static bool LogHasLine(const Outcome& outcome, const std::string& line) {
    return std::find(outcome.log.begin(), outcome.log.end(), line) != outcome.log.end();
  }

  EventLoop& loop_;
  TSmtpRelayServer server;
  std::vector<int> gotData;
  std::map<int, Outcome> outcomes;
  int abortings = 0;
  bool finished = false;
  bool finishedAborted = false;
};

}  // namespace norvane::test
