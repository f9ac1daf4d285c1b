#include "app/tools_help_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/about_box.h"
#include "app_fixture.h"
#include "import/form_wizard.h"
#include "import/import_dialog.h"
#include "platform/locale_formats.h"
#include "project/project_file.h"
#include "settings/form_options.h"
#include "ui/form_get_started.h"
#include "ui/home_page.h"

namespace norvane {
namespace {

using Strings = std::vector<std::string>;
using test::WriteFile;

constexpr char kKey[] = "software\\Kalvento\\Norvane";

class RecordingSpelling : public TSpellingServices {
 public:
  void Thesaurus(const std::string& control) override { thesaurus.push_back(control); }
  void ShowConfiguration() override { ++configurations; }
  Strings thesaurus;
  int configurations = 0;
};

// The main window with its Tools and Help commands, the program's folder and
// the data folder being two folders of the test.
class ToolsHelpTest : public test::AppFixture, public ::testing::Test {
 protected:
  ToolsHelpTest()
      : form(NewForm()), tools(form->Project, form->Window, ui, ini, form->Sending, form->Commands) {
    ::mkdir(ProgramDir().c_str(), 0700);
    ::mkdir(DataDir().c_str(), 0700);
    tools.FileFolders = {ProgramDir(), DataDir()};
    tools.Tips.Random = [](int) { return 0; };
  }
  std::string ProgramDir() const { return dir.File("bin"); }
  std::string DataDir() const { return dir.File("share"); }
  std::optional<std::string> Stored(const std::string& section, const std::string& name) const {
    return Hive().ReadString(JoinRegistryPath(kKey, section), name);
  }
  // Queues a script for the next modal form, which must be a `Form`.
  template <typename Form>
  void OnNext(std::function<void(Form&)> script) {
    ui.modals.push_back([script](TModalForm& shown) {
      auto* form = dynamic_cast<Form*>(&shown);
      ASSERT_NE(form, nullptr) << "shown instead: " << shown.Caption;
      script(*form);
    });
  }

  std::unique_ptr<TMainForm> form;
  TToolsHelpCommands tools;
};

TEST_F(ToolsHelpTest, PrepareTipsTakesTheFirstTipsFileAndSetsTheDialogTexts) {
  struct Case {
    std::optional<std::string> program, data;
    Strings tips;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, BuiltInTips()},
      {"beside\r\n", "data\r\n", {"beside"}},
      {std::nullopt, "data one\r\ndata two\r\n", {"data one", "data two"}},
      {"", "data\r\n", {}},  // an empty file beside the program still replaces the built-in tips
  };
  for (const auto& c : cases) {
    for (const auto& [folder, content] : {std::pair{ProgramDir(), c.program}, std::pair{DataDir(), c.data}}) {
      std::string path = folder + "/tips.txt";
      if (content)
        WriteFile(path, *content);
      else
        ::unlink(path.c_str());
    }
    TToolsHelpCommands fresh(form->Project, form->Window, ui, ini, form->Sending, form->Commands);
    fresh.FileFolders = tools.FileFolders;
    fresh.PrepareTips();
    EXPECT_EQ(fresh.Tips.Tips(), c.tips) << c.program.value_or("-") << "|" << c.data.value_or("-");
    EXPECT_EQ(fresh.Tips.Title, "Tip of The Day");
    EXPECT_EQ(fresh.Tips.TipHelp, "Did you know that...");
    EXPECT_EQ(fresh.Tips.TipWelcome, "Welcome to Norvane!");
    EXPECT_EQ(fresh.Tips.CaptionOK, "OK");
    EXPECT_EQ(fresh.Tips.CaptionNextTip, "&Next Tip");
    EXPECT_EQ(fresh.Tips.CaptionPreviosTip, "&Previous Tip");
    EXPECT_EQ(fresh.Tips.CaptionDontShowTips, "&Don't show tips at startup");
  }
  EXPECT_TRUE(ui.errors.empty());
}

TEST_F(ToolsHelpTest, AnUnreadableTipsFileKeepsTheBuiltInTipsAndIsReported) {
  ASSERT_EQ(::mkdir((ProgramDir() + "/tips.txt").c_str(), 0700), 0);
  WriteFile(DataDir() + "/tips.txt", "data\r\n");
  EXPECT_THROW(tools.PrepareTips(), TipsFileError);
  EXPECT_EQ(tools.Tips.Tips(), BuiltInTips());
  EXPECT_EQ(tools.Tips.Title, "Tip of The Day");
}

TEST_F(ToolsHelpTest, StartupDialogsFollowTheirSettingsTipsFirst) {
  struct Case {
    const char* tips;
    const char* gettingStarted;
    Strings shown;
  };
  const Case cases[] = {
      {"true", "true", {"Tip of The Day", "Getting Started"}},
      {"TRUE", "false", {"Tip of The Day"}},
      {"false", "True", {"Getting Started"}},
      {"false", "1", {}},
  };
  tools.PrepareTips();
  for (const auto& c : cases) {
    Hive().WriteString(JoinRegistryPath(kKey, "Environment"), "ShowTipOfTheDay", c.tips);
    Hive().WriteString(JoinRegistryPath(kKey, "Environment"), "ShowGettingStartedDialog", c.gettingStarted);
    TINI fresh(Hive());
    TToolsHelpCommands commands(form->Project, form->Window, ui, fresh, form->Sending, form->Commands);
    commands.PrepareTips();
    ui.modalCaptions.clear();
    ui.beeps = 0;
    commands.StartupDialogs();
    EXPECT_EQ(ui.modalCaptions, c.shown) << c.tips << " " << c.gettingStarted;
    // The start-up sound belongs to the getting-started dialog.
    EXPECT_EQ(ui.beeps, c.shown.size() == 2 || c.shown == Strings{"Getting Started"} ? 1 : 0);
  }
}

TEST_F(ToolsHelpTest, TheTipsCheckBoxIsStoredHoweverTheDialogCloses) {
  struct Case {
    const char* before;
    bool tick;
    bool ok;  // else the close box
    const char* after;
  };
  const Case cases[] = {
      {"true", true, false, "false"},
      {"true", true, true, "false"},
      {"false", true, false, "true"},
      {"true", false, false, "true"},
  };
  tools.PrepareTips();
  for (const auto& c : cases) {
    Hive().WriteString(JoinRegistryPath(kKey, "Environment"), "ShowTipOfTheDay", c.before);
    TINI fresh(Hive());
    TToolsHelpCommands commands(form->Project, form->Window, ui, fresh, form->Sending, form->Commands);
    commands.Tips.Random = [](int) { return 0; };
    bool shownTicked = false;
    OnNext<TTipForm>([&](TTipForm& tips) {
      shownTicked = tips.NotShowAtStart;
      EXPECT_EQ(tips.TipText, commands.Tips.Tips()[0]);
      if (c.tick) tips.NotShowAtStart = !tips.NotShowAtStart;
      if (c.ok) tips.OkClick();
    });
    commands.acTipOfThDayExecute();
    EXPECT_EQ(shownTicked, std::string(c.before) == "false");
    EXPECT_EQ(Stored("Environment", "ShowTipOfTheDay"), c.after) << c.before << c.tick << c.ok;
  }
}

TEST_F(ToolsHelpTest, GettingStartedEndsInOneOfFourWays) {
  std::string projects = dir.File("projects");
  ::mkdir(projects.c_str(), 0700);
  ProjectModel stored;
  stored.Subject = "first quarter";
  SaveProject(stored, projects + "/q1.2004.nvp");
  SaveProject(ProjectModel(), projects + "/March.nvp");
  ini.riProjectsDirectory().SetText(projects + "/");

  enum Choice { kCancel, kCloseBox, kOkNothing, kOkWizard, kOkScript, kBrowse };
  struct Case {
    Choice choice;
    bool tick;
    bool modified;                        // the project at hand has unsaved changes
    std::deque<TModalResult> saveAnswer;  // to "Project has been modified..."
    const char* stored;                   // ShowGettingStartedDialog afterwards
    Strings shownAfter;                   // modal forms after the dialog
    std::size_t openDialogs;
    const char* subject;  // of the project at hand afterwards
  };
  const Case cases[] = {
      {kCancel, true, false, {}, "true", {}, 0, ""},
      {kCloseBox, true, false, {}, "true", {}, 0, ""},
      {kOkNothing, true, false, {}, "false", {}, 0, ""},
      {kOkNothing, false, false, {}, "true", {}, 0, ""},
      {kOkWizard, false, false, {}, "true", {"Mailing Wizard"}, 0, ""},
      {kOkScript, true, false, {}, "false", {}, 0, "first quarter"},
      {kBrowse, true, false, {}, "false", {}, 1, ""},
      // Unsaved changes are not replaced unasked.
      {kOkScript, false, true, {TModalResult::mrCancel}, "true", {}, 0, "changed"},
      {kOkScript, false, true, {TModalResult::mrNo}, "true", {}, 0, "first quarter"},
      {kOkWizard, false, true, {TModalResult::mrCancel}, "true", {}, 0, "changed"},
      {kBrowse, false, true, {TModalResult::mrCancel}, "true", {}, 0, "changed"},
  };
  for (const auto& c : cases) {
    form->Commands.NewProject();
    if (c.modified) form->Project.SetSubject("changed");
    ui.yesNoCancel = c.saveAnswer;
    ui.modalCaptions.clear();
    ui.openDialogs.clear();
    ui.questions.clear();
    Hive().WriteString(JoinRegistryPath(kKey, "Environment"), "ShowGettingStartedDialog", "true");
    TINI fresh(Hive());
    TToolsHelpCommands commands(form->Project, form->Window, ui, fresh, form->Sending, form->Commands);
    OnNext<TFormGetStarted>([&](TFormGetStarted& dialog) {
      EXPECT_EQ(dialog.Scripts, (Strings{"March", "q1.2004"}));
      EXPECT_FALSE(dialog.chDontShowAgain);
      if (c.tick) dialog.chDontShowAgain = true;
      switch (c.choice) {
        case kCancel:
          dialog.btCancelClick();
          break;
        case kCloseBox:
          dialog.CloseBoxClick();
          break;
        case kOkNothing:
          dialog.btOKClick();
          break;
        case kOkWizard:
          dialog.rbWizardClick(), dialog.btOKClick();
          break;
        case kOkScript:
          dialog.ScriptsClick(1), dialog.btOKClick();
          break;
        case kBrowse:
          dialog.rbWizardClick(), dialog.btBrowseClick();
          break;
      }
    });
    commands.acGettingStartedExecute();
    std::string label = std::to_string(&c - cases);
    EXPECT_EQ(Stored("Environment", "ShowGettingStartedDialog"), c.stored) << label;
    EXPECT_EQ(Strings(ui.modalCaptions.begin() + 1, ui.modalCaptions.end()), c.shownAfter) << label;
    EXPECT_EQ(ui.openDialogs.size(), c.openDialogs) << label;
    EXPECT_EQ(form->Project.Subject, c.subject) << label;
    EXPECT_EQ(ui.questions.size(), c.saveAnswer.size()) << label;
    if (std::string(c.subject) == "first quarter") {
      EXPECT_EQ(form->Project.FProjectFileName, projects + "/q1.2004.nvp");
      EXPECT_EQ(form->Window.Caption, "Norvane - [q1.2004.nvp]  ");
      EXPECT_TRUE(form->MostRecentUsedList1.Filenames().empty()) << "not a recently used file";
    }
  }
  EXPECT_TRUE(ui.errors.empty());
}

TEST_F(ToolsHelpTest, ImportRecipientListAsksForTheFileThenShowsTheImport) {
  tools.ImportRecipientDialog.FileName = "last.csv";
  tools.acImportRecipientExecute();  // cancelled: no import dialog
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  const TFileDialog& asked = ui.openDialogs[0];
  EXPECT_EQ(asked.Title, "Open Recipient List");
  EXPECT_EQ(asked.Filter,
            "Text files (*.txt)|*.txt|Comma Separated Values (*.csv)|*.csv|dBase tables (*.dbf)|*.dbf");
  EXPECT_EQ(asked.DefaultExt, "txt");
  EXPECT_EQ(asked.FileName, "");
  EXPECT_TRUE(asked.MustExist);
  EXPECT_TRUE(ui.modalCaptions.empty());

  std::string path = dir.File("people.csv");
  WriteFile(path, "Email,City\r\nann@example.test,Lisbon\r\n");
  ui.files.push_back(path);
  OnNext<TModalOf<TImportDialog>>([&](TModalOf<TImportDialog>& shown) {
    EXPECT_EQ(shown.Form_.lbFilename, path);
    EXPECT_EQ(shown.Form_.cbEmail.Items, (Strings{"Email", "City"}));  // inspected before it appears
    shown.Form_.btImportClick();
    if (shown.Form_.Closed) shown.ModalResult = TModalFormResult::mrOk;
  });
  tools.acImportRecipientExecute();
  EXPECT_EQ(ui.modalCaptions.back(), "Import Recipient List");
  ASSERT_EQ(form->Project.Items.size(), 1u);
  EXPECT_EQ(form->Project.Items[0].Caption, "ann@example.test");
  EXPECT_EQ(form->Window.FieldMenu, (Strings{"<email>", "<city>"}));
}

TEST_F(ToolsHelpTest, TheThesaurusIsOfferedOnlyInTheThreeTextControls) {
  RecordingSpelling spelling;
  const std::pair<const char*, bool> cases[] = {{"edTo", true},           {"edSubject", true},
                                                {"Memo1", true},          {"ListView1", false},
                                                {"lvAttachments", false}, {"", false}};
  for (const auto& [control, offered] : cases) {
    ui.focusedControl = control;
    tools.Tools1Click();
    EXPECT_EQ(form->Window.Actions.acThesaurus.Enabled, offered) << control;
    tools.Spelling = nullptr;
    tools.acThesaurusExecute();  // no thesaurus: nothing happens
    tools.Spelling = &spelling;
    tools.acThesaurusExecute();
  }
  EXPECT_EQ(spelling.thesaurus, (Strings{"edTo", "edSubject", "Memo1"}));
}

TEST_F(ToolsHelpTest, OptionsOpensTheDialogAndItsButtonTheSpellCheckerConfiguration) {
  RecordingSpelling spelling;
  tools.acOptionsExecute();  // no spell checker: the button does nothing
  OnNext<TFormOptions>([](TFormOptions& options) { options.Button3Click(); });
  tools.acOptionsExecute();
  tools.Spelling = &spelling;
  OnNext<TFormOptions>([](TFormOptions& options) {
    options.Button3Click();
    options.edFrom = "bob@example.test";
    options.Button1Click();
  });
  tools.acOptionsExecute();
  EXPECT_EQ(ui.modalCaptions, (Strings{"Options", "Options", "Options"}));
  EXPECT_EQ(spelling.configurations, 1);
  EXPECT_EQ(Stored("Connection", "From"), "bob@example.test");
}

TEST_F(ToolsHelpTest, OptionsRefusesWhatConfigSetWouldRefuseWithTheSameText) {
  struct Case {
    std::string TFormOptions::*box;
    const char* typed;
    OptionsPage page;
    const char* error;  // empty: accepted
  };
  const Case cases[] = {
      {&TFormOptions::cbGatewayTls, "tls", kPageSecurity,
       "Security/GatewayTls takes starttls, implicit or none, not 'tls'"},
      {&TFormOptions::cbGatewayTls, "Implicit", kPageSecurity, ""},
      {&TFormOptions::cbDirectTls, "on", kPageSecurity,
       "Security/DirectTls takes opportunistic or off, not 'on'"},
      {&TFormOptions::edGatewayPort, "70000", kPageConnection,
       "Connection/GatewayPort needs a port number from 1 to 65535 or nothing, not '70000'"},
      {&TFormOptions::edGatewayPort, "0465", kPageConnection, ""},
      {&TFormOptions::edDkimDomain, "exa mple.test", kPageDkim,
       "DKIM/Domain needs a domain name (letters, digits, '-' and dots), not 'exa mple.test'"},
      {&TFormOptions::edDkimSelector, "s/1", kPageDkim,
       "DKIM/Selector needs a domain name (letters, digits, '-' and dots), not 's/1'"},
      {&TFormOptions::edUser, "ann\tx", kPageSecurity,
       "Security/User may not hold control characters (line breaks, tabs)"},
      {&TFormOptions::edListUnsubscribe, "ftp://example.test/u", kPageMessage, "List-Unsubscribe"},
      {&TFormOptions::edRetries, "many", kPageDelivery,
       "Delivery/Retries needs a whole number from 0 to 100, not 'many'"},
      {&TFormOptions::edRetryDelay, "-1", kPageDelivery,
       "Delivery/RetryDelay needs a whole number from 0 to 86400, not '-1'"},
      {&TFormOptions::edMessagesPerSession, "0", kPageConnection,
       "Connection/MessagesPerSession needs a whole number from 1 to 100000, not '0'"},
      {&TFormOptions::edRetries, "2", kPageDelivery, ""},
  };
  for (const Case& c : cases) {
    std::string error;
    OptionsPage page = kPageConnection;
    bool closed = false;
    OnNext<TFormOptions>([&](TFormOptions& options) {
      options.*c.box = c.typed;
      options.Button1Click();
      error = options.ErrorText;
      page = static_cast<OptionsPage>(options.PageIndex);
      closed = options.Closed();
      if (!closed) options.Button2Click();
    });
    tools.acOptionsExecute();
    if (*c.error == '\0') {
      EXPECT_TRUE(closed) << c.typed << ": " << error;
      continue;
    }
    EXPECT_FALSE(closed) << c.typed;
    EXPECT_EQ(page, c.page) << c.typed;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.typed << ": " << error;
  }
  EXPECT_EQ(Stored("Security", "GatewayTls"), "implicit");
  EXPECT_EQ(Stored("Connection", "GatewayPort"), "465");
  EXPECT_EQ(Stored("Security", "DirectTls"), std::nullopt);
  EXPECT_EQ(Stored("DKIM", "Domain"), std::nullopt);
  EXPECT_EQ(Stored("Delivery", "Retries"), "2");
  EXPECT_EQ(Stored("Delivery", "RetryDelay"), std::nullopt);
}

TEST_F(ToolsHelpTest, HelpContentsOpensTheFirstHelpPagesFound) {
  EXPECT_THROW(tools.acContentExecute(), std::runtime_error);
  EXPECT_TRUE(ui.addresses.empty());

  std::string data = dir.File("share dir");  // a blank must reach the browser encoded
  ::mkdir(data.c_str(), 0700);
  ::mkdir((data + "/help").c_str(), 0700);
  WriteFile(data + "/help/index.html", "<html></html>");
  tools.FileFolders = {ProgramDir(), data};
  tools.acContentExecute();
  ASSERT_EQ(ui.addresses.size(), 1u);
  EXPECT_EQ(ui.addresses[0], FileAddress(data + "/help/index.html"));
  EXPECT_NE(ui.addresses[0].find("/share%20dir/help/index.html"), std::string::npos) << ui.addresses[0];

  ui.openAddressWorks = false;
  EXPECT_THROW(tools.acContentExecute(), std::runtime_error);
}

TEST_F(ToolsHelpTest, TheShippedHelpPagesAreFoundAndEveryLinkResolves) {
  TToolsHelpCommands shipped(form->Project, form->Window, ui, ini, form->Sending, form->Commands);
  shipped.acContentExecute();
  ASSERT_EQ(ui.addresses.size(), 1u);
  const std::string suffix = "/data/help/index.html";
  ASSERT_EQ(ui.addresses[0].substr(ui.addresses[0].size() - suffix.size()), suffix);
  std::filesystem::path folder = std::filesystem::path(__FILE__).parent_path() / "../../data/help";
  int pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string html = test::ReadFile(entry.path().string());
    ++pages;
    for (std::size_t at = html.find("href=\""); at != std::string::npos; at = html.find("href=\"", at + 1)) {
      std::string target = html.substr(at + 6, html.find('"', at + 6) - at - 6);
      std::string file = target.substr(0, target.find('#'));
      if (file.empty()) continue;  // a place on the same page
      EXPECT_TRUE(std::filesystem::exists(folder / file)) << entry.path() << " -> " << target;
    }
  }
  EXPECT_GE(pages, 9);
}

TEST(FileAddress, EscapesEverythingButThePlainCharacters) {
  EXPECT_EQ(FileAddress("/usr/share/norvane/help/index.html"), "file:///usr/share/norvane/help/index.html");
  EXPECT_EQ(FileAddress("/a b/#1?%\xE9~_-.x"), "file:///a%20b/%231%3F%25%E9~_-.x");
}

TEST_F(ToolsHelpTest, HomePageAndAboutBox) {
  tools.acHomePageExecute();
  EXPECT_EQ(ui.addresses, Strings{kHomePageAddress});
  ui.openAddressWorks = false;
  try {
    tools.acHomePageExecute();
    ADD_FAILURE();
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              std::string("Cannot open ") + kHomePageAddress + " in the web browser");
  }

  LocaleFormats formats;
  formats.ThousandSeparator = '.';
  ScopedLocaleFormats locale(formats);
  tools.BuildVersion = "1.2.3";
  tools.ReadSystem = [] { return SystemInfo{"Linux", "6.1.0-18-amd64", 8ull << 30}; };
  OnNext<TAboutBox>([](TAboutBox& box) {
    EXPECT_EQ(box.Version, "Version 1.2.3.0");
    EXPECT_EQ(box.OSVersion, "Linux 6.1 (Build 0: 18-amd64)");
    EXPECT_EQ(box.PhysMem, "Memory Available to Linux: 8.388.608 Kb");
    box.OKButtonClick();
  });
  tools.acAboutExecute();
  EXPECT_EQ(ui.modalCaptions, Strings{"About Norvane"});
}

TEST_F(ToolsHelpTest, TheWizardDoesNotReplaceUnsavedChangesUnasked) {
  form->Project.SetSubject("changed");
  ui.yesNoCancel = {TModalResult::mrCancel};
  tools.acWizardExecute();
  EXPECT_TRUE(ui.modalCaptions.empty());
  EXPECT_EQ(form->Project.Subject, "changed");

  ui.yesNoCancel = {TModalResult::mrNo};
  OnNext<TModalOf<TFormWizard>>([](TModalOf<TFormWizard>& shown) {
    TFormWizard& wizard = shown.Form_;
    EXPECT_EQ(wizard.PageIndex, kPageWelcome);
    wizard.edFrom = "ann@example.test";
    wizard.edSubject = "new mailing";
    for (int click = 0; click < 10 && !wizard.Closed; ++click) wizard.ChangeTab(+1);  // to "&Create!"
    if (wizard.Closed) shown.ModalResult = TModalFormResult::mrOk;
  });
  tools.acWizardExecute();
  EXPECT_EQ(ui.modalCaptions, Strings{"Mailing Wizard"});
  EXPECT_EQ(form->Project.Subject, "new mailing");
  EXPECT_EQ(form->Window.Caption, "Norvane - [New Project]  ");
  EXPECT_EQ(Stored("Connection", "From"), "ann@example.test");
}

}  // namespace
}  // namespace norvane
