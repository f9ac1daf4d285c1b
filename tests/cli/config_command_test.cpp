// `norvane config set` as a user runs it: values are checked as `norvane send`
// checks its options, a refused value stores nothing, and setting a key back
// to its default replaces the value stored before.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_run.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::CliRun;

class ConfigCommand : public ::testing::Test {
 protected:
  CliRun Run(const std::string& arguments) {
    return test::RunShell("NORVANE_CONFIG='" + Settings() + "' " + NORVANE_BINARY + " config " + arguments +
                          " 2>&1 </dev/null");
  }
  std::string Settings() const { return dir.File("Norvane.reg"); }
  std::string Get(const std::string& key) {
    CliRun run = Run("get " + key);
    EXPECT_EQ(run.status, 0) << run.out;
    return run.out;
  }

  test::TempDir dir;
};

TEST_F(ConfigCommand, SettingTheDefaultAgainReplacesTheStoredValue) {
  struct Case {
    std::string key, other, fallback;
  } cases[] = {
      {"Connection/Connections", "50", "200"},          {"Connection/TimeOut", "45", "30"},
      {"Connection/From", "'Ann <ann@x.test>'", "''"},  {"DNS/HostFromDomain", "0", "1"},
      {"Environment/ShowTipOfTheDay", "false", "true"}, {"Directories/Projects", "/srv/mailings", "."},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Run("set " + c.key + " " + c.other).status, 0) << c.key;
    ASSERT_EQ(Run("set " + c.key + " " + c.fallback).status, 0) << c.key;
    std::string want = c.fallback == "''" ? "" : c.fallback;
    EXPECT_EQ(Get(c.key), want + "\n") << c.key;
  }
}

TEST_F(ConfigCommand, RefusesValuesSendWouldRefuseAndStoresNothing) {
  ASSERT_EQ(Run("set Connection/Connections 10").status, 0);
  const std::string before = test::ReadFile(Settings());
  struct Case {
    std::string arguments, message;
  } cases[] = {
      {"Connection/Connections 0", "Connection/Connections needs a whole number from 1 to 100000, not '0'"},
      {"Connection/Connections 100001", "from 1 to 100000, not '100001'"},
      {"Connection/Connections 12abc", "from 1 to 100000, not '12abc'"},
      {"Connection/Connections ''", "from 1 to 100000, not ''"},
      {"Connection/TimeOut -1", "Connection/TimeOut needs a whole number from 1 to 86400, not '-1'"},
      {"Connection/TimeOut 86401", "from 1 to 86400"},
      {"DNS/HostFromDomain 2", "DNS/HostFromDomain needs a whole number from 0 to 1, not '2'"},
      {"Environment/Maximized yes", "Environment/Maximized takes true or false, not 'yes'"},
      {"Spelling/RunSpellChecker 1", "Spelling/RunSpellChecker takes true or false, not '1'"},
      {"Message/StandardHeaders off", "Message/StandardHeaders takes true or false, not 'off'"},
      {"Connection/From 'Ann Smith'", "Connection/From needs an e-mail address, not 'Ann Smith'"},
      {"Connection/From @", "Connection/From needs an e-mail address, not '@'"},
      {"Connection/From \"$(printf 'a@x.test\\r\\nBcc: eve@evil.test')\"",
       "Connection/From may not hold control characters (line breaks, tabs)"},
      {"DNS/Primary \"$(printf '127.0.0.1\\t')\"", "DNS/Primary may not hold control characters"},
      {"DNS/Host \"$(printf 'mx\\001')\"", "DNS/Host may not hold control characters"},
      {"DNS/CacheAnswers on", "DNS/CacheAnswers takes true or false, not 'on'"},
      {"Connection/ReuseSessions 1", "Connection/ReuseSessions takes true or false, not '1'"},
      {"Connection/MessagesPerSession 0",
       "Connection/MessagesPerSession needs a whole number from 1 to 100000"},
      {"Connection/DomainConnections -2",
       "Connection/DomainConnections needs a whole number from 1 to 100000"},
      {"Connection/DomainPace 100001",
       "Connection/DomainPace needs a whole number from 0 to 100000, not '100001'"},
      {"Delivery/Retries 101", "Delivery/Retries needs a whole number from 0 to 100, not '101'"},
      {"Delivery/RetryDelay 1m", "Delivery/RetryDelay needs a whole number from 0 to 86400, not '1m'"},
  };
  for (const Case& c : cases) {
    CliRun run = Run("set " + c.arguments);
    EXPECT_EQ(run.status, 2) << c.arguments;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    EXPECT_EQ(test::ReadFile(Settings()), before) << c.arguments;
  }
  EXPECT_EQ(Get("Connection/Connections"), "10\n");
}

TEST_F(ConfigCommand, StoresAcceptedValuesInTheirPlainForm) {
  struct Case {
    std::string arguments, key, stored;
  } cases[] = {
      {"Connection/Connections 100000", "Connection/Connections", "100000"},
      {"Connection/TimeOut ' +7'", "Connection/TimeOut", "7"},
      {"Environment/Maximized TRUE", "Environment/Maximized", "true"},
      {"Message/StandardHeaders False", "Message/StandardHeaders", "false"},
      {"Connection/From 'Zoë <zoe@x.test>'", "Connection/From", "Zoë <zoe@x.test>"},
      {"DNS/Primary '127.0.0.1 127.0.0.2'", "DNS/Primary", "127.0.0.1 127.0.0.2"},
      {"DNS/CacheAnswers FALSE", "DNS/CacheAnswers", "false"},
      {"Connection/ReuseSessions True", "Connection/ReuseSessions", "true"},
      {"Delivery/Retries 03", "Delivery/Retries", "3"},
      {"Delivery/RetryDelay 0", "Delivery/RetryDelay", "0"},
  };
  for (const Case& c : cases) {
    CliRun run = Run("set " + c.arguments);
    ASSERT_EQ(run.status, 0) << c.arguments << ": " << run.out;
    EXPECT_EQ(Get(c.key), c.stored + "\n") << c.arguments;
  }
}

}  // namespace
}  // namespace norvane
