// The spell checker's configuration dialog (Options -> Spell Checker ->
// Configuration...): the installed dictionaries, whether the chosen one has
// a thesaurus, the user dictionary file with Browse, OK and Cancel, each
// forwarded to TSpellConfigDialog.
#pragma once

#include "gui/modal_form_view.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace norvane {

class TSpellConfigDialog;

class SpellConfigView : public ModalFormView {
  Q_OBJECT

 public:
  SpellConfigView(TSpellConfigDialog& dialog, QWidget* parent, ViewGuard guard);

 protected:
  void ShowFields() override;

 private:
  TSpellConfigDialog& dialog_;
  QComboBox* cbDictionary_;
  QLabel* lbThesaurus_;
  QLineEdit* edUserDictionary_;
};

}  // namespace norvane
