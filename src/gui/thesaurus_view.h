// The thesaurus dialog (Shift+F7): the word looked up, its meanings, the
// synonyms of the chosen meaning, the replacement, and Look Up, Replace and
// Cancel, each forwarded to TThesaurusDialog.
#pragma once

#include "gui/modal_form_view.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace norvane {

class TThesaurusDialog;

class ThesaurusView : public ModalFormView {
  Q_OBJECT

 public:
  ThesaurusView(TThesaurusDialog& dialog, QWidget* parent, ViewGuard guard);

 protected:
  void ShowFields() override;

 private:
  TThesaurusDialog& dialog_;
  QLineEdit* edLookUp_;
  QListWidget* lbMeanings_;
  QListWidget* lbSynonyms_;
  QLineEdit* edReplaceWith_;
  QLabel* lbStatus_;
  QPushButton* btReplace_;
};

}  // namespace norvane
