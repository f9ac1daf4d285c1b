// The mailing wizard: the picture on the left, the seven pages on the right
// (their tabs hidden; Back and Next move between them), Back / Next /
// Create! and Cancel below, each forwarded to TFormWizard. Controls stand
// where the window's word table places them for the start language, in the
// table's units scaled evenly until every text fits with the font in use. The progress bar of the last page
// follows the import from a timer, since the import runs inside Create!.
#pragma once

#include "gui/modal_form_view.h"
#include "platform/modal_form.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;

namespace norvane {

class TFormWizard;
class TWordTables;

class WizardDialogView : public ModalFormView {
  Q_OBJECT

 public:
  WizardDialogView(TModalOf<TFormWizard>& modal, const TWordTables* tables, QWidget* parent, ViewGuard guard);

 protected:
  void ShowFields() override;
  bool FormEnded() const override;
  void CloseBox() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPages();
  void ApplyWords(const TWordTables* tables);
  void PlaceControls();
  bool TextsFit(double scale) const;
  void ShowProgress();

  TModalOf<TFormWizard>& modal_;
  TFormWizard& wizard_;
  QTabWidget* notebook_;
  QLineEdit* edFrom_;
  QLineEdit* edSubject_;
  QComboBox* cbDatasourceType_;
  QLineEdit* edFilename_;
  QListWidget* fieldListBox_;
  QGroupBox* rgFirstLine_;
  QRadioButton* firstLine_[2];
  QRadioButton* rbNewMessage_;
  QRadioButton* rbFromExistent_;
  QLineEdit* edMessageFile_;
  QProgressBar* pBar_;
  QPushButton* btBack_;
  QPushButton* btNext_;
  QTimer* progressTimer_;
};

void RunWizardDialog(TModalOf<TFormWizard>& modal, const TWordTables* tables, QWidget* parent,
                     ViewGuard guard);

}  // namespace norvane
