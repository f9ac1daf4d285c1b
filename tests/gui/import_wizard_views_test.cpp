// The import dialog and the mailing wizard in Qt, opened from their commands
// and driven by clicks and typing: a CSV file imported into the recipient
// list, a new project made by the wizard from first page to Create!, and
// both windows in English and German, the wizard's controls where the word
// table places them for the language.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <filesystem>

#include "dialog_test_support.h"
#include "gui/elided_path_label.h"
#include "main_form_fixture.h"
#include "modal_script.h"

namespace norvane {
namespace {

using test::Child;
using test::Click;
using test::Shown;

constexpr char kRecipients[] = "name,email\r\nAnna,anna@example.com\r\nBert,bert@example.com\r\n";

void Type(QWidget& dialog, const char* name, const QString& text) {
  auto& box = Child<QLineEdit>(dialog, name);
  box.setFocus();
  box.selectAll();
  QTest::keyClicks(&box, text);
}

// A radio button takes clicks on its circle and text only, not across its whole width.
void ClickRadio(QWidget& dialog, const char* name) {
  auto& radio = Child<QRadioButton>(dialog, name);
  QTest::mouseClick(&radio, Qt::LeftButton, {}, QPoint(6, radio.height() / 2));
}

QStringList Items(QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

std::vector<std::string> Addresses(const ProjectModel& project) {
  std::vector<std::string> addresses;
  for (const TListItem& item : project.Items) addresses.push_back(item.Caption);
  return addresses;
}

class ImportWizardViews : public ::testing::Test, public test::MainFormFixture {
 protected:
  // The recipient file in a folder whose long name has to be shortened in the dialog.
  std::string RecipientFile() {
    std::string folder = dir.File("a-folder-with-a-rather-long-name-for-the-recipient-lists-of-this-year");
    std::filesystem::create_directory(folder);
    std::string path = folder + "/spring.csv";
    test::WriteFile(path, kRecipients);
    return path;
  }

  test::ModalScript script;
};

TEST_F(ImportWizardViews, ACsvFileIsImportedThroughTheDialogWithItsPathShortenedInTheMiddle) {
  const std::string path = RecipientFile();
  fileAnswer = {QString::fromStdString(path)};
  script.Then([&](QWidget& dialog) {
    EXPECT_EQ(Shown(dialog, "%Form%"), "Import Recipient List");
    EXPECT_EQ(Shown(dialog, "lbKind"), "Plain Text / Comma Separated Values");
    auto& filename = Child<ElidedPathLabel>(dialog, "lbFilename");
    EXPECT_EQ(filename.Path().toStdString(), path);
    EXPECT_TRUE(filename.text().contains(QChar(0x2026))) << filename.text().toStdString();
    EXPECT_TRUE(filename.text().endsWith("spring.csv")) << filename.text().toStdString();
    auto& email = Child<QComboBox>(dialog, "cbEmail");
    EXPECT_EQ(Items(email), (QStringList{"name", "email"}));
    EXPECT_EQ(email.currentText(), "email");
    auto& group = Child<QGroupBox>(dialog, "rgFirstLine");
    EXPECT_TRUE(group.findChildren<QRadioButton*>().at(1)->isChecked());  // "Header", as proposed
    Click(dialog, "btImport");
  });
  ASSERT_TRUE(form->ExecuteAction("acImportRecipient"));
  ASSERT_TRUE(script.Done());
  EXPECT_EQ(Addresses(form->Project), (std::vector<std::string>{"anna@example.com", "bert@example.com"}));
  EXPECT_EQ(form->Project.Items[0].StateIndex, 1);
  EXPECT_EQ(form->Project.Items[1].SubItems.back(), "Bert");
}

TEST_F(ImportWizardViews, TheImportDialogCancelledLeavesTheListAsItWas) {
  fileAnswer = {QString::fromStdString(RecipientFile())};
  script.Then([](QWidget& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
  ASSERT_TRUE(form->ExecuteAction("acImportRecipient"));
  ASSERT_TRUE(script.Done());
  EXPECT_TRUE(form->Project.Items.empty());
}

TEST_F(ImportWizardViews, TheWizardMakesANewProjectFromItsPages) {
  const std::string recipients = RecipientFile();
  const std::string message = dir.File("letter.txt");
  test::WriteFile(message, "Dear <name>,\r\nspring is here.");
  form->Project.Subject = "Old subject";
  form->Project.FModified = false;
  script.Then([&](QWidget& dialog) {
    EXPECT_EQ(Shown(dialog, "%Form%"), "Mailing Wizard");
    EXPECT_FALSE(Child(dialog, "btBack").isEnabled());
    Click(dialog, "btNext");
    Type(dialog, "edFrom", "no address");
    Click(dialog, "btNext");  // refused: no "@"
    EXPECT_EQ(boxes.back(), "Please type a valid email address.");
    Type(dialog, "edFrom", "Sales <sales@example.org>");
    Click(dialog, "btNext");
    Type(dialog, "edSubject", "Spring news");
    Click(dialog, "btNext");
    Type(dialog, "edFilename", QString::fromStdString(recipients));
    Click(dialog, "btNext");
    auto& fields = Child<QListWidget>(dialog, "FieldListBox");
    ASSERT_EQ(fields.count(), 2);
    EXPECT_EQ(fields.currentItem()->text(), "email");
    Click(dialog, "btNext");
    ClickRadio(dialog, "rbFromExistent");
    Type(dialog, "edMessageFile", QString::fromStdString(message));
    Click(dialog, "btNext");
    EXPECT_EQ(Shown(dialog, "btNext"), "&Create!");
    Click(dialog, "btNext");
  });
  ASSERT_TRUE(form->ExecuteAction("acWizard"));
  ASSERT_TRUE(script.Done());
  EXPECT_EQ(form->Project.Subject, "Spring news");
  EXPECT_EQ(form->Project.Body, "Dear <name>,\r\nspring is here.");
  EXPECT_EQ(form->Project.To, "<email>");
  EXPECT_EQ(Addresses(form->Project), (std::vector<std::string>{"anna@example.com", "bert@example.com"}));
  EXPECT_EQ(ini.ilFrom().Text(), "Sales <sales@example.org>");
}

TEST_F(ImportWizardViews, TheWizardCancelledAndConfirmedChangesNothing) {
  form->Project.Subject = "Kept";
  form->Project.FModified = false;
  script.Then([&](QWidget& dialog) {
    Click(dialog, "btNext");
    boxAnswer = QMessageBox::No;
    Click(dialog, "btCancel");  // asked, and staying
    EXPECT_TRUE(dialog.isVisible());
    boxAnswer = QMessageBox::Yes;
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  ASSERT_TRUE(form->ExecuteAction("acWizard"));
  ASSERT_TRUE(script.Done());
  EXPECT_EQ(boxes, (std::vector<std::string>(2, "Do you really want to leave the Norvane Wizard?")));
  EXPECT_EQ(form->Project.Subject, "Kept");
}

// What the windows show in one language: the import dialog's texts, the
// wizard's texts and where its last page places Label7.
struct LanguageCase {
  uint8_t language;
  const char* importTitle;
  const char* importCancel;
  const char* importFirstLine;
  const char* wizardTitle;
  const char* wizardNext;
  const char* wizardDatasourceType;
};

class ImportWizardLanguages : public ImportWizardViews, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(ImportWizardLanguages, TextsAndPositionsAreTheLanguagesOwn) {
  const LanguageCase& c = GetParam();
  test::StartLanguageScope language(c.language);
  fileAnswer = {QString::fromStdString(RecipientFile())};
  script.Then([&](QWidget& dialog) {
    EXPECT_EQ(Shown(dialog, "%Form%"), QString::fromUtf8(c.importTitle));
    EXPECT_EQ(Shown(dialog, "btCancel"), QString::fromUtf8(c.importCancel));
    EXPECT_EQ(Shown(dialog, "rgFirstLine"), QString::fromUtf8(c.importFirstLine));
    Click(dialog, "btCancel");
  });
  ASSERT_TRUE(form->ExecuteAction("acImportRecipient"));
  int label7Top = 0, cancelWidth = 0;
  script.Then([&](QWidget& dialog) {
    EXPECT_EQ(Shown(dialog, "%Form%"), QString::fromUtf8(c.wizardTitle));
    EXPECT_EQ(Shown(dialog, "btNext"), QString::fromUtf8(c.wizardNext));
    EXPECT_EQ(Child<QComboBox>(dialog, "cbDatasourceType").itemText(2),
              QString::fromUtf8(c.wizardDatasourceType));
    label7Top = Child(dialog, "Label7").y();
    cancelWidth = Child(dialog, "btCancel").width();
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  ASSERT_TRUE(form->ExecuteAction("acWizard"));
  ASSERT_TRUE(script.Done());
  // The table places Label7 at 56 in English and at 70 in German; Cancel,
  // 75 wide in both, gives the scale the window was drawn at.
  EXPECT_NEAR(label7Top * 75.0 / cancelWidth, c.language == 0 ? 56 : 70, 1.5);
}

INSTANTIATE_TEST_SUITE_P(EnglishAndGerman, ImportWizardLanguages,
                         ::testing::Values(LanguageCase{0, "Import Recipient List", "Cancel",
                                                        "First Line is:", "Mailing Wizard", "Ne&xt>",
                                                        "dBase III compatible table (DBF)"},
                                           LanguageCase{1, "Import Empfänger-Datei", "Abbruch",
                                                        "Erste Zeile ist:", "Mail-Assistent", "&Vor >",
                                                        "dBase III kompatible Datei (dbf)"}));

}  // namespace
}  // namespace norvane
