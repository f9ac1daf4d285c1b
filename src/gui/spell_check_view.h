// The spell check dialog: the unknown word in its line, the suggestions, the
// replacement being typed, and Change, Change All, Ignore, Ignore All, Add
// to dictionary and Cancel, each forwarded to TSpellCheckDialog.
#pragma once

#include "gui/modal_form_view.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace norvane {

class TSpellCheckDialog;

class SpellCheckView : public ModalFormView {
  Q_OBJECT

 public:
  SpellCheckView(TSpellCheckDialog& dialog, QWidget* parent, ViewGuard guard);

 protected:
  void ShowFields() override;

 private:
  TSpellCheckDialog& dialog_;
  QLabel* lbNotInDictionary_;
  QLabel* lbContext_;
  QLineEdit* edChangeTo_;
  QListWidget* lbSuggestions_;
  QPushButton* btChange_;
  QPushButton* btChangeAll_;
};

}  // namespace norvane
