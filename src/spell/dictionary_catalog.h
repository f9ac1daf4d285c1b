// The installed dictionaries: every .aff file with a .dic beside it in the
// dictionary folders, named by its file name ("en_US"), each paired with the
// thesaurus of its language when one is installed ("th_en_US_v2.idx" and
// ".dat"; for a region without its own, one of the same language).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvane {

struct TCatalogFolders {
  std::vector<std::string> Dictionaries{"/usr/share/hunspell"};
  std::vector<std::string> Thesauri{"/usr/share/mythes"};
};

struct TDictionaryInfo {
  std::string Code;  // "en_US"
  std::string Name;  // what the person sees: "English (en_US)"
  std::string AffPath;
  std::string DicPath;
  std::string ThesaurusIdx;  // both empty when no thesaurus of the language is installed
  std::string ThesaurusDat;
};

// Sorted by code; for a code found in two folders the first folder wins.
// Folders that do not exist or cannot be read add nothing.
std::vector<TDictionaryInfo> FindDictionaries(const TCatalogFolders& folders);

// "en_US", "en-us" and "EN_us" name the same dictionary.
bool SameDictionaryCode(std::string_view a, std::string_view b);

}  // namespace norvane
