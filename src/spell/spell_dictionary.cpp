#include "spell/spell_dictionary.h"

#include <algorithm>
#include <fstream>
#include <hunspell.hxx>

#include "spell/spell_error.h"

namespace norvane {

namespace {

// Hunspell reports a missing file only on its own error output, so the files
// are tried first.
void CheckReadable(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw SpellError("The dictionary file " + path + " cannot be read");
}

}  // namespace

TSpellDictionary::TSpellDictionary(const std::string& affPath, const std::string& dicPath) {
  CheckReadable(affPath);
  CheckReadable(dicPath);
  hunspell_ = std::make_unique<Hunspell>(affPath.c_str(), dicPath.c_str());
  // Hunspell reads the character set from the SET line of the .aff file.
  encoding_ = std::make_unique<TDictionaryEncoding>(hunspell_->get_dict_encoding());
}

TSpellDictionary::~TSpellDictionary() = default;

bool TSpellDictionary::Check(std::string_view word) {
  if (word.empty() || word.size() > kMaxWordBytes) return false;
  auto converted = encoding_->FromAnsi(word);
  return converted && hunspell_->spell(*converted);
}

std::vector<std::string> TSpellDictionary::Suggest(std::string_view word) {
  std::vector<std::string> suggestions;
  if (word.empty() || word.size() > kMaxWordBytes) return suggestions;
  auto converted = encoding_->FromAnsi(word);
  if (!converted) return suggestions;
  for (const std::string& suggestion : hunspell_->suggest(*converted)) {
    auto ansi = encoding_->ToAnsi(suggestion);
    if (ansi && std::find(suggestions.begin(), suggestions.end(), *ansi) == suggestions.end())
      suggestions.push_back(std::move(*ansi));
  }
  return suggestions;
}

void TSpellDictionary::Add(std::string_view word) {
  if (word.empty() || word.size() > kMaxWordBytes) return;
  if (auto converted = encoding_->FromAnsi(word)) hunspell_->add(*converted);
}

}  // namespace norvane
