// The thesaurus dialog's logic (Shift+F7): the meanings of a word, the
// synonyms of the chosen meaning, and Replace, which puts the chosen synonym
// in the word's place in the letter case of the word it replaces. Another
// word may be typed and looked up in the dialog.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/modal_form.h"
#include "spell/thesaurus_data.h"

namespace norvane {

class TThesaurusDialog;

class TThesaurusUi {
 public:
  virtual ~TThesaurusUi() = default;
  // Shows the dialog modally and returns once it has closed.
  virtual void ShowThesaurus(TThesaurusDialog& dialog) = 0;
};

class TThesaurusDialog : public TModalForm {
 public:
  // `data` null: no thesaurus is installed for the language, which the dialog says.
  TThesaurusDialog(TThesaurusData* data, std::string word);

  // Fields, as plain values. The view writes edLookUp and edReplaceWith as
  // the person types.
  std::string edLookUp;
  std::vector<std::string> lbMeanings;  // "(adj) large", ...
  int lbMeaningsIndex = -1;
  std::vector<std::string> lbSynonyms;  // of the chosen meaning
  int lbSynonymsIndex = -1;
  std::string edReplaceWith;
  std::string lbStatus;  // why the lists are empty, else empty
  bool btReplaceEnabled = false;

  // Looks up edLookUp (also done when the dialog is made).
  void btLookUpClick();
  void lbMeaningsClick(int index);
  void lbSynonymsClick(int index);
  // Closes with OK; the caller puts edReplaceWith in the word's place.
  void btReplaceClick();
  void btCancelClick() { ModalResult = TModalFormResult::mrCancel; }

 private:
  TThesaurusData* data_;
  std::vector<TMeaning> meanings_;
};

// Shift+F7 on a text control: the word at `caret` of `text` (none: the dialog
// opens empty and Replace inserts at the caret), the dialog, and on Replace
// the word replaced, in its letter case; nothing else in `text` changes.
// True when `text` changed. Throws SpellError from loading the thesaurus.
bool RunThesaurus(TThesaurusData* data, std::string& text, std::size_t caret, TThesaurusUi& ui);

}  // namespace norvane
