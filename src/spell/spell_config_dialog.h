// The spell checker's configuration dialog (Options -> Spell Checker ->
// Configuration...): the installed dictionaries to choose from and the user
// dictionary file. OK saves the spell checker's own configuration file at
// once and uses it; the Options dialog's Cancel does not undo it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/modal_form.h"

namespace norvane {

class TSpellChecker;
class TSpellConfigDialog;

class TSpellConfigUi {
 public:
  virtual ~TSpellConfigUi() = default;
  // Shows the dialog modally and returns once it has closed.
  virtual void ShowSpellConfig(TSpellConfigDialog& dialog) = 0;
  // A file dialog for the user dictionary (the file need not exist yet),
  // starting at `current`; nothing when the person cancels.
  virtual std::optional<std::string> ChooseUserDictionary(const std::string& current) = 0;
  // An error box; the dialog stays open.
  virtual void ShowError(const std::string& text) = 0;
};

class TSpellConfigDialog : public TModalForm {
 public:
  TSpellConfigDialog(TSpellChecker& checker, TSpellConfigUi& ui);

  // Fields, as plain values. The view writes edUserDictionary as the person types.
  std::vector<std::string> cbDictionary;  // the installed dictionaries' names
  int cbDictionaryIndex = -1;             // the one in use; -1 when none is installed
  std::string lbThesaurus;                // whether the chosen language has a thesaurus
  std::string edUserDictionary;

  void cbDictionaryChange(int index);
  void btBrowseClick();
  // Saves and closes; when the file cannot be saved the error is shown and the dialog stays.
  void btOkClick();
  void btCancelClick() { ModalResult = TModalFormResult::mrCancel; }

 private:
  void ShowThesaurus();

  TSpellChecker& checker_;
  TSpellConfigUi& ui_;
};

}  // namespace norvane
