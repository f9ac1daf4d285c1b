// `norvane spell PROJECT.nvp [--lang CODE]`: the spell check of the To line,
// the subject and the body, in that order, with the dictionary chosen in the
// spell checker's configuration (or the one --lang names) and the user
// dictionary. Every unknown word is listed with its field, its line and its
// first suggestions; nothing is changed.
//
// Exit status: 0 no unknown word, 1 some, 2 no check (no such project, no
// dictionary).
#include <cstdio>
#include <stdexcept>
#include <string>

#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/terminal_spell_check.h"
#include "project/project_file.h"
#include "spell/spell_checker.h"

namespace norvane::cli {

int SpellCommand(const Args& args) {
  OptionParser parser(args, {"--lang"}, {});
  if (parser.Positional().size() != 1) throw std::invalid_argument("spell needs one project file");
  ProjectModel model;
  LoadProject(model, parser.Positional()[0]);
  TSpellChecker checker;
  if (auto code = parser.Value("--lang"))
    checker.SelectLanguage(*code);
  else
    checker.SelectFirstLanguage();

  std::size_t unknown = 0;
  const std::pair<const char*, const std::string*> fields[] = {
      {"To", &model.To}, {"Subject", &model.Subject}, {"Body", &model.Body}};
  for (const auto& [field, text] : fields) {
    for (const TUnknownWord& word : checker.UnknownWords(*text, kListedSuggestions)) {
      std::printf("%s\n", UnknownWordLine(field, word).c_str());
      ++unknown;
    }
  }
  // Checking loaded the dictionary, so a language is chosen by now.
  std::string language = checker.Language() ? checker.Language()->Code : "";
  if (unknown == 0) {
    std::printf("No unknown words (%s)\n", language.c_str());
    return 0;
  }
  std::printf("%zu unknown word%s (%s)\n", unknown, unknown == 1 ? "" : "s", language.c_str());
  return 1;
}

}  // namespace norvane::cli
