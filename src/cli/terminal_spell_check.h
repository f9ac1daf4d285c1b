// The spell check of the commands that run without windows. A terminal has
// no check dialog, so nothing is corrected: every unknown word is listed, as
// "Body:3: recieve -> receive, relieve, reverie", converted for the terminal.
#pragma once

#include <cstddef>
#include <string>

#include "app/sending_controller.h"
#include "project/project_model.h"
#include "spell/spell_checker.h"

namespace norvane::cli {

inline constexpr std::size_t kListedSuggestions = 5;

// One listed word: the field ("To", "Subject", "Body"), its line, the word
// and its first suggestions.
std::string UnknownWordLine(const std::string& field, const TUnknownWord& word);

// The check `norvane send` runs when Spelling / RunSpellChecker asks for it:
// the unknown words go to standard error and the check counts as cancelled
// when there are any, so the question whether to send anyway follows.
class TerminalSpellCheck : public TSpellCheck {
 public:
  TerminalSpellCheck(TSpellChecker& checker, const ProjectModel& model) : checker_(checker), model_(model) {}

  bool Check(std::string& text) override;
  std::size_t Unknown() const { return unknown_; }

 private:
  TSpellChecker& checker_;
  const ProjectModel& model_;
  std::size_t unknown_ = 0;
};

}  // namespace norvane::cli
