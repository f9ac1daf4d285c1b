// The tip of the day: a heading, a framed panel in the tool-tip colour with
// the tip, the check box that turns the tips off at start-up, and the
// buttons to step through the list. OK is both the default and the cancel
// button; only the close box ends the dialog with Cancel.
#pragma once

#include "gui/modal_form_view.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace norvane {

class TTipForm;

class TipsDialogView : public ModalFormView {
 public:
  TipsDialogView(TTipForm& form, QWidget* parent, ViewGuard guard);

 protected:
  void ShowFields() override;
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TTipForm& tips_;
  QLabel* heading_;
  QLabel* help_;
  QLabel* text_;
  QCheckBox* notShowAtStart_;
  QPushButton* ok_;
  QPushButton* next_;
  QPushButton* last_;
  QPushButton* tutorial_;
  QFrame* separator_;
};

void RunTipsDialog(TTipForm& form, QWidget* parent, ViewGuard guard);

}  // namespace norvane
