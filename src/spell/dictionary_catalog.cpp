#include "spell/dictionary_catalog.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

namespace norvane {

namespace {

namespace fs = std::filesystem;

char Fold(char c) {
  if (c == '-') return '_';
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string LanguageOf(std::string_view code) {
  return std::string(code.substr(0, code.find_first_of("_-")));
}

// The language names the program's own word tables know; any other language
// is shown by its code alone.
std::string DisplayName(const std::string& code) {
  static const std::map<std::string, std::string> kLanguages = {{"en", "English"}, {"de", "German"}};
  std::string language = LanguageOf(code);
  std::transform(language.begin(), language.end(), language.begin(), Fold);
  auto known = kLanguages.find(language);
  return known == kLanguages.end() ? code : known->second + " (" + code + ")";
}

bool IsRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

// Files of `folder` with the extension, by stem; nothing when it cannot be read.
std::map<std::string, fs::path> FilesByStem(const std::string& folder, const std::string& extension) {
  std::map<std::string, fs::path> files;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const fs::path& path = it->path();
    if (path.extension() == extension && IsRegularFile(path)) files.emplace(path.stem().string(), path);
  }
  return files;
}

struct Thesaurus {
  std::string code, idx, dat;
};

std::vector<Thesaurus> FindThesauri(const std::vector<std::string>& folders) {
  std::vector<Thesaurus> found;
  for (const std::string& folder : folders) {
    for (const auto& [stem, idx] : FilesByStem(folder, ".idx")) {
      // "th_en_US_v2" or "th_en_US".
      if (stem.rfind("th_", 0) != 0) continue;
      std::string code = stem.substr(3);
      if (code.size() > 3 && code.compare(code.size() - 3, 3, "_v2") == 0) code.resize(code.size() - 3);
      fs::path dat = idx;
      dat.replace_extension(".dat");
      if (IsRegularFile(dat)) found.push_back({code, idx.string(), dat.string()});
    }
  }
  return found;
}

}  // namespace

bool SameDictionaryCode(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Fold(x) == Fold(y); });
}

std::vector<TDictionaryInfo> FindDictionaries(const TCatalogFolders& folders) {
  std::vector<TDictionaryInfo> dictionaries;
  std::vector<Thesaurus> thesauri = FindThesauri(folders.Thesauri);
  for (const std::string& folder : folders.Dictionaries) {
    for (const auto& entry : FilesByStem(folder, ".aff")) {
      // Named, not bound: lambdas below take the code.
      const std::string& code = entry.first;
      const fs::path& aff = entry.second;
      fs::path dic = aff;
      dic.replace_extension(".dic");
      if (!IsRegularFile(dic)) continue;
      bool known = std::any_of(dictionaries.begin(), dictionaries.end(),
                               [&](const TDictionaryInfo& d) { return SameDictionaryCode(d.Code, code); });
      if (known) continue;
      TDictionaryInfo info{code, DisplayName(code), aff.string(), dic.string(), "", ""};
      auto same = std::find_if(thesauri.begin(), thesauri.end(),
                               [&](const Thesaurus& t) { return SameDictionaryCode(t.code, code); });
      if (same == thesauri.end())
        same = std::find_if(thesauri.begin(), thesauri.end(), [&](const Thesaurus& t) {
          return SameDictionaryCode(LanguageOf(t.code), LanguageOf(code));
        });
      if (same != thesauri.end()) {
        info.ThesaurusIdx = same->idx;
        info.ThesaurusDat = same->dat;
      }
      dictionaries.push_back(std::move(info));
    }
  }
  std::sort(dictionaries.begin(), dictionaries.end(),
            [](const TDictionaryInfo& a, const TDictionaryInfo& b) { return a.Code < b.Code; });
  return dictionaries;
}

}  // namespace norvane
