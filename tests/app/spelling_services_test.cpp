// The spell checker as the main window uses it, against the installed
// dictionaries: the sending controller's check of To line, subject and body,
// the thesaurus on a text box and the configuration dialog.
#include "app/spelling_services.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app_fixture.h"

namespace norvane {
namespace {

class ScriptedSpellingUi : public TSpellingUi {
 public:
  void ShowSpellCheck(TSpellCheckDialog& dialog) override {
    while (!dialog.Closed()) {
      asked.push_back(dialog.lbNotInDictionary);
      if (steps.empty()) return dialog.btCancelClick();
      auto step = std::move(steps.front());
      steps.pop_front();
      step(dialog);
    }
  }
  void ShowThesaurus(TThesaurusDialog& dialog) override {
    looked.push_back(dialog.edLookUp);
    dialog.btReplaceClick();
  }
  void ShowSpellConfig(TSpellConfigDialog& dialog) override { dialog.btOkClick(); }
  std::optional<std::string> ChooseUserDictionary(const std::string&) override { return std::nullopt; }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::size_t CaretPosition(const std::string& control) override {
    controls.push_back(control);
    return caret;
  }

  std::deque<std::function<void(TSpellCheckDialog&)>> steps;
  std::vector<std::string> asked, looked, controls, errors;
  std::size_t caret = 0;
};

class SpellingServices : public ::testing::Test, public test::AppFixture {
 protected:
  SpellingServices() : checker({dir.File("norvane.dci"), "", dir.File("norvane-words.txt")}) {
    checker.SelectFirstLanguage();
    form = NewForm();
    spelling = std::make_unique<TMainFormSpelling>(form->Project, checker, spellingUi);
    form->Sending.SpellChecker = spelling.get();
    form->Project.To = "<email>";
    form->Project.Subject = "We recieve";
    form->Project.Body = "Your adress, please.";
  }

  TSpellChecker checker;
  ScriptedSpellingUi spellingUi;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<TMainFormSpelling> spelling;
};

TEST_F(SpellingServices, CancelOnTheSubjectSkipsTheBody) {
  int notified = 0;
  checker.OnSpellCheckCanceled = [&] { ++notified; };
  spellingUi.steps.push_back([](TSpellCheckDialog& d) { d.btCancelClick(); });
  form->Sending.acSpellCheckerExecute();
  EXPECT_TRUE(form->Sending.FSpellCancelled);
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(spellingUi.asked, std::vector<std::string>{"recieve"});
  EXPECT_EQ(form->Project.Body, "Your adress, please.");
}

TEST_F(SpellingServices, CorrectionsGoIntoTheProject) {
  spellingUi.steps.push_back([](TSpellCheckDialog& d) {
    d.edChangeTo = "receive";
    d.btChangeClick();
  });
  spellingUi.steps.push_back([](TSpellCheckDialog& d) {
    d.edChangeTo = "address";
    d.btChangeClick();
  });
  form->Sending.acSpellCheckerExecute();
  EXPECT_FALSE(form->Sending.FSpellCancelled);
  EXPECT_EQ(spellingUi.asked, (std::vector<std::string>{"recieve", "adress"}));
  EXPECT_EQ(form->Project.To, "<email>");
  EXPECT_EQ(form->Project.Subject, "We receive");
  EXPECT_EQ(form->Project.Body, "Your address, please.");
}

TEST_F(SpellingServices, ThesaurusReplacesTheWordAtTheCaretOfTheFocusedBox) {
  form->Project.Body = "A big house";
  spellingUi.caret = 3;
  spelling->Thesaurus("Memo1");
  EXPECT_EQ(spellingUi.looked, std::vector<std::string>{"big"});
  EXPECT_EQ(form->Project.Body, "A large house");
  spelling->Thesaurus("ListView1");
  EXPECT_EQ(spellingUi.controls, std::vector<std::string>{"Memo1"});
}

TEST_F(SpellingServices, ConfigurationIsKeptInItsOwnFile) {
  spelling->ShowConfiguration();
  EXPECT_EQ(test::ReadFile(dir.File("norvane.dci")),
            "; Norvane spell checker\nDictionary=en_US\nUserDictionary=\n");
}

}  // namespace
}  // namespace norvane
