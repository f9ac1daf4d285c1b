// The import dialog (Import Recipient List): the file's path shortened in
// the middle, its kind, the e-mail column, what the first line is, append or
// replace, the progress, Import and Cancel, each forwarded to TImportDialog.
// The progress bar follows the import from a timer, because the import runs
// inside the Import click and only lets waiting events through.
#pragma once

#include "gui/modal_form_view.h"
#include "platform/modal_form.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace norvane {

class ElidedPathLabel;
class TImportDialog;
class TWordTables;

class ImportDialogView : public ModalFormView {
  Q_OBJECT

 public:
  ImportDialogView(TModalOf<TImportDialog>& modal, const TWordTables* tables, QWidget* parent,
                   ViewGuard guard);

 protected:
  void ShowFields() override;
  bool FormEnded() const override;
  void CloseBox() override;

 private:
  void ShowProgress();

  TModalOf<TImportDialog>& modal_;
  TImportDialog& dialog_;
  ElidedPathLabel* lbFilename_;
  QLabel* lbKind_;
  QComboBox* cbEmail_;
  QGroupBox* rgFirstLine_;
  QRadioButton* firstLine_[2];
  QGroupBox* rgMode_;
  QRadioButton* mode_[2];
  QProgressBar* pBar_;
  QPushButton* btImport_;
  QTimer* progressTimer_;
};

void RunImportDialog(TModalOf<TImportDialog>& modal, const TWordTables* tables, QWidget* parent,
                     ViewGuard guard);

}  // namespace norvane
