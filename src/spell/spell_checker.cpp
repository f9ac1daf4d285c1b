#include "spell/spell_checker.h"

#include <algorithm>
#include <utility>

#include "platform/path_names.h"
#include "spell/spell_check_dialog.h"
#include "spell/spell_dictionary.h"
#include "spell/spell_error.h"
#include "spell/thesaurus_data.h"
#include "spell/user_dictionary.h"

namespace norvane {

namespace {

// The program's and its maker's names, which no dictionary holds and the
// program's own texts (the demo project, the tips) use.
constexpr const char* kProgramWords[] = {"Norvane", "Kalvento"};

// The user interface speaks English in this edition.
constexpr std::string_view kInterfaceLanguage = "en";
constexpr std::string_view kInterfaceDictionary = "en_US";

std::string InstalledList(const std::vector<TDictionaryInfo>& dictionaries) {
  std::string list;
  for (const TDictionaryInfo& info : dictionaries) list += (list.empty() ? "" : ", ") + info.Code;
  return list;
}

}  // namespace

TSpellChecker::TSpellChecker(TSpellFiles files, TCatalogFolders folders)
    : files_(std::move(files)),
      config_(LoadSpellConfig(files_.ConfigurationFile)),
      folders_(std::move(folders)),
      dictionaries_(FindDictionaries(folders_)) {}

TSpellChecker::~TSpellChecker() = default;

void TSpellChecker::SelectFirstLanguage() {
  auto find = [&](auto matches) -> std::optional<std::size_t> {
    for (std::size_t i = 0; i < dictionaries_.size(); ++i)
      if (matches(dictionaries_[i].Code)) return i;
    return std::nullopt;
  };
  std::optional<std::size_t> chosen;
  if (!config_.Dictionary.empty())
    chosen = find([&](const std::string& code) { return SameDictionaryCode(code, config_.Dictionary); });
  if (!chosen)
    chosen = find([](const std::string& code) { return SameDictionaryCode(code, kInterfaceDictionary); });
  if (!chosen)
    chosen = find([](const std::string& code) {
      return SameDictionaryCode(code.substr(0, code.find_first_of("_-")), kInterfaceLanguage);
    });
  if (!chosen && !dictionaries_.empty()) chosen = 0;
  if (chosen != language_) Unload();
  language_ = chosen;
}

void TSpellChecker::SelectLanguage(const std::string& code) {
  for (std::size_t i = 0; i < dictionaries_.size(); ++i) {
    if (!SameDictionaryCode(dictionaries_[i].Code, code)) continue;
    if (language_ != i) Unload();
    language_ = i;
    return;
  }
  if (dictionaries_.empty()) throw SpellError("No dictionary for '" + code + "' is installed (none is)");
  throw SpellError("No dictionary for '" + code +
                   "' is installed (installed: " + InstalledList(dictionaries_) + ")");
}

const TDictionaryInfo* TSpellChecker::Language() const {
  return language_ ? &dictionaries_[*language_] : nullptr;
}

std::string TSpellChecker::UserDictionaryPath() const {
  const std::string& path = config_.UserDictionary;
  if (path.empty()) return files_.DefaultUserDictionary;
  if (path[0] == '/') return path;
  return FolderOf(files_.ConfigurationFile) + "/" + path;
}

void TSpellChecker::SetConfiguration(const TSpellConfig& config) {
  SaveSpellConfig(files_.ConfigurationFile, config);
  config_ = config;
  Unload();
  if (!config.Dictionary.empty()) {
    for (std::size_t i = 0; i < dictionaries_.size(); ++i)
      if (SameDictionaryCode(dictionaries_[i].Code, config.Dictionary)) language_ = i;
  }
}

void TSpellChecker::Unload() {
  dictionary_.reset();
  userWords_.reset();
  thesaurus_.reset();
  thesaurusLoaded_ = false;
}

TSpellDictionary& TSpellChecker::Dictionary() {
  if (dictionary_) return *dictionary_;
  const TDictionaryInfo* info = Language();
  if (!info) {
    std::string folders;
    for (const std::string& folder : folders_.Dictionaries) folders += (folders.empty() ? "" : ", ") + folder;
    throw SpellError("No spelling dictionary is installed (looked in " + folders + ")");
  }
  auto userWords = std::make_unique<TUserDictionary>(UserDictionaryPath());
  userWords->Load();
  auto dictionary = std::make_unique<TSpellDictionary>(info->AffPath, info->DicPath);
  for (const char* word : kProgramWords) dictionary->Add(word);
  for (const std::string& word : userWords->Words()) dictionary->Add(word);
  userWords_ = std::move(userWords);
  dictionary_ = std::move(dictionary);
  return *dictionary_;
}

bool TSpellChecker::IsKnown(std::string_view word) {
  if (ignored_.find(word) != ignored_.end()) return true;
  return Dictionary().Check(word);
}

std::vector<std::string> TSpellChecker::Suggestions(std::string_view word, std::size_t max) {
  std::vector<std::string> suggestions = Dictionary().Suggest(word);
  if (suggestions.size() > max) suggestions.resize(max);
  return suggestions;
}

void TSpellChecker::IgnoreAll(std::string_view word) {
  ignored_.emplace(word);
}

void TSpellChecker::ChangeAll(std::string_view word, std::string_view replacement) {
  changes_.insert_or_assign(std::string(word), std::string(replacement));
}

std::optional<std::string> TSpellChecker::ChangeAllReplacement(std::string_view word) const {
  auto found = changes_.find(word);
  if (found == changes_.end()) return std::nullopt;
  return found->second;
}

void TSpellChecker::AddWord(std::string_view word) {
  Dictionary().Add(word);
  ignored_.emplace(word);
  userWords_->Add(word);
}

std::vector<TUnknownWord> TSpellChecker::UnknownWords(std::string_view text, std::size_t maxSuggestions) {
  std::vector<TUnknownWord> unknown;
  std::map<std::string, std::vector<std::string>, std::less<>> suggested;
  std::size_t line = 1, counted = 0;
  for (const TTextWord& word : WordsToCheck(text)) {
    std::string_view written = text.substr(word.Offset, word.Length);
    if (IsKnown(written)) continue;
    for (; counted < word.Offset; ++counted) {
      char c = text[counted];
      if (c == '\n' || (c == '\r' && (counted + 1 >= text.size() || text[counted + 1] != '\n'))) ++line;
    }
    auto found = suggested.find(written);
    if (found == suggested.end())
      found = suggested.emplace(std::string(written), Suggestions(written, maxSuggestions)).first;
    unknown.push_back({word, std::string(written), line, found->second});
  }
  return unknown;
}

bool TSpellChecker::Check(std::string& text, TSpellCheckUi& ui) {
  TSpellCheckDialog dialog(*this, text, ui);
  if (dialog.FormShow()) ui.ShowSpellCheck(dialog);
  // A view that returns without the dialog closed has not completed the check.
  if (dialog.ModalResult == TModalFormResult::mrOk) return true;
  if (OnSpellCheckCanceled) OnSpellCheckCanceled();
  return false;
}

TThesaurusData* TSpellChecker::Thesaurus() {
  if (thesaurusLoaded_) return thesaurus_.get();
  std::string idx, dat;
  if (!files_.ThesaurusFile.empty()) {
    idx = files_.ThesaurusFile;
    dat = idx.size() > 4 && idx.compare(idx.size() - 4, 4, ".idx") == 0
              ? idx.substr(0, idx.size() - 4) + ".dat"
              : idx + ".dat";
  } else if (const TDictionaryInfo* info = Language()) {
    idx = info->ThesaurusIdx;
    dat = info->ThesaurusDat;
  }
  if (!idx.empty()) thesaurus_ = std::make_unique<TThesaurusData>(idx, dat);
  thesaurusLoaded_ = true;
  return thesaurus_.get();
}

}  // namespace norvane
