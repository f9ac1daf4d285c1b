#include "import/form_wizard.h"

#include <gtest/gtest.h>

#include "import/scripted_ui.h"
#include "platform/locale_formats.h"
#include "settings/ini_data.h"
#include "support/dbase_fixture.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using Strings = std::vector<std::string>;

class FormWizardTest : public ::testing::Test {
 protected:
  FormWizardTest() : ini_(RegistryHive(dir_.File("settings.reg"))) {
    ini_.ilFrom().SetText("Me <me@x.test>");
    model_.SetSubject("old subject");
    model_.Items.push_back(TListItem{"old@x.test", {}, 1});
    wizard_ = std::make_unique<TFormWizard>(model_, ini_, ui_);
    wizard_->FormShow();
  }

  std::string Write(const std::string& name, const std::string& content) {
    test::WriteFile(dir_.File(name), content);
    return dir_.File(name);
  }

  // Next from the current page, expecting the given error text.
  std::string NextError() {
    try {
      wizard_->ChangeTab(+1);
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return "";
  }

  // From page 0 to the data source page with a valid sender and a subject.
  void ToDatasource() {
    wizard_->edSubject = "Hello <name>";
    for (int i = 0; i < 3; ++i) wizard_->ChangeTab(+1);
    ASSERT_EQ(wizard_->PageIndex, kPageDatasource);
  }

  test::TempDir dir_;
  TINI ini_;
  ProjectModel model_;
  test::ScriptedUi ui_;
  std::unique_ptr<TFormWizard> wizard_;
};

TEST_F(FormWizardTest, StartsOnTheWelcomePageWithTheStoredSender) {
  EXPECT_EQ(wizard_->edFrom, "Me <me@x.test>");
  EXPECT_EQ(wizard_->PageIndex, kPageWelcome);
  EXPECT_FALSE(wizard_->btBackEnabled);
  EXPECT_EQ(wizard_->btNextCaption, "Ne&xt>");
  EXPECT_TRUE(wizard_->rbNewMessage);
  EXPECT_EQ(wizard_->cbDatasourceType.ItemIndex, 0);
  EXPECT_EQ(TFormWizard::PageNames()[5], std::string("Mesage file"));
}

TEST_F(FormWizardTest, SenderNeedsAnAt) {
  wizard_->ChangeTab(+1);
  wizard_->edFrom = "nobody";
  EXPECT_EQ(NextError(), kInvalidFrom);
  EXPECT_EQ(wizard_->PageIndex, kPageFrom);
  wizard_->edFrom = "not really@an address";  // any "@" will do
  EXPECT_EQ(NextError(), "");
  EXPECT_EQ(wizard_->PageIndex, kPageSubject);
}

TEST_F(FormWizardTest, EmptySubjectIsOnlyNoted) {
  wizard_->ChangeTab(+1);
  wizard_->ChangeTab(+1);
  wizard_->ChangeTab(+1);
  EXPECT_EQ(ui_.informations, Strings{kNoSubject});
  EXPECT_EQ(wizard_->PageIndex, kPageDatasource);
}

TEST_F(FormWizardTest, WithoutDataFileThePageOfFieldsIsPassedOverBothWays) {
  ToDatasource();
  wizard_->ChangeTab(+1);
  EXPECT_EQ(ui_.informations, Strings{kNoDatasource});
  EXPECT_EQ(wizard_->PageIndex, kPageMessageFile);
  wizard_->ChangeTab(-1);
  EXPECT_EQ(wizard_->PageIndex, kPageDatasource);

  wizard_->ChangeTab(+1);
  wizard_->ChangeTab(+1);
  EXPECT_EQ(wizard_->PageIndex, kPageFinish);
  EXPECT_EQ(wizard_->btNextCaption, kCreateCaption);
  wizard_->ChangeTab(+1);
  EXPECT_TRUE(wizard_->Closed);
  EXPECT_TRUE(model_.Items.empty());
  EXPECT_EQ(model_.Subject, "Hello <name>");
  EXPECT_EQ(model_.Body, "");
  EXPECT_EQ(model_.To, "<email>");
}

TEST_F(FormWizardTest, MissingFilesStopOnTheirPage) {
  ToDatasource();
  wizard_->edFilename = dir_.File("absent.csv");
  EXPECT_EQ(NextError(), "File not found " + dir_.File("absent.csv"));
  EXPECT_EQ(wizard_->PageIndex, kPageDatasource);

  wizard_->edFilename.clear();
  wizard_->ChangeTab(+1);
  ui_.files = {dir_.File("absent.txt")};
  wizard_->Button1Click();
  EXPECT_TRUE(wizard_->rbFromExistent);
  EXPECT_EQ(NextError(), "File not found " + dir_.File("absent.txt"));
  EXPECT_EQ(wizard_->PageIndex, kPageMessageFile);
}

TEST_F(FormWizardTest, FieldMustBeChosen) {
  ToDatasource();
  wizard_->edFilename = Write("mail.csv", "Name,Mail\nAnn,ann@x.test\n");
  wizard_->ChangeTab(+1);
  EXPECT_EQ(wizard_->FieldListBox.Items, (Strings{"Name", "Mail"}));
  EXPECT_EQ(wizard_->FieldListBox.ItemIndex, -1);  // nothing proposed, nothing selected
  EXPECT_EQ(NextError(), kChooseEmailField);
  EXPECT_EQ(wizard_->PageIndex, kPageFieldSelection);
}

TEST_F(FormWizardTest, CreateImportsExactlyTheFileWithTheChosenBody) {
  ToDatasource();
  ui_.files = {Write("people.csv", "Name,email,City\nAnn,ann@x.test,Oslo\nBob,bob@y.test,Rome\n")};
  wizard_->cbDatasourceType.ItemIndex = 2;  // the type only picks the dialog's filter
  wizard_->btBrowseClick();
  EXPECT_EQ(ui_.dialogs.back(), std::make_pair(FileDialogKind::kImportRecipient, 3));
  wizard_->ChangeTab(+1);
  EXPECT_EQ(wizard_->FieldListBox.ItemIndex, 1);
  EXPECT_EQ(wizard_->rgFirstLine.ItemIndex, 1);
  EXPECT_TRUE(wizard_->rgFirstLine.Enabled);
  wizard_->ChangeTab(+1);
  wizard_->edMessageFile = Write("body.txt", "Dear <name>,\nhello.\n");
  wizard_->edMessageFileClick();
  wizard_->ChangeTab(+1);
  ASSERT_EQ(wizard_->PageIndex, kPageFinish);
  ini_.ilFrom().SetText("changed elsewhere");
  wizard_->ChangeTab(+1);

  EXPECT_TRUE(wizard_->Closed);
  EXPECT_EQ(ini_.ilFrom().Text(), "Me <me@x.test>");
  EXPECT_EQ(model_.Subject, "Hello <name>");
  EXPECT_EQ(model_.Body, "Dear <name>,\r\nhello.\r\n");
  ASSERT_EQ(model_.Items.size(), 2u);
  EXPECT_EQ(model_.Items[0].Caption, "ann@x.test");
  EXPECT_EQ(model_.Items[1].SubItems, (Strings{"", "Bob", "Rome"}));
  EXPECT_EQ(model_.Columns.size(), 4u);
  EXPECT_EQ(wizard_->PBar.Position, 2);
  EXPECT_TRUE(model_.FModified);
}

TEST_F(FormWizardTest, TableListsItsFieldsWithTheFirstLineChoiceDisabled) {
  ScopedLocaleFormats formats{LocaleFormats{}};
  test::DbfBuilder()
      .Field("NAME", 'C', 8)
      .Field("email", 'C', 16)
      .Record({"Ann", "ann@x.test"})
      .Write(dir_.File("t.dbf"));
  ToDatasource();
  wizard_->edFilename = dir_.File("t.dbf");
  wizard_->ChangeTab(+1);
  EXPECT_EQ(wizard_->FieldListBox.Items, (Strings{"NAME", "EMAIL"}));
  EXPECT_EQ(wizard_->FieldListBox.ItemIndex, 1);
  EXPECT_FALSE(wizard_->rgFirstLine.Enabled);

  // Back to the data source for a text file: its first line can be chosen again.
  wizard_->ChangeTab(-1);
  wizard_->edFilename = Write("one.txt", "ann@x.test\n");
  wizard_->ChangeTab(+1);
  EXPECT_EQ(wizard_->FieldListBox.Items, Strings{"ann@x.test"});
  EXPECT_TRUE(wizard_->rgFirstLine.Enabled);
  EXPECT_EQ(wizard_->rgFirstLine.ItemIndex, 0);
}

TEST_F(FormWizardTest, ImportErrorKeepsTheWizardOpenAndTheSenderStored) {
  ScopedLocaleFormats formats{LocaleFormats{}};
  test::DbfBuilder()
      .Field("EMAIL", 'C', 8)
      .Field("D", 'D', 8)
      .Record({"a@x", "20200101"})
      .Record({"b@x", "20209999"})
      .Write(dir_.File("bad.dbf"));
  ToDatasource();
  wizard_->edFilename = dir_.File("bad.dbf");
  wizard_->ChangeTab(+1);
  wizard_->ChangeTab(+1);
  wizard_->ChangeTab(+1);
  wizard_->edFrom = "Other <o@x.test>";
  EXPECT_THROW(wizard_->ChangeTab(+1), std::runtime_error);
  EXPECT_FALSE(wizard_->Closed);
  EXPECT_EQ(wizard_->PageIndex, kPageFinish);
  EXPECT_EQ(ini_.ilFrom().Text(), "Other <o@x.test>");
  EXPECT_EQ(model_.Items.size(), 1u);
}

TEST_F(FormWizardTest, CancelAsksFirst) {
  ui_.answers = {false, true};
  wizard_->btCancelClick();
  EXPECT_FALSE(wizard_->Closed);
  wizard_->btCancelClick();
  EXPECT_TRUE(wizard_->Closed);
  EXPECT_EQ(ui_.questions, (Strings{kLeaveWizardQuestion, kLeaveWizardQuestion}));
  EXPECT_EQ(model_.Subject, "old subject");
  EXPECT_EQ(model_.Items.size(), 1u);
}

}  // namespace
}  // namespace norvane
