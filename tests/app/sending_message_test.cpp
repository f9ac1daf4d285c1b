// What the sending controller adds to the copies and checks before a run for
// the message settings: the sender's domain, List-Unsubscribe, DKIM.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/message_settings.h"
#include "app/sending_controller.h"
#include "app_fixture.h"
#include "smtp/dkim_key.h"
#include "smtp/dkim_signer.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

class SendingMessage : public test::AppFixture, public ::testing::Test {
 protected:
  SendingMessage() : form(NewForm()) {
    ini.ilFrom().SetText("Team <team@sender.test>");
    AddRow(form->Project, "ann@x.test", true);
    AddRow(form->Project, "bob@y.test", true);
  }
  std::optional<TRunSetup> Prepare() {
    std::optional<TRunSetup> setup;
    form->Guarded([&] { setup = form->Sending.PrepareRun(); });
    return setup;
  }
  void Setting(const char* section, const char* key, const std::string& value) {
    ini.INIArquivo1().WriteString(section, key, value);
  }
  std::unique_ptr<TMainForm> form;
};

TEST_F(SendingMessage, ASenderWithoutDomainOrNameIsRefusedAtTheStart) {
  for (const char* sender : {"x@", "Team <x@>", "@sender.test"}) {
    ini.ilFrom().SetText(sender);
    ui.errors.clear();
    EXPECT_FALSE(Prepare()) << sender;
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("lacks its name or its domain"), std::string::npos) << ui.errors[0];
  }
  ini.ilFrom().SetText("x@sender.test");
  EXPECT_TRUE(Prepare());
}

TEST_F(SendingMessage, ListUnsubscribeGoesIntoEveryCopyForItsOwnRow) {
  Setting(kMessageSection, kListUnsubscribeKey, "https://sender.test/u?e=<email>");
  auto setup = Prepare();
  ASSERT_TRUE(setup);
  form->Sending.BeginRun(*setup);
  std::vector<std::string> lines = {"From: Team <team@sender.test>", "Date: Tue, 9 Mar 2004 14:05:33"};
  form->Sending.SmtpRelayServer1ProcessHeader(1, lines);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "List-Unsubscribe: <https://sender.test/u?e=bob@y.test>"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "List-Unsubscribe-Post: List-Unsubscribe=One-Click"),
            lines.end());
  form->Sending.EndSending();

  Setting(kMessageSection, kListUnsubscribeKey, "sender.test/unsubscribe");
  ui.errors.clear();
  EXPECT_FALSE(Prepare());
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_NE(ui.errors[0].find("Message/ListUnsubscribe"), std::string::npos) << ui.errors[0];
}

TEST_F(SendingMessage, AnUnusableDkimKeyStopsTheRunBeforeAnythingIsSent) {
  Setting(kDkimSection, kDkimDomainKey, "sender.test");
  Setting(kDkimSection, kDkimSelectorKey, "s1");
  Setting(kDkimSection, kDkimKeyFileKey, dir.File("missing.pem"));
  form->Sending.Overrides.Dns = "127.0.0.1";
  EXPECT_THROW(
      {
        try {
          form->Sending.acStartExecute();
        } catch (const DkimKeyError& error) {
          EXPECT_NE(std::string(error.what()).find("missing.pem"), std::string::npos) << error.what();
          throw;
        }
      },
      DkimKeyError);
  EXPECT_FALSE(form->Sending.Busy());
  EXPECT_TRUE(form->Window.Actions.acStart.Enabled);

  // No domain for a key that is there.
  test::WriteFile(dir.File("key.pem"), DkimKey::Generate(DkimAlgorithm::kEd25519Sha256).PrivatePem());
  Setting(kDkimSection, kDkimKeyFileKey, dir.File("key.pem"));
  Setting(kDkimSection, kDkimDomainKey, "");
  EXPECT_THROW(LoadDkimSigner(ini), DkimKeyError);
  Setting(kDkimSection, kDkimDomainKey, "sender.test");
  auto signer = LoadDkimSigner(ini);
  ASSERT_TRUE(signer);
  EXPECT_EQ(signer->Selector(), "s1");
  EXPECT_TRUE(ReadMessageFormat(ini).MimeEncoding);
  Setting(kDkimSection, kDkimKeyFileKey, "");
  EXPECT_FALSE(LoadDkimSigner(ini));
}

}  // namespace
}  // namespace norvane
