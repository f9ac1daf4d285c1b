#include "settings/form_options.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/secret_store.h"
#include "settings/ini_data.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::TempDir;

constexpr char kKey[] = "software\\Kalvento\\Norvane";

// (section, value name) -> stored text
using Stored = std::map<std::pair<std::string, std::string>, std::string>;

class FormOptionsTest : public ::testing::Test {
 protected:
  RegistryHive Hive() const { return RegistryHive(dir.File("Norvane.reg")); }
  void Store(const Stored& values) {
    for (const auto& [where, text] : values)
      Hive().WriteString(JoinRegistryPath(kKey, where.first), where.second, text);
  }
  std::optional<std::string> Read(const std::string& section, const std::string& name) const {
    return Hive().ReadString(JoinRegistryPath(kKey, section), name);
  }

  TempDir dir;
};

TEST_F(FormOptionsTest, OpensOnTheConnectionPageWithTheStoredSettings) {
  Store({{{"Connection", "Connections"}, "12"},
         {{"Connection", "TimeOut"}, "45"},
         {{"Connection", "From"}, "Ann <ann@example.test>"},
         {{"DNS", "Host"}, "mail.example.test"},
         {{"DNS", "Primary"}, "127.0.0.53"},
         {{"DNS", "Secondary"}, "127.0.0.54"},
         {{"DNS", "HostFromDomain"}, "0"},
         {{"Spelling", "RunSpellChecker"}, "false"}});
  TINI ini(Hive());
  TFormOptions form(ini);
  EXPECT_EQ(form.Caption, "Options");
  EXPECT_EQ(form.PageIndex, kPageConnection);
  EXPECT_EQ(form.edConnections.Position, 12);
  EXPECT_EQ(form.edConnections.Text, "12");
  EXPECT_EQ(form.edTimeOut.Position, 45);
  EXPECT_EQ(form.edFrom, "Ann <ann@example.test>");
  EXPECT_EQ(form.edHost, "mail.example.test");
  EXPECT_EQ(form.edDNS1, "127.0.0.53");
  EXPECT_EQ(form.edDNS2, "127.0.0.54");
  EXPECT_FALSE(form.rbHostFromDomain);
  EXPECT_TRUE(form.edSpecifyHost);
  EXPECT_TRUE(form.edHostEnabled);
  EXPECT_EQ(form.edHostColor, TSystemColor::clWindow);
  EXPECT_FALSE(form.cbRunSpellChecker);
}

TEST_F(FormOptionsTest, OnlyHostFromDomainOneMeansTheDomain) {
  const std::pair<const char*, bool> cases[] = {{"1", true},    {" 1", true}, {"0", false}, {"2", false},
                                                {"abc", false}, {"$1", true}, {"-1", false}};
  for (const auto& [stored, fromDomain] : cases) {
    Store({{{"DNS", "HostFromDomain"}, stored}});
    TINI ini(Hive());
    TFormOptions form(ini);
    EXPECT_EQ(form.rbHostFromDomain, fromDomain) << stored;
    EXPECT_EQ(form.edSpecifyHost, !fromDomain) << stored;
    EXPECT_EQ(form.edHostEnabled, !fromDomain) << stored;
  }
}

TEST_F(FormOptionsTest, ConfirmingWithoutChangesWritesTheSameValuesBack) {
  Store({{{"Connection", "Connections"}, "12"},
         {{"Connection", "TimeOut"}, "45"},
         {{"Connection", "From"}, "ann@example.test"},
         {{"DNS", "Host"}, "h"},
         {{"DNS", "Primary"}, "127.0.0.53"},
         {{"DNS", "Secondary"}, "127.0.0.54"},
         {{"DNS", "HostFromDomain"}, "1"},
         {{"Spelling", "RunSpellChecker"}, "true"}});
  std::string before = ReadFile(Hive().filePath());
  TINI ini(Hive());
  TFormOptions form(ini);
  form.Button1Click();
  EXPECT_EQ(form.ModalResult, TModalFormResult::mrOk);
  EXPECT_EQ(ReadFile(Hive().filePath()), before);
}

TEST_F(FormOptionsTest, ALoneSecondaryServerBecomesThePrimary) {
  struct Case {
    const char* primaryBox;
    const char* secondaryBox;
    const char* primary;
    const char* secondary;
  };
  const Case cases[] = {
      {"127.0.0.53", "127.0.0.54", "127.0.0.53", "127.0.0.54"},
      {"", "127.0.0.54", "127.0.0.54", ""},
      {"127.0.0.53", "", "127.0.0.53", ""},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    Store({{{"DNS", "Primary"}, "old1"}, {{"DNS", "Secondary"}, "old2"}});
    TINI ini(Hive());
    TFormOptions form(ini);
    form.edDNS1 = c.primaryBox;
    form.edDNS2 = c.secondaryBox;
    form.Button1Click();
    EXPECT_EQ(Read("DNS", "Primary"), c.primary) << c.primaryBox << "|" << c.secondaryBox;
    EXPECT_EQ(Read("DNS", "Secondary"), c.secondary) << c.primaryBox << "|" << c.secondaryBox;
    EXPECT_EQ(ini.ilDNS1().Text(), c.primary);
    EXPECT_EQ(ini.ilDNS2().Text(), c.secondary);
  }
}

TEST_F(FormOptionsTest, ChoosingTheDomainGreysTheHostBoxButItsTextIsSaved) {
  Store({{{"DNS", "HostFromDomain"}, "0"}, {{"DNS", "Host"}, "relay.example.test"}});
  TINI ini(Hive());
  TFormOptions form(ini);
  form.SelectHostFromDomain(true);
  EXPECT_FALSE(form.edHostEnabled);
  EXPECT_EQ(form.edHostColor, TSystemColor::clBtnFace);
  form.edHost = "typed.example.test";
  form.Button1Click();
  EXPECT_EQ(Read("DNS", "HostFromDomain"), "1");
  EXPECT_EQ(Read("DNS", "Host"), "typed.example.test");

  TINI again(Hive());
  TFormOptions next(again);
  EXPECT_FALSE(next.edHostEnabled);
  next.SelectHostFromDomain(false);
  EXPECT_TRUE(next.edHostEnabled);
  EXPECT_EQ(next.edHostColor, TSystemColor::clWindow);
  next.Button1Click();
  EXPECT_EQ(Read("DNS", "HostFromDomain"), "0");
}

TEST_F(FormOptionsTest, TheUpDownKeepsItsLastValidPosition) {
  enum Step { kUp, kDown };
  struct Case {
    int start;
    std::vector<std::string> typed;
    std::vector<Step> arrows;
    int saved;
  };
  const Case cases[] = {
      {50, {"0"}, {}, 50},
      {50, {"1500"}, {}, 50},
      {50, {"abc"}, {}, 50},
      {50, {"-5"}, {}, 50},
      {50, {""}, {}, 50},
      {50, {"12abc"}, {}, 50},
      {50, {"99999999999999999999"}, {}, 50},
      {50, {"7"}, {}, 7},
      {50, {" 12 "}, {}, 12},
      {50, {"999"}, {}, 999},
      {50, {"1"}, {}, 1},
      {50, {"1", "10", "100", "1000"}, {}, 100},  // typed digit by digit
      {999, {}, {kUp}, 999},                      // no wrapping at either end
      {1, {}, {kDown}, 1},
      {50, {"abc"}, {kUp}, 51},
  };
  for (const auto& c : cases) {
    Store({{{"Connection", "Connections"}, std::to_string(c.start)}});
    TINI ini(Hive());
    TFormOptions form(ini);
    for (const std::string& text : c.typed) form.edConnections.Type(text);
    for (Step step : c.arrows) step == kUp ? form.edConnections.UpClick() : form.edConnections.DownClick();
    form.Button1Click();
    EXPECT_EQ(Read("Connection", "Connections"), std::to_string(c.saved)) << c.start << " " << c.typed.size();
  }
}

TEST_F(FormOptionsTest, StoredNumbersOutsideTheRangeOpenAtItsNearestEnd) {
  const std::pair<const char*, int> cases[] = {{"0", 1}, {"5000", 999}, {"abc", 1}, {"-3", 1}, {"12abc", 12}};
  for (const auto& [stored, shown] : cases) {
    Store({{{"Connection", "TimeOut"}, stored}});
    TINI ini(Hive());
    TFormOptions form(ini);
    EXPECT_EQ(form.edTimeOut.Position, shown) << stored;
    EXPECT_EQ(form.edTimeOut.Text, std::to_string(shown)) << stored;
  }
}

TEST_F(FormOptionsTest, CancelStoresNothingEvenAfterTheSpellCheckerConfiguration) {
  Store({{{"Connection", "From"}, "ann@example.test"}});
  std::string before = ReadFile(Hive().filePath());
  TINI ini(Hive());
  TFormOptions form(ini);
  int configured = 0;
  form.OnSpellCheckerConfiguration = [&] { ++configured; };
  form.edFrom = "bob@example.test";
  form.edConnections.UpClick();
  form.cbRunSpellChecker = false;
  form.SelectHostFromDomain(false);
  form.Button3Click();
  form.Button2Click();
  EXPECT_EQ(configured, 1);
  EXPECT_EQ(form.ModalResult, TModalFormResult::mrCancel);
  EXPECT_EQ(ReadFile(Hive().filePath()), before);
  EXPECT_EQ(ini.ilFrom().Text(), "ann@example.test");

  TFormOptions withoutChecker(ini);
  withoutChecker.Button3Click();  // no spell checker: nothing happens
  EXPECT_FALSE(withoutChecker.Closed());
}

TEST_F(FormOptionsTest, AFailedWriteStillPutsEverySettingInEffectAndReportsTheFirstFailure) {
  TINI ini(Hive());
  TFormOptions form(ini);
  std::string before = ReadFile(Hive().filePath());
  form.edConnections.Type("12");
  form.edFrom = "bob@example.test";
  form.edHost = "relay.example.test";
  form.edDNS2 = "127.0.0.54";
  form.cbRunSpellChecker = false;
  AtomicFile::FailAfterBytesForTesting(0);
  try {
    form.Button1Click();
    ADD_FAILURE() << "no error";
  } catch (const RegistryError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("Failed to set data for 'Connections'", 0), 0u) << error.what();
  }
  AtomicFile::FailAfterBytesForTesting(-1);
  EXPECT_EQ(form.ModalResult, TModalFormResult::mrOk);
  EXPECT_EQ(ReadFile(Hive().filePath()), before);
  EXPECT_EQ(ini.ilConnections().AsInteger(), 12);
  EXPECT_EQ(ini.ilFrom().Text(), "bob@example.test");
  EXPECT_EQ(ini.ilHost().Text(), "relay.example.test");
  EXPECT_EQ(ini.ilDNS1().Text(), "127.0.0.54");
  EXPECT_EQ(ini.ilDNS2().Text(), "");
  EXPECT_FALSE(ini.ilRunSpellChecker().AsBoolean());
}

// The pages of relay, TLS, MIME, List-Unsubscribe and DKIM: each box shows its
// stored value or the readers' default, and OK writes back only what changed.
struct ProviderBox {
  const char* section;
  const char* key;
  const char* defaultText;
  std::string TFormOptions::*box;
  const char* typed;
};
const ProviderBox kProviderBoxes[] = {
    {"Connection", "Gateway", "", &TFormOptions::edGateway, "smtp.example.test"},
    {"Connection", "GatewayPort", "", &TFormOptions::edGatewayPort, "465"},
    {"Connection", "MessagesPerSession", "100", &TFormOptions::edMessagesPerSession, "20"},
    {"Connection", "DomainConnections", "10", &TFormOptions::edDomainConnections, "4"},
    {"Connection", "DomainPace", "0", &TFormOptions::edDomainPace, "120"},
    {"Delivery", "Retries", "0", &TFormOptions::edRetries, "3"},
    {"Delivery", "RetryDelay", "300", &TFormOptions::edRetryDelay, "60"},
    {"Security", "GatewayTls", "starttls", &TFormOptions::cbGatewayTls, "implicit"},
    {"Security", "DirectTls", "opportunistic", &TFormOptions::cbDirectTls, "off"},
    {"Security", "CaFile", "", &TFormOptions::edCaFile, "/etc/ssl/extra.pem"},
    {"Security", "User", "", &TFormOptions::edUser, "ann"},
    {"Message", "ListUnsubscribe", "", &TFormOptions::edListUnsubscribe, "https://example.test/u?e=<email>"},
    {"DKIM", "Domain", "", &TFormOptions::edDkimDomain, "example.test"},
    {"DKIM", "Selector", "", &TFormOptions::edDkimSelector, "s2026"},
    {"DKIM", "KeyFile", "", &TFormOptions::edDkimKeyFile, "/home/ann/dkim.pem"},
};

TEST_F(FormOptionsTest, ProviderPagesLoadDefaultsAndStoredValuesAndStoreOnlyWhatChanged) {
  {
    TINI ini(Hive());
    TFormOptions fresh(ini);
    for (const ProviderBox& b : kProviderBoxes) EXPECT_EQ(fresh.*b.box, b.defaultText) << b.key;
    EXPECT_FALSE(fresh.cbMxPreferenceOrder);
    EXPECT_TRUE(fresh.cbMimeEncoding);
    EXPECT_FALSE(fresh.cbReuseSessions);
    EXPECT_TRUE(fresh.cbCacheAnswers);
    fresh.Button1Click();
    EXPECT_EQ(fresh.ModalResult, TModalFormResult::mrOk);
    // An untouched default is not pinned into the file.
    for (const ProviderBox& b : kProviderBoxes) EXPECT_EQ(Read(b.section, b.key), std::nullopt) << b.key;
    EXPECT_EQ(Read("Connection", "MxPreferenceOrder"), std::nullopt);
    EXPECT_EQ(Read("Message", "MimeEncoding"), std::nullopt);
    EXPECT_EQ(Read("Connection", "ReuseSessions"), std::nullopt);
    EXPECT_EQ(Read("DNS", "CacheAnswers"), std::nullopt);
  }
  {
    TINI ini(Hive());
    TFormOptions form(ini);
    for (const ProviderBox& b : kProviderBoxes) form.*b.box = b.typed;
    form.cbMxPreferenceOrder = true;
    form.cbMimeEncoding = false;
    form.cbReuseSessions = true;
    form.cbCacheAnswers = false;
    form.Button1Click();
    EXPECT_EQ(form.ModalResult, TModalFormResult::mrOk);
    EXPECT_EQ(form.ErrorText, "");
  }
  for (const ProviderBox& b : kProviderBoxes) EXPECT_EQ(Read(b.section, b.key), b.typed) << b.key;
  EXPECT_EQ(Read("Connection", "MxPreferenceOrder"), "true");
  EXPECT_EQ(Read("Message", "MimeEncoding"), "false");
  EXPECT_EQ(Read("Connection", "ReuseSessions"), "true");
  EXPECT_EQ(Read("DNS", "CacheAnswers"), "false");

  TINI ini(Hive());
  TFormOptions again(ini);
  for (const ProviderBox& b : kProviderBoxes) EXPECT_EQ(again.*b.box, b.typed) << b.key;
  EXPECT_TRUE(again.cbMxPreferenceOrder);
  EXPECT_FALSE(again.cbMimeEncoding);
  EXPECT_TRUE(again.cbReuseSessions);
  EXPECT_FALSE(again.cbCacheAnswers);
  again.cbMimeEncoding = true;
  again.Button2Click();
  EXPECT_EQ(Read("Message", "MimeEncoding"), "false");
}

TEST_F(FormOptionsTest, ARefusedValueKeepsTheDialogOpenOnItsPageAndStoresNothing) {
  Store({{{"Connection", "From"}, "ann@example.test"}});
  const std::string before = ReadFile(Hive().filePath());
  TINI ini(Hive());
  TFormOptions form(ini);
  std::vector<std::string> checked;
  form.CheckSetting = [&](const std::string& section, const std::string& key, const std::string& value) {
    checked.push_back(section + "/" + key + "=" + value);
    if (value.find(' ') != std::string::npos)
      throw std::invalid_argument("DKIM/Selector needs a domain name, not '" + value + "'");
    return value == "IMPLICIT" ? std::string("implicit") : value;
  };
  form.edFrom = "bob@example.test";
  form.cbGatewayTls = "IMPLICIT";
  form.edDkimSelector = "bad selector";
  form.edPassword = "secret";
  form.Button1Click();
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(form.PageIndex, kPageDkim);
  EXPECT_EQ(form.ErrorText, "DKIM/Selector needs a domain name, not 'bad selector'");
  EXPECT_EQ(checked,
            (std::vector<std::string>{"Security/GatewayTls=IMPLICIT", "DKIM/Selector=bad selector"}));
  EXPECT_EQ(ReadFile(Hive().filePath()), before);

  form.edDkimSelector = "s1";
  form.Button1Click();
  // The password needs a relay and a user to be kept under.
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(form.PageIndex, kPageSecurity);
  EXPECT_NE(form.ErrorText.find("relay host and a user name"), std::string::npos) << form.ErrorText;
  EXPECT_EQ(ReadFile(Hive().filePath()), before);

  form.edPassword.clear();
  form.Button1Click();
  EXPECT_EQ(form.ModalResult, TModalFormResult::mrOk);
  EXPECT_EQ(form.ErrorText, "");
  EXPECT_EQ(Read("Security", "GatewayTls"), "implicit");
  EXPECT_EQ(Read("DKIM", "Selector"), "s1");
  EXPECT_EQ(Read("Connection", "From"), "bob@example.test");
}

TEST_F(FormOptionsTest, ThePasswordGoesToTheSecretStoreAndNeverToTheSettings) {
  const std::string storePath = dir.File("secrets/Norvane.passwords");
  auto openStore = [&] { return OpenFileSecretStore(storePath); };
  Store({{{"Connection", "Gateway"}, "smtp.example.test"}, {{"Security", "User"}, "ann"}});
  {
    TINI ini(Hive());
    TFormOptions form(ini);
    form.OpenStore = openStore;
    form.edPassword = "pa55-w\xf6rd";
    form.Button1Click();
    EXPECT_EQ(form.ModalResult, TModalFormResult::mrOk);
    EXPECT_EQ(form.edPassword, "");
  }
  EXPECT_EQ(openStore()->Lookup("smtp.example.test", "ann"), "pa55-w\xf6rd");
  EXPECT_EQ(ReadFile(Hive().filePath()).find("pa55"), std::string::npos);
  {
    // Kept under the relay and user typed in the same dialog; an empty box keeps the stored one.
    TINI ini(Hive());
    TFormOptions form(ini);
    form.OpenStore = openStore;
    form.edGateway = " relay.example.test ";
    form.edUser = "bob";
    form.edPassword = "second";
    form.Button1Click();
    TFormOptions next(ini);
    next.OpenStore = openStore;
    EXPECT_EQ(next.edPassword, "");
    next.Button1Click();
    EXPECT_EQ(next.ModalResult, TModalFormResult::mrOk);
  }
  EXPECT_EQ(openStore()->Lookup("relay.example.test", "bob"), "second");
  EXPECT_EQ(openStore()->Lookup("smtp.example.test", "ann"), "pa55-w\xf6rd");
  EXPECT_EQ(ReadFile(Hive().filePath()).find("second"), std::string::npos);

  // A store that cannot be written keeps the dialog open and stores no setting.
  TINI ini(Hive());
  TFormOptions form(ini);
  form.OpenStore = openStore;
  form.edGateway = "smtp.example.test\nX";
  form.edPassword = "third";
  form.Button1Click();
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(form.PageIndex, kPageSecurity);
  EXPECT_FALSE(form.ErrorText.empty());
  EXPECT_EQ(Read("Connection", "Gateway"), " relay.example.test ");
}

}  // namespace
}  // namespace norvane
