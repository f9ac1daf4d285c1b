#include "app/sending_controller.h"

#include <gtest/gtest.h>

#include "app_fixture.h"
#include "platform/clock.h"
#include "project/journal_replay.h"
#include "project/run_journal.h"

namespace norvane {
namespace {

using test::AppFixture;

TEST(ResultText, EveryOutcomeCode) {
  const std::pair<int, const char*> cases[] = {
      {0, "Delivered and available to the recipient!"},
      {-1, "Failed: Invalid DNS"},
      {-2, "Failed: Time Out - Recipient's SMTP Server didn't respond"},
      {-3, "Failed: Could not perform the OPEN command"},
      {-4, "Failed: Could not perform the RCPT command"},
      {-5, "Failed: Could not perform the MAILFROM command"},
      {-6, "Failed: Could not perform the QUIT command"},
      {-7, "Failed: Could not perform the DATA command"},
      {-8, "Aborted by user"},
      {-9, "Failed: Invalid e-mail address"},
      {-10, "Failed: the domain accepts no mail"},
      {-11, "Failed: Error -11"},
      {450, "Failed: Mailbox unavailable"},
      {550, "Failed: Mailbox unavailable"},
      {553, "Failed: Mailbox unavailable"},
      {452, "Failed: Exceeded storage allocation"},
      {552, "Failed: Exceeded storage allocation"},
      {551, "Failed: User not local"},
      {554, "Failed: Transaction failed"},
      {11001, "Failed: Invalid DNS"},
      {421, "Failed: Recipient's  SMTP server returned error 421"},
      {10061, "Failed: Recipient's  SMTP server returned error 10061"},
  };
  for (const auto& [err, text] : cases) EXPECT_EQ(ResultText(err), text) << err;
}

TEST(ElapsedText, WholeSecondsAcrossTheTickWrap) {
  EXPECT_EQ(ElapsedText(1000, 1999), "00:00:00");
  EXPECT_EQ(ElapsedText(0, 3725'000), "01:02:05");
  // The tick wrapped during the run: 2 s before the wrap, 3.5 s after it.
  EXPECT_EQ(ElapsedText(0xFFFFFFFFu - 1999, 3500), "00:00:05");
}

TEST(SplitLines, BreaksAtEveryKindOfLineEnd) {
  EXPECT_EQ(SplitLines(""), std::vector<std::string>{});
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
}

class StartChecks : public AppFixture, public ::testing::Test {
 protected:
  StartChecks() : form(NewForm()) {}
  // Runs the checks as the Send command does, errors shown in the error box.
  std::optional<TRunSetup> Prepare() {
    std::optional<TRunSetup> setup;
    form->Guarded([&] { setup = form->Sending.PrepareRun(); });
    return setup;
  }
  std::unique_ptr<TMainForm> form;
};

TEST_F(StartChecks, RefusesInOrderWithTheBoxTexts) {
  ini.ilFrom().SetText("");
  EXPECT_FALSE(Prepare());
  AddRow(form->Project, "a@x.test", false);
  EXPECT_FALSE(Prepare());
  ini.ilFrom().SetText("no address here");
  EXPECT_FALSE(Prepare());
  ini.ilFrom().SetText("me@sender.test");
  EXPECT_FALSE(Prepare());
  EXPECT_EQ(ui.errors, (std::vector<std::string>{
                           "Please open / fill the recipient list before.",
                           "Please provide a valid email address for the FROM field (Tools | Options)",
                           "Please provide a valid email address for the FROM field (Tools | Options)",
                           "Nothing to send.",
                       }));
  // Nothing of the window changed.
  EXPECT_TRUE(form->Window.Actions.acStart.Enabled);
  EXPECT_FALSE(form->Project.FModified);
  EXPECT_EQ(form->Window.StatusPanels[0], "Elapsed:");
}

TEST_F(StartChecks, EngineValuesFromSettingsAndProject) {
  ini.ilFrom().SetText("Mailing Team <team@Sender.test>");
  ini.ilDNS1().SetText(" 127.0.0.1 ");
  ini.ilDNS2().SetText("");
  ini.ilConnections().SetAsInteger(7);
  ini.ilTimeOut().SetAsInteger(12);
  ProjectModel& p = form->Project;
  AddRow(p, "a@x.test", true);
  AddRow(p, "b@x.test", false);
  p.Items.push_back({"c@x.test", {}, -1});
  AddRow(p, "d@x.test", true);
  p.Subject = "Hello <name>";
  p.Attachments.push_back({"list.txt", "/data/", -1});

  auto setup = Prepare();
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->HeaderFrom, "Mailing Team <team@Sender.test>");
  EXPECT_EQ(setup->From, "team@Sender.test");
  EXPECT_EQ(setup->Signon, "Sender.test");
  EXPECT_EQ(setup->Dns, "127.0.0.1");
  ASSERT_EQ(setup->Recipients.size(), 2u);
  EXPECT_EQ(setup->Recipients[0].Address, "a@x.test");
  EXPECT_EQ(setup->Recipients[1].Row, 3);
  EXPECT_EQ(setup->Connections, 7);
  EXPECT_EQ(setup->TimeOut, 12);
  EXPECT_EQ(setup->ContentType, ctPlainText);
  EXPECT_EQ(setup->Attachments, std::vector<std::string>{"/data/list.txt"});
  EXPECT_EQ(setup->subject, "Hello <name>");

  ini.ilHostFromDomain().SetAsInteger(0);
  ini.ilHost().SetText("relay.local");
  ini.ilDNS1().SetText("10.0.0.1");
  ini.ilDNS2().SetText("10.0.0.2 ");
  setup = Prepare();
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->Signon, "relay.local");
  EXPECT_EQ(setup->Dns, "10.0.0.1 10.0.0.2");
}

class CancellingChecker : public TSpellCheck {
 public:
  bool Check(std::string& text) override {
    ++calls;
    return text.find("teh") == std::string::npos;
  }
  int calls = 0;
};

TEST_F(StartChecks, CancelledSpellCheckAsksBeforeSending) {
  ini.ilFrom().SetText("me@sender.test");
  AddRow(form->Project, "a@x.test", true);
  ini.ilRunSpellChecker().SetAsBoolean(true);

  // No checker built in: the check counts as completed, nothing is asked.
  EXPECT_TRUE(Prepare());
  EXPECT_TRUE(ui.questions.empty());

  CancellingChecker checker;
  form->Sending.SpellChecker = &checker;
  form->Project.Subject = "teh subject";
  ui.yesNo = {false, true};
  EXPECT_FALSE(Prepare());
  EXPECT_EQ(checker.calls, 2);  // To line, subject; the body is not checked after a cancel
  EXPECT_TRUE(Prepare());
  EXPECT_EQ(ui.questions,
            std::vector<std::string>(2, "The spell checker has been aborted.  Send the message anyway?"));
  EXPECT_TRUE(ui.errors.empty());
}

class RunEvents : public StartChecks {
 protected:
  RunEvents() {
    ini.ilFrom().SetText("me@sender.test");
    ProjectModel& p = form->Project;
    p.AddColumn("Name", 120);
    AddRow(p, "ann@x.test", true, {"old result", "Ann"});
    AddRow(p, "bob@y.test", false, {"Delivered and available to the recipient!", "Bob"});
    AddRow(p, "cy@z.test", true);
    AddRow(p, "dee@z.test", true, {"kept", "Dee"});
    p.To = "<name> <<email>>";
    p.Body = "Dear <name>,\r\nhello.";
    form->Project.FModified = false;
  }
  TSendingController& c() { return form->Sending; }
  // The run begins and the engine asks for the first recipient's message.
  void StartWithFirstRecipient() {
    auto setup = Prepare();
    ASSERT_TRUE(setup);
    c().BeginRun(*setup);
    GetData(0);
  }
  void GetData(int index) {
    std::string to, subject;
    std::vector<std::string> body;
    c().SmtpRelayServer1GetData(index, to, subject, body);
  }
  FakeClock clock{5000};
  ScopedClock scoped{clock};
};

TEST_F(RunEvents, OutcomesWrittenIntoRowsAndCounters) {
  auto setup = Prepare();
  ASSERT_TRUE(setup);
  c().BeginRun(*setup);
  EXPECT_TRUE(form->Busy());
  EXPECT_TRUE(form->Project.FModified);
  EXPECT_FALSE(form->Window.Actions.acStart.Enabled);
  EXPECT_TRUE(form->Window.Actions.acAbort.Enabled);
  EXPECT_FALSE(form->Window.Memo1Enabled);
  EXPECT_FALSE(form->Window.AcceptFiles);
  EXPECT_EQ(ui.cursor(), TCursor::crAppStart);

  std::string to = "ann@x.test", subject = "Hi <name>";
  std::vector<std::string> body{"template"};
  c().SmtpRelayServer1GetData(0, to, subject, body);
  EXPECT_EQ(to, "Ann <ann@x.test>");
  EXPECT_EQ(subject, "Hi Ann");
  EXPECT_EQ(body, (std::vector<std::string>{"Dear Ann,", "hello."}));
  EXPECT_EQ(form->Project.Items[0].SubItem(0), "Sending... (waiting acknowledgement)");
  EXPECT_EQ(form->Project.Items[0].ImageIndex, kImageSending);

  std::string to2, subject2;
  c().SmtpRelayServer1GetData(1, to2, subject2, body);  // cy: no sub-items, the field merges empty
  EXPECT_EQ(to2, " <cy@z.test>");
  clock.Advance(65'000);
  c().SmtpRelayServer1EMailProcessed(0, 0);
  c().SmtpRelayServer1EMailProcessed(1, 553);
  EXPECT_EQ(form->Window.StatusPanels,
            (std::array<std::string, 5>{"Elapsed: 00:01:05", "Total: 4", "Waiting: 0", "Good: 1", "Bad: 1"}));
  c().SmtpRelayServer1GetData(2, to, subject, body);
  c().SmtpRelayServer1EMailProcessed(2, 421);
  c().SmtpRelayServer1EMailProcessed(7, 0);  // not a recipient of this run: ignored
  c().SmtpRelayServer1Finished(false);

  const auto& items = form->Project.Items;
  EXPECT_EQ(items[0].StateIndex, 0);
  EXPECT_EQ(items[0].ImageIndex, kImageDelivered);
  EXPECT_EQ(items[0].SubItem(0), "Delivered and available to the recipient!");
  EXPECT_EQ(items[0].SubItem(1), "Ann");
  EXPECT_EQ(items[2].StateIndex, 1);
  EXPECT_EQ(items[2].ImageIndex, kImageFailed);
  EXPECT_EQ(items[2].SubItem(0), "Failed: Mailbox unavailable");
  EXPECT_EQ(items[3].SubItem(0), "Failed: Recipient's  SMTP server returned error 421");
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Finished!"});
  EXPECT_FALSE(form->Busy());
  EXPECT_TRUE(form->Window.Actions.acStart.Enabled);
  EXPECT_FALSE(form->Window.Actions.acAbort.Enabled);
  EXPECT_TRUE(form->Window.AcceptFiles);
  EXPECT_EQ(ui.cursor(), TCursor::crDefault);
  EXPECT_EQ(form->Window.StatusPanels[3], "Good: 1");  // the counts stay after the run

  // The delivered row is skipped by the next run.
  setup = Prepare();
  ASSERT_TRUE(setup);
  ASSERT_EQ(setup->Recipients.size(), 2u);
  EXPECT_EQ(setup->Recipients[0].Address, "cy@z.test");
}

TEST_F(RunEvents, ADeferredRecipientWaitsForItsNextTryWithoutAnOutcome) {
  ASSERT_NO_FATAL_FAILURE(StartWithFirstRecipient());
  c().SmtpRelayServer1Deferred(0, 1, 2, 450);
  const auto& items = form->Project.Items;
  EXPECT_EQ(items[0].SubItem(0), "Waiting to retry (1 of 2)");
  EXPECT_EQ(items[0].StateIndex, 1);
  EXPECT_EQ(form->Window.StatusPanels[3], "Good: 0");
  EXPECT_EQ(form->Window.StatusPanels[4], "Bad: 0");
  GetData(0);
  EXPECT_EQ(items[0].SubItem(0), "Sending... (waiting acknowledgement)");
  c().SmtpRelayServer1Deferred(0, 2, 2, 450);
  EXPECT_EQ(items[0].SubItem(0), "Waiting to retry (2 of 2)");
  GetData(0);
  c().SmtpRelayServer1EMailProcessed(0, 450);
  EXPECT_EQ(items[0].ImageIndex, kImageFailed);
  EXPECT_EQ(form->Window.StatusPanels[4], "Bad: 1");
  c().SmtpRelayServer1Finished(false);
}

TEST_F(RunEvents, ARunKilledWhileATryWaitsLeavesTheRowFailedNotUnconfirmed) {
  // The server answered the final "." with 451: the message was not taken, so
  // the hand-over recorded before it must not make the row unconfirmed.
  std::string path = dir.File("p.nvp");
  form->Project.FProjectFileName = path;
  ASSERT_NO_FATAL_FAILURE(StartWithFirstRecipient());
  c().SmtpRelayServer1HandingOver(0);
  c().SmtpRelayServer1Deferred(0, 1, 2, 451, {"<<< 451 4.3.0 try later"});

  ProjectModel reopened;
  AddRow(reopened, "ann@x.test", true, {"Sending... (waiting acknowledgement)"});
  JournalRecovery recovery = ReplayJournal(reopened, TRunJournal::Read(path));
  EXPECT_EQ(recovery.unconfirmed, 0);
  EXPECT_EQ(reopened.Items[0].StateIndex, 1);
  EXPECT_EQ(reopened.Items[0].ImageIndex, kImageFailed);
  EXPECT_EQ(reopened.Items[0].SubItem(0), ResultText(451));
  c().SmtpRelayServer1Finished(true);
}

TEST_F(RunEvents, AbortedRunShowsNoFinishedMessage) {
  ASSERT_NO_FATAL_FAILURE(StartWithFirstRecipient());
  c().SmtpRelayServer1EMailProcessed(0, -8);
  c().SmtpRelayServer1Finished(true);
  EXPECT_EQ(form->Project.Items[0].SubItem(0), "Aborted by user");
  EXPECT_EQ(form->Project.Items[0].StateIndex, 1);
  EXPECT_EQ(form->Project.Items[3].SubItem(0), "kept");  // never handed out
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(form->Busy());
}

TEST_F(RunEvents, ClosingRefusedWhileRunningAndAskedAfter) {
  auto setup = Prepare();
  ASSERT_TRUE(setup);
  c().BeginRun(*setup);
  EXPECT_FALSE(form->FormCloseQuery());
  EXPECT_TRUE(ui.questions.empty());
  c().SmtpRelayServer1Finished(false);
  ui.yesNoCancel = {TModalResult::mrCancel, TModalResult::mrNo};
  EXPECT_FALSE(form->FormCloseQuery());
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_EQ(ui.questions,
            std::vector<std::string>(2, "Project has been modified.  Would you like to save it?"));
}

TEST(EnableEditing, SingleRowCommandsNeedASelection) {
  TMainWindow window;
  window.EnableEditing(true);
  EXPECT_FALSE(window.Actions.acRecipientEdit.Enabled);
  window.ListView1SelectItem(2, false);
  EXPECT_TRUE(window.Actions.acRecipientDelete.Enabled);
  EXPECT_TRUE(window.Actions.acPreview.Enabled);
  window.EnableEditing(false);
  EXPECT_FALSE(window.Actions.acRecipientDelete.Enabled);
  EXPECT_FALSE(window.edToEnabled);
  window.ListView1SelectItem(1, true);
  EXPECT_FALSE(window.Actions.acRecipientEdit.Enabled);
  EXPECT_TRUE(window.Actions.acCheck.Enabled);
  window.EnableEditing(true);
  EXPECT_TRUE(window.Actions.acRecipientEdit.Enabled);
  EXPECT_FALSE(window.Actions.acAbort.Enabled);
}

}  // namespace
}  // namespace norvane
