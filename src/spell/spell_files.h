// Where the spell checker keeps its files: in the settings folder, the folder
// of the settings file (NORVANE_CONFIG or the user's configuration folder), so
// they follow the settings wherever those are pointed. The program's folder
// is no place for files that change.
#pragma once

#include <string>

namespace norvane {

inline constexpr char kSpellConfigFileName[] = "norvane.dci";
inline constexpr char kUserDictionaryFileName[] = "norvane-words.txt";

struct TSpellFiles {
  // The configuration file (the program's name with ".dci").
  std::string ConfigurationFile;
  // The thesaurus: a MyThes index (.idx, with its .dat beside it); empty
  // means the thesaurus installed for the chosen dictionary's language.
  std::string ThesaurusFile;
  // The user dictionary when the configuration names none.
  std::string DefaultUserDictionary;
};

// The files in the folder of the settings file as the environment gives it
// now, the thesaurus by language.
TSpellFiles DefaultSpellFiles();

}  // namespace norvane
