#include "spell/spell_check_dialog.h"

#include "spell/spell_checker.h"
#include "spell/spell_error.h"

namespace norvane {

TSpellCheckDialog::TSpellCheckDialog(TSpellChecker& checker, std::string& text, TSpellCheckUi& ui)
    : checker_(checker), text_(text), ui_(ui), words_(WordsToCheck(text)) {
  Caption = "Spell Checker";
}

bool TSpellCheckDialog::FormShow() {
  ModalResult = TModalFormResult::mrNone;
  return FindNext();
}

bool TSpellCheckDialog::FindNext() {
  while (next_ < words_.size()) {
    const TTextWord& original = words_[next_++];
    Word = {static_cast<std::size_t>(static_cast<std::ptrdiff_t>(original.Offset) + shift_), original.Length};
    std::string word = CurrentWord();
    if (auto replacement = checker_.ChangeAllReplacement(word)) {
      Replace(*replacement);
      continue;
    }
    if (checker_.IsKnown(word)) continue;
    lbNotInDictionary = word;
    TWordContext context = ContextOf(text_, Word);
    lbContext = std::move(context.Text);
    lbContextWordOffset = context.WordOffset;
    lbSuggestions = checker_.Suggestions(word, kDialogSuggestions);
    lbSuggestionsIndex = lbSuggestions.empty() ? -1 : 0;
    edChangeTo = lbSuggestions.empty() ? word : lbSuggestions[0];
    btChangeEnabled = true;
    return true;
  }
  lbNotInDictionary.clear();
  lbContext.clear();
  lbSuggestions.clear();
  lbSuggestionsIndex = -1;
  edChangeTo.clear();
  btChangeEnabled = false;
  ModalResult = TModalFormResult::mrOk;
  return false;
}

std::string TSpellCheckDialog::CurrentWord() const {
  return text_.substr(Word.Offset, Word.Length);
}

void TSpellCheckDialog::Replace(const std::string& replacement) {
  text_.replace(Word.Offset, Word.Length, replacement);
  shift_ += static_cast<std::ptrdiff_t>(replacement.size()) - static_cast<std::ptrdiff_t>(Word.Length);
  Word.Length = replacement.size();
}

void TSpellCheckDialog::lbSuggestionsClick(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= lbSuggestions.size()) return;
  lbSuggestionsIndex = index;
  edChangeTo = lbSuggestions[static_cast<std::size_t>(index)];
}

void TSpellCheckDialog::btChangeClick() {
  if (Closed()) return;
  Replace(edChangeTo);
  FindNext();
}

void TSpellCheckDialog::btChangeAllClick() {
  if (Closed()) return;
  checker_.ChangeAll(lbNotInDictionary, edChangeTo);
  Replace(edChangeTo);
  FindNext();
}

void TSpellCheckDialog::btIgnoreClick() {
  if (Closed()) return;
  FindNext();
}

void TSpellCheckDialog::btIgnoreAllClick() {
  if (Closed()) return;
  checker_.IgnoreAll(lbNotInDictionary);
  FindNext();
}

void TSpellCheckDialog::btAddClick() {
  if (Closed()) return;
  try {
    checker_.AddWord(lbNotInDictionary);
  } catch (const SpellError& error) {
    ui_.ShowError(error.what());
  }
  FindNext();
}

}  // namespace norvane
