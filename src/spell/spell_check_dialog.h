// The spell check dialog's logic: one text checked from start to end, each
// unknown word shown in its line with suggestions, and the person's answer
// applied to the text in place: Change, Change All, Ignore, Ignore All, Add
// to dictionary, Cancel. Only the bytes of the word being corrected change.
// The view (and a test's script) shows the fields, forwards each button to
// its handler and shows the fields again, until the dialog has closed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/modal_form.h"
#include "spell/spell_text.h"

namespace norvane {

class TSpellChecker;
class TSpellCheckDialog;

class TSpellCheckUi {
 public:
  virtual ~TSpellCheckUi() = default;
  // Shows the dialog modally and returns once it has closed.
  virtual void ShowSpellCheck(TSpellCheckDialog& dialog) = 0;
  // An error box (the user dictionary could not be saved); the dialog stays.
  virtual void ShowError(const std::string& text) = 0;
};

inline constexpr std::size_t kDialogSuggestions = 10;

class TSpellCheckDialog : public TModalForm {
 public:
  TSpellCheckDialog(TSpellChecker& checker, std::string& text, TSpellCheckUi& ui);

  // Moves to the first unknown word, making the session's Change All
  // corrections on the way. False, with the dialog closed with OK, when
  // there is none (the dialog need not appear). Throws SpellError when no
  // dictionary can be loaded.
  bool FormShow();

  // Fields, as plain values. The view writes edChangeTo as the person types.
  std::string lbNotInDictionary;        // the unknown word
  std::string lbContext;                // its line, cut around it
  std::size_t lbContextWordOffset = 0;  // where the word starts in lbContext
  TTextWord Word;                       // where the word is in the text, to select it in the control
  std::vector<std::string> lbSuggestions;
  int lbSuggestionsIndex = -1;
  std::string edChangeTo;  // the first suggestion, or the word when there is none
  bool btChangeEnabled = false;

  void lbSuggestionsClick(int index);
  // The word becomes edChangeTo.
  void btChangeClick();
  // The same, and every later occurrence of the word in this check and the
  // rest of the session.
  void btChangeAllClick();
  void btIgnoreClick();
  void btIgnoreAllClick();
  // Into the user dictionary; an error saving it is shown and the word is
  // still accepted for the session.
  void btAddClick();
  void btCancelClick() { ModalResult = TModalFormResult::mrCancel; }
  void CloseBoxClick() override { btCancelClick(); }

 private:
  // Shows the next unknown word or closes with OK.
  bool FindNext();
  void Replace(const std::string& replacement);
  std::string CurrentWord() const;

  TSpellChecker& checker_;
  std::string& text_;
  TSpellCheckUi& ui_;
  // The words of the text as it was; a correction moves every later word by
  // the change in length, and nothing else in the text changes.
  std::vector<TTextWord> words_;
  std::size_t next_ = 0;
  std::ptrdiff_t shift_ = 0;
};

}  // namespace norvane
