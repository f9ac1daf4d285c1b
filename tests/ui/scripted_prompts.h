// Prompts for the word-table component that record what was shown and asked
// and answer questions from a script (No when the script has run out).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/base_multi_lang.h"

namespace norvane::test {

class ScriptedPrompts : public TMultiLangPrompts {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return false;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<bool> answers;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
};

}  // namespace norvane::test
