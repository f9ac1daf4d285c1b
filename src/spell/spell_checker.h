// The spell checker and thesaurus service of the main window: the installed
// dictionaries and the one chosen, the user dictionary, the words ignored or
// changed for the rest of the session, and the check of one text control
// run to completion through the check dialog (spell_check_dialog.h). It has
// no window of its own; every dialog reaches the person through its own UI
// interface.
//
// Dictionaries are loaded on first use, so choosing a language at start-up
// costs nothing until the person checks.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "spell/dictionary_catalog.h"
#include "spell/spell_config.h"
#include "spell/spell_files.h"
#include "spell/spell_text.h"

namespace norvane {

class TSpellCheckUi;
class TSpellDictionary;
class TThesaurusData;
class TUserDictionary;

struct TUnknownWord {
  TTextWord Word;        // where it is in the text
  std::string Text;      // the word as written
  std::size_t Line = 0;  // 1-based; lines end at CR LF, LF or a lone CR
  std::vector<std::string> Suggestions;
};

class TSpellChecker {
 public:
  // Reads the configuration file; one that exists but cannot be read throws
  // SpellError. No language is chosen yet.
  explicit TSpellChecker(TSpellFiles files = DefaultSpellFiles(), TCatalogFolders folders = {});
  ~TSpellChecker();
  TSpellChecker(const TSpellChecker&) = delete;
  TSpellChecker& operator=(const TSpellChecker&) = delete;

  // The installed dictionaries, by code.
  const std::vector<TDictionaryInfo>& Dictionaries() const { return dictionaries_; }
  // Start-up: the configured dictionary when it is installed, else one of the
  // user interface's language (English), else the first installed. With no
  // dictionary installed nothing is chosen and a check throws.
  void SelectFirstLanguage();
  // Throws SpellError, listing the installed ones, when `code` is not installed.
  void SelectLanguage(const std::string& code);
  const TDictionaryInfo* Language() const;

  const TSpellFiles& Files() const { return files_; }
  const TSpellConfig& Configuration() const { return config_; }
  // The configured user dictionary (relative paths below the settings
  // folder), else the default one.
  std::string UserDictionaryPath() const;
  // Saves the configuration, then uses it: its dictionary chosen, its user
  // dictionary read. Throws SpellError when it cannot be saved (nothing changes then).
  void SetConfiguration(const TSpellConfig& config);

  // Known: in the dictionary, in the user dictionary, the program's or its
  // maker's name, or ignored for the session. Throws SpellError when no
  // dictionary can be loaded.
  bool IsKnown(std::string_view word);
  std::vector<std::string> Suggestions(std::string_view word, std::size_t max);
  void IgnoreAll(std::string_view word);
  // Every later occurrence of `word` (exactly as written) is replaced without asking.
  void ChangeAll(std::string_view word, std::string_view replacement);
  std::optional<std::string> ChangeAllReplacement(std::string_view word) const;
  // Into the user dictionary. The word is accepted for the session even when
  // the file cannot be saved; that failure is then thrown (SpellError).
  void AddWord(std::string_view word);

  // Every unknown word of the text with up to `maxSuggestions` suggestions.
  std::vector<TUnknownWord> UnknownWords(std::string_view text, std::size_t maxSuggestions);

  // Checks one text control to completion: each unknown word is shown in the
  // check dialog and corrected in `text` as the person says; nothing else in
  // `text` changes. No dialog appears when every word is known. Returns false
  // when the person cancelled, after OnSpellCheckCanceled has run.
  bool Check(std::string& text, TSpellCheckUi& ui);
  std::function<void()> OnSpellCheckCanceled;

  // The thesaurus: the one the files name, else the one installed for the
  // language; null when there is none. Loaded on first use; throws SpellError
  // when it cannot be.
  TThesaurusData* Thesaurus();

 private:
  TSpellDictionary& Dictionary();
  void Unload();

  TSpellFiles files_;
  TSpellConfig config_;
  TCatalogFolders folders_;
  std::vector<TDictionaryInfo> dictionaries_;
  std::optional<std::size_t> language_;
  std::unique_ptr<TSpellDictionary> dictionary_;
  std::unique_ptr<TUserDictionary> userWords_;
  std::unique_ptr<TThesaurusData> thesaurus_;
  bool thesaurusLoaded_ = false;
  std::set<std::string, std::less<>> ignored_;
  std::map<std::string, std::string, std::less<>> changes_;
};

}  // namespace norvane
