// The Send command with the real delivery engine against the local sandbox
// (real DNS and SMTP servers on loopback, run on the test's event loop).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <tuple>

#include "app/delivery_settings.h"
#include "app_fixture.h"
#include "net/host_lookup.h"
#include "platform/append_only_file.h"
#include "project/run_journal.h"
#include "sandbox/sandbox.h"
#include "support/run_until.h"
#include "support/smtp_sink_peer.h"

namespace norvane {
namespace {

using test::AppFixture;

class SendRun : public AppFixture, public ::testing::Test {
 protected:
  SendRun() {
    SandboxOptions options;
    options.folder = dir.File("mail");
    sandbox = std::make_unique<Sandbox>(options, loop);
    sandbox->Start();
    SetResolverServers("127.0.0.1:" + std::to_string(sandbox->dnsPort()));
    form = std::make_unique<TMainForm>(ui, ini, Hive(), loop);
    form->FormCreate({});
    TRunOverrides& o = form->Sending.Overrides;
    o.Dns = "127.0.0.1";
    o.DnsPort = std::to_string(sandbox->dnsPort());
    o.Port = std::to_string(sandbox->smtpPort());
    ini.ilFrom().SetText("Mailing Team <team@sender.test>");
    ini.ilConnections().SetAsInteger(4);
    ini.ilTimeOut().SetAsInteger(20);
  }
  ~SendRun() override {
    form.reset();
    ResetResolverServers();
  }

  void Send() {
    form->Guarded([&] { form->Sending.acStartExecute(); });
  }
  // Drives the loop until `done`; false after 20 s of real time.
  bool RunUntil(const std::function<bool()>& done) { return test::RunUntil(loop, done, 20000); }
  bool UntilIdle() {
    return RunUntil([&] { return !form->Busy(); });
  }
  std::vector<std::string> MailFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("mail")))
      if (entry.path().extension() == ".eml") files.push_back(entry.path().string());
    return files;
  }
  const TListItem& Row(int row) { return form->Project.Items.at(row); }

  EventLoop loop;
  std::unique_ptr<Sandbox> sandbox;
  std::unique_ptr<TMainForm> form;
};

TEST_F(SendRun, MixedOutcomesThenASecondSendRetriesOnlyTheFailed) {
  ProjectModel& p = form->Project;
  p.AddColumn("Name", 120);
  AddRow(p, "ann@a.test", true, {"", "Ann"});
  AddRow(p, "reject-550@b.test", true, {"", "Rex"});
  AddRow(p, "skip@c.test", false, {"old result", "Sam"});
  AddRow(p, "bob@d.test", true, {"", "Bob"});
  p.SetSubject("Hello <name>");
  p.SetBody("Dear <name>,\r\nhello.");
  p.FModified = false;

  Send();
  EXPECT_TRUE(form->Busy());
  EXPECT_FALSE(form->FormCloseQuery());  // refused without a question while busy
  ASSERT_TRUE(UntilIdle());
  ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Finished!"});
  EXPECT_EQ(Row(0).SubItem(0), "Delivered and available to the recipient!");
  EXPECT_EQ(Row(0).StateIndex, 0);
  EXPECT_EQ(Row(1).SubItem(0), "Failed: Mailbox unavailable");
  EXPECT_EQ(Row(1).StateIndex, 1);
  EXPECT_EQ(Row(1).ImageIndex, kImageFailed);
  EXPECT_EQ(Row(2).SubItem(0), "old result");
  EXPECT_EQ(Row(3).StateIndex, 0);
  EXPECT_EQ(form->Window.StatusPanels[1], "Total: 4");
  EXPECT_EQ(form->Window.StatusPanels[3], "Good: 2");
  EXPECT_EQ(form->Window.StatusPanels[4], "Bad: 1");
  EXPECT_TRUE(form->Window.Actions.acStart.Enabled);
  EXPECT_TRUE(form->Window.edToEnabled);

  // What arrived: the merge, the envelope from the bare address, the standard headers.
  auto files = MailFiles();
  ASSERT_EQ(files.size(), 2u);
  std::string message = test::ReadFile(files[0]);
  EXPECT_TRUE(std::regex_search(message, std::regex("\r\nSubject: Hello (Ann|Bob)\r\n"))) << message;
  EXPECT_TRUE(std::regex_search(message, std::regex("\r\nDate: [^\r]* [+-][0-9]{4}\r\n"))) << message;
  EXPECT_TRUE(std::regex_search(message, std::regex("\r\nMessage-ID: <[^@>]+@sender\\.test>\r\n")))
      << message;

  Send();
  ASSERT_TRUE(UntilIdle());
  EXPECT_EQ(MailFiles().size(), 2u);
  EXPECT_EQ(form->Window.StatusPanels[3], "Good: 0");
  EXPECT_EQ(form->Window.StatusPanels[4], "Bad: 1");

  // After the run closing asks about the results.
  ui.yesNoCancel = {TModalResult::mrCancel};
  EXPECT_FALSE(form->FormCloseQuery());
  EXPECT_EQ(ui.questions.size(), 1u);
}

TEST_F(SendRun, StopAbortsTheRecipientsInProgressOnly) {
  ini.ilConnections().SetAsInteger(2);
  ProjectModel& p = form->Project;
  AddRow(p, "slow-60@a.test", true, {"earlier"});
  AddRow(p, "slow-60+2@b.test", true, {"earlier"});
  AddRow(p, "later@c.test", true, {"earlier"});
  Send();
  ASSERT_TRUE(
      RunUntil([&] { return Row(0).ImageIndex == kImageSending && Row(1).ImageIndex == kImageSending; }));
  form->Sending.acAbortExecute();
  ASSERT_TRUE(UntilIdle());
  EXPECT_EQ(Row(0).SubItem(0), "Aborted by user");
  EXPECT_EQ(Row(1).SubItem(0), "Aborted by user");
  EXPECT_EQ(Row(1).StateIndex, 1);
  EXPECT_EQ(Row(2).SubItem(0), "earlier");
  EXPECT_EQ(Row(2).StateIndex, 1);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(form->Window.Actions.acStart.Enabled);
  EXPECT_FALSE(form->Window.Actions.acAbort.Enabled);
}

TEST_F(SendRun, TheStoredDomainPaceReachesTheEngineHeldToItsRange) {
  const struct {
    const char* stored;
    int pace;
  } cases[] = {{"120", 120}, {"250000", 100000}, {"-5", 0}};
  int row = 0;
  for (const auto& c : cases) {
    ini.INIArquivo1().WriteString(kReuseSection, kDomainPaceKey, c.stored);
    AddRow(form->Project, "ann" + std::to_string(row++) + "@a.test", true);
    Send();
    EXPECT_EQ(form->Sending.SmtpRelayServer1.DomainPace, c.pace) << c.stored;
    ASSERT_TRUE(UntilIdle());
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
  }
  EXPECT_EQ(MailFiles().size(), 3u);
}

TEST_F(SendRun, RefusalsOfARealServerThroughTheRelayHost) {
  // smtp-sink takes 5xx texts for hard and 4xx texts for soft refusals.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"-B", "553 5.1.3 Bad recipient address syntax", "Failed: Mailbox unavailable"},
      {"-b", "421 4.3.2 Service shutting down", "Failed: Recipient's  SMTP server returned error 421"},
  };
  for (const auto& [option, reply, result] : cases) {
    test::SmtpSinkPeer sink({std::string(option) == "-B" ? "-f" : "-r", "RCPT", option, reply});
    form->Sending.Overrides = {};
    form->Sending.Overrides.gateway = sink.address();
    form->Sending.Overrides.Port = sink.portText();
    form->Sending.Overrides.GatewayTls = "none";  // smtp-sink speaks no TLS
    form->Project.Items.clear();
    AddRow(form->Project, "someone@example.test", true);
    Send();
    ASSERT_TRUE(UntilIdle()) << reply;
    ASSERT_TRUE(ui.errors.empty()) << ui.errors[0];
    EXPECT_EQ(Row(0).SubItem(0), result) << reply;
    EXPECT_EQ(Row(0).StateIndex, 1);
  }
}

TEST_F(SendRun, EngineRefusingToStartLeavesTheWindowIdle) {
  AddRow(form->Project, "ann@a.test", true);
  form->Project.Attachments.push_back({"missing.pdf", dir.File(""), -1});
  Send();
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_NE(ui.errors[0].find("missing.pdf"), std::string::npos) << ui.errors[0];
  EXPECT_FALSE(form->Busy());
  EXPECT_TRUE(form->Window.Actions.acStart.Enabled);
  EXPECT_TRUE(form->Window.AcceptFiles);
  EXPECT_EQ(ui.cursor(), TCursor::crDefault);
  EXPECT_EQ(form->Project.Items[0].SubItem(0), "");
}

// The journal is written before the row shows an outcome: whatever a row
// shows survives the process being killed right then.
TEST_F(SendRun, EveryOutcomeIsJournaledBeforeItsRowShowsItAndRecoveredOnOpening) {
  ProjectModel& p = form->Project;
  for (const char* address : {"ann@a.test", "reject-550@b.test", "bob@d.test"}) AddRow(p, address, true);
  std::string path = dir.File("p.nvp");
  form->Commands.SaveProject(path);
  p.FProjectFileName = path;
  std::vector<std::string> missing;
  form->Sending.OnRowChanged = [&](int row) {
    if (Row(row).ImageIndex == kImageSending) return;
    JournalContents journal = TRunJournal::Read(path);
    bool found = false;
    for (const JournalRecord& record : journal.records)
      found |= record.kind == JournalRecord::kOutcome && record.row == row + 1 &&
               record.result == Row(row).SubItem(0);
    if (!found) missing.push_back(Row(row).Caption);
  };
  Send();
  ASSERT_TRUE(UntilIdle());
  EXPECT_TRUE(missing.empty()) << missing.front();

  // The window is closed without saving; opening the file again brings the results back.
  auto reopened = std::make_unique<TMainForm>(ui, ini, Hive(), loop);
  reopened->FormCreate({path});
  EXPECT_EQ(ui.informations.back(), "Recovered 3 results of an interrupted run");
  EXPECT_EQ(reopened->Project.Items[0].StateIndex, 0);
  EXPECT_EQ(reopened->Project.Items[1].SubItem(0), "Failed: Mailbox unavailable");
  EXPECT_TRUE(reopened->Project.FModified);
  reopened->Commands.SaveProject(path);
  ui.informations.clear();
  auto third = std::make_unique<TMainForm>(ui, ini, Hive(), loop);
  third->FormCreate({path});
  EXPECT_TRUE(ui.informations.empty());
  EXPECT_EQ(third->Project.Items[2].StateIndex, 0);
}

TEST_F(SendRun, AJournalThatCannotBeWrittenStopsTheRun) {
  ProjectModel& p = form->Project;
  for (int i = 0; i < 30; ++i) AddRow(p, "r" + std::to_string(i) + "@a.test", true);
  std::string path = dir.File("p.nvp");
  form->Commands.SaveProject(path);
  p.FProjectFileName = path;
  ini.ilConnections().SetAsInteger(1);
  AppendOnlyFile::FailAfterBytesForTesting(1500);
  Send();
  AppendOnlyFile::FailAfterBytesForTesting(-1);
  ASSERT_TRUE(UntilIdle());
  ASSERT_FALSE(ui.errors.empty());
  EXPECT_EQ(
      ui.errors.back(),
      "The results of this run cannot be recorded, so it was stopped: Cannot write to file p.nvp.journal: "
      "no space left on device.");
  EXPECT_LT(MailFiles().size(), 30u);
  EXPECT_TRUE(std::find(ui.messages.begin(), ui.messages.end(), "Finished!") == ui.messages.end());
}

}  // namespace
}  // namespace norvane
