#include "spell/thesaurus_dialog.h"

#include <algorithm>
#include <utility>

#include "spell/spell_text.h"

namespace norvane {

TThesaurusDialog::TThesaurusDialog(TThesaurusData* data, std::string word) : data_(data) {
  Caption = "Thesaurus";
  edLookUp = std::move(word);
  btLookUpClick();
}

void TThesaurusDialog::btLookUpClick() {
  meanings_.clear();
  lbMeanings.clear();
  lbSynonyms.clear();
  lbMeaningsIndex = lbSynonymsIndex = -1;
  lbStatus.clear();
  if (!data_) {
    lbStatus = "No thesaurus is installed for this language";
  } else if (!edLookUp.empty()) {
    meanings_ = data_->Lookup(edLookUp);
    if (meanings_.empty()) lbStatus = "No synonyms found for \"" + edLookUp + "\"";
  }
  for (const TMeaning& meaning : meanings_) lbMeanings.push_back(meaning.Definition);
  if (!meanings_.empty()) {
    lbMeaningsClick(0);
  } else {
    edReplaceWith = edLookUp;
  }
  btReplaceEnabled = !edReplaceWith.empty();
}

void TThesaurusDialog::lbMeaningsClick(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= meanings_.size()) return;
  lbMeaningsIndex = index;
  lbSynonyms = meanings_[static_cast<std::size_t>(index)].Synonyms;
  lbSynonymsIndex = -1;
  if (!lbSynonyms.empty()) lbSynonymsClick(0);
}

void TThesaurusDialog::lbSynonymsClick(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= lbSynonyms.size()) return;
  lbSynonymsIndex = index;
  edReplaceWith = SynonymWord(lbSynonyms[static_cast<std::size_t>(index)]);
  btReplaceEnabled = !edReplaceWith.empty();
}

void TThesaurusDialog::btReplaceClick() {
  if (edReplaceWith.empty()) return;
  ModalResult = TModalFormResult::mrOk;
}

bool RunThesaurus(TThesaurusData* data, std::string& text, std::size_t caret, TThesaurusUi& ui) {
  caret = std::min(caret, text.size());
  TTextWord word = WordAt(text, caret).value_or(TTextWord{caret, 0});
  std::string original = text.substr(word.Offset, word.Length);
  TThesaurusDialog dialog(data, original);
  ui.ShowThesaurus(dialog);
  if (dialog.ModalResult != TModalFormResult::mrOk || dialog.edReplaceWith.empty()) return false;
  std::string replacement = MatchCase(original, dialog.edReplaceWith);
  if (replacement == original) return false;
  text.replace(word.Offset, word.Length, replacement);
  return true;
}

}  // namespace norvane
