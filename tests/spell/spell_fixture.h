// The spell tests' fixture: a checker over the installed dictionaries with
// its files in a fresh folder, and a check dialog driven by a script of
// button presses that records every word it was shown.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "spell/spell_check_dialog.h"
#include "spell/spell_checker.h"
#include "support/temp_dir.h"

namespace norvane::test {

class ScriptedSpellUi : public TSpellCheckUi {
 public:
  using Step = std::function<void(TSpellCheckDialog&)>;

  void ShowSpellCheck(TSpellCheckDialog& dialog) override {
    ++shown;
    while (!dialog.Closed()) {
      asked.push_back(dialog.lbNotInDictionary);
      suggestions.push_back(dialog.lbSuggestions);
      if (steps.empty()) {
        ADD_FAILURE() << "no answer scripted for \"" << dialog.lbNotInDictionary << "\"";
        dialog.btCancelClick();
        return;
      }
      Step step = std::move(steps.front());
      steps.pop_front();
      step(dialog);
    }
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }

  // Script helpers.
  void Then(Step step) { steps.push_back(std::move(step)); }
  void Ignore(int times = 1) {
    for (int i = 0; i < times; ++i) Then([](TSpellCheckDialog& d) { d.btIgnoreClick(); });
  }
  void ChangeTo(std::string word, bool all = false) {
    Then([word, all](TSpellCheckDialog& d) {
      d.edChangeTo = word;
      all ? d.btChangeAllClick() : d.btChangeClick();
    });
  }

  std::deque<Step> steps;
  std::vector<std::string> asked;
  std::vector<std::vector<std::string>> suggestions;
  std::vector<std::string> errors;
  int shown = 0;
};

class SpellTest : public ::testing::Test {
 protected:
  TSpellFiles Files() const { return {dir.File("norvane.dci"), "", dir.File("norvane-words.txt")}; }
  // A checker over the installed dictionaries, in `language`.
  std::unique_ptr<TSpellChecker> Checker(const std::string& language = "en_US") {
    auto checker = std::make_unique<TSpellChecker>(Files());
    checker->SelectLanguage(language);
    return checker;
  }
  // The words the checker does not know, in text order.
  static std::vector<std::string> Unknown(TSpellChecker& checker, const std::string& text) {
    std::vector<std::string> words;
    for (const TUnknownWord& word : checker.UnknownWords(text, 0)) words.push_back(word.Text);
    return words;
  }

  TempDir dir;
};

}  // namespace norvane::test
