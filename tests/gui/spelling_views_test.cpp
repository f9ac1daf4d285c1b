// The spelling dialogs in Qt over the installed dictionaries, driven by
// clicks: the check before sending corrects the project's text in place and
// stops at Cancel, the thesaurus replaces the word at the body's caret, and
// the configuration dialog chooses another dictionary.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "gui/body_editor.h"
#include "gui/main_window_spelling.h"
#include "main_form_fixture.h"
#include "modal_script.h"

namespace norvane {
namespace {

template <typename Widget = QWidget>
Widget& Child(QWidget& dialog, const char* name) {
  auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
  if (widget == nullptr) throw std::runtime_error(std::string("no widget ") + name);
  return *widget;
}

void Click(QWidget& dialog, const char* button) {
  QTest::mouseClick(&Child<QPushButton>(dialog, button), Qt::LeftButton);
}

QStringList Items(QListWidget& list) {
  QStringList items;
  for (int i = 0; i < list.count(); ++i) items << list.item(i)->text();
  return items;
}

class SpellingViews : public ::testing::Test, public test::MainFormFixture {
 protected:
  SpellingViews() {
    body = new BodyEditor(&window);
    body->setObjectName(QStringLiteral("Memo1"));
    spelling = std::make_unique<MainWindowSpelling>(
        *form, ui, &window, TSpellFiles{dir.File("norvane.dci"), "", dir.File("norvane-words.txt")});
    spelling->Checker.SelectLanguage("en_US");
  }

  BodyEditor* body;
  std::unique_ptr<MainWindowSpelling> spelling;
  test::ModalScript script;
};

TEST_F(SpellingViews, ChangeCorrectsTheWordInPlaceAndCancelLeavesTheRest) {
  form->Project.To = "<email>";
  form->Project.Subject = "Hello <name>";
  form->Project.Body = "Your adress, please.\r\nWe recieve it.";
  script.Then([](QWidget& dialog) {
    EXPECT_EQ(Child<QLabel>(dialog, "lbNotInDictionary").text(), "adress");
    EXPECT_TRUE(Child<QLabel>(dialog, "lbContext").text().contains("<b>adress</b>"));
    auto& suggestions = Child<QListWidget>(dialog, "lbSuggestions");
    QList<QListWidgetItem*> address = suggestions.findItems("address", Qt::MatchExactly);
    ASSERT_EQ(address.size(), 1) << Items(suggestions).join(",").toStdString();
    suggestions.setCurrentItem(address[0]);
    EXPECT_EQ(Child<QLineEdit>(dialog, "edChangeTo").text(), "address");
    Click(dialog, "btChange");
  });
  script.Then([](QWidget& dialog) {
    EXPECT_EQ(Child<QLabel>(dialog, "lbNotInDictionary").text(), "recieve");
    Click(dialog, "btCancel");
  });
  form->Sending.acSpellCheckerExecute();
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(form->Sending.FSpellCancelled);
  EXPECT_EQ(form->Project.Body, "Your address, please.\r\nWe recieve it.");
  EXPECT_EQ(form->Project.Subject, "Hello <name>");
}

TEST_F(SpellingViews, ATypedReplacementAndIgnoreAllCompleteTheCheck) {
  form->Project.Subject = "Teh news";
  form->Project.Body = "Norvanx and Norvanx again.";
  script.Then([](QWidget& dialog) {
    auto& changeTo = Child<QLineEdit>(dialog, "edChangeTo");
    changeTo.clear();
    QTest::keyClicks(&changeTo, "The");
    Click(dialog, "btChange");
  });
  script.Then([](QWidget& dialog) {
    EXPECT_EQ(Child<QLabel>(dialog, "lbNotInDictionary").text(), "Norvanx");
    Click(dialog, "btIgnoreAll");
  });
  form->Sending.acSpellCheckerExecute();
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(form->Sending.FSpellCancelled);
  EXPECT_EQ(form->Project.Subject, "The news");
  EXPECT_EQ(form->Project.Body, "Norvanx and Norvanx again.");
}

TEST_F(SpellingViews, ThesaurusReplacesTheWordAtTheBodysCaret) {
  form->Project.Body = "A big\r\nbig house";
  body->setPlainText("A big\nbig house");
  QTextCursor cursor = body->textCursor();
  cursor.setPosition(7);  // in the second "big": the CR before it counts in the project's bytes
  body->setTextCursor(cursor);
  script.Then([](QWidget& dialog) {
    EXPECT_EQ(Child<QLineEdit>(dialog, "edLookUp").text(), "big");
    EXPECT_GT(Child<QListWidget>(dialog, "lbMeanings").count(), 0);
    auto& synonyms = Child<QListWidget>(dialog, "lbSynonyms");
    QList<QListWidgetItem*> large = synonyms.findItems("large", Qt::MatchStartsWith);
    ASSERT_FALSE(large.isEmpty()) << Items(synonyms).join(",").toStdString();
    synonyms.setCurrentItem(large[0]);
    EXPECT_EQ(Child<QLineEdit>(dialog, "edReplaceWith").text(), "large");
    Click(dialog, "btReplace");
  });
  form->ToolsHelp.Spelling->Thesaurus("Memo1");
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(form->Project.Body, "A big\r\nlarge house");
}

TEST_F(SpellingViews, TheConfigurationDialogChoosesTheGermanDictionary) {
  script.Then([](QWidget& dialog) {
    auto& dictionaries = Child<QComboBox>(dialog, "cbDictionary");
    int german = dictionaries.findText("de_DE", Qt::MatchContains);
    ASSERT_GE(german, 0);
    dictionaries.setCurrentIndex(german);
    EXPECT_FALSE(Child<QLabel>(dialog, "lbThesaurus").text().isEmpty());
    Click(dialog, "btOk");
  });
  form->ToolsHelp.Spelling->ShowConfiguration();
  EXPECT_TRUE(script.Done());
  ASSERT_NE(spelling->Checker.Language(), nullptr);
  EXPECT_EQ(spelling->Checker.Language()->Code, "de_DE");
  EXPECT_NE(test::ReadFile(dir.File("norvane.dci")).find("Dictionary=de_DE"), std::string::npos);
  EXPECT_TRUE(
      spelling->Checker.IsKnown("Stra\xdf"
                                "e"));
}

TEST_F(SpellingViews, CancelInTheConfigurationDialogKeepsTheDictionary) {
  script.Then([](QWidget& dialog) {
    auto& dictionaries = Child<QComboBox>(dialog, "cbDictionary");
    dictionaries.setCurrentIndex(dictionaries.findText("de_DE", Qt::MatchContains));
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  form->ToolsHelp.Spelling->ShowConfiguration();
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(spelling->Checker.Language()->Code, "en_US");
}

TEST_F(SpellingViews, OptionsOpenTheConfigurationWhoseChoiceTheirCancelKeeps) {
  test::ModalScript configuration;  // for the dialog the options open over themselves
  script.Then([&](QWidget& options) {
    configuration.Then([](QWidget& dialog) {
      auto& dictionaries = Child<QComboBox>(dialog, "cbDictionary");
      dictionaries.setCurrentIndex(dictionaries.findText("de_DE", Qt::MatchContains));
      Click(dialog, "btOk");
    });
    Child<QPushButton>(options, "Button3").click();  // on a page not shown
    EXPECT_TRUE(configuration.Done());
    QTest::keyClick(&options, Qt::Key_Escape);
  });
  ASSERT_TRUE(form->ExecuteAction("acOptions"));
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(spelling->Checker.Language()->Code, "de_DE");
}

}  // namespace
}  // namespace norvane
