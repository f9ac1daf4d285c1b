// One spelling dictionary (a Hunspell .aff and .dic pair) used with the
// project's ANSI words: each word is converted to the dictionary's character
// set on the way in and each suggestion back on the way out.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "spell/dictionary_encoding.h"

class Hunspell;

namespace norvane {

// Longer words are unknown and get no suggestions: the dictionaries hold none
// and the search for suggestions grows with the length.
inline constexpr std::size_t kMaxWordBytes = 100;

class TSpellDictionary {
 public:
  // Throws SpellError when a file is missing or unreadable or its character
  // set is not supported.
  TSpellDictionary(const std::string& affPath, const std::string& dicPath);
  ~TSpellDictionary();
  TSpellDictionary(const TSpellDictionary&) = delete;
  TSpellDictionary& operator=(const TSpellDictionary&) = delete;

  bool Check(std::string_view word);
  // In the dictionary's order; suggestions Windows-1252 cannot write are left out.
  std::vector<std::string> Suggest(std::string_view word);
  // The word is correct from now on, for this object.
  void Add(std::string_view word);

  const std::string& Encoding() const { return encoding_->Name(); }

 private:
  std::unique_ptr<Hunspell> hunspell_;
  std::unique_ptr<TDictionaryEncoding> encoding_;
};

}  // namespace norvane
