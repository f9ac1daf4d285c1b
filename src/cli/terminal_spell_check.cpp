#include "cli/terminal_spell_check.h"

#include <cstdio>

#include "cli/terminal_text.h"

namespace norvane::cli {

std::string UnknownWordLine(const std::string& field, const TUnknownWord& word) {
  std::string line = field + ":" + std::to_string(word.Line) + ": " + word.Text;
  for (std::size_t i = 0; i < word.Suggestions.size(); ++i)
    line += (i == 0 ? " -> " : ", ") + word.Suggestions[i];
  if (word.Suggestions.empty()) line += " (no suggestions)";
  return ForTerminal(line);
}

bool TerminalSpellCheck::Check(std::string& text) {
  // The controller hands over a copy of one field; which one, its text says.
  const char* field = text == model_.To ? "To" : text == model_.Subject ? "Subject" : "Body";
  std::size_t before = unknown_;
  for (const TUnknownWord& word : checker_.UnknownWords(text, kListedSuggestions)) {
    std::fprintf(stderr, "%s\n", UnknownWordLine(field, word).c_str());
    ++unknown_;
  }
  return unknown_ == before;
}

}  // namespace norvane::cli
