// The getting-started dialog: three ways to begin as radio buttons, the
// projects of the projects folder in a list, Browse, OK and Cancel, and the
// check box that stops it appearing at start-up.
#pragma once

#include "gui/modal_form_view.h"

class QCheckBox;
class QListWidget;
class QRadioButton;

namespace norvane {

class TFormGetStarted;
class TWordTables;

class GetStartedDialogView : public ModalFormView {
 public:
  GetStartedDialogView(TFormGetStarted& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

 protected:
  void ShowFields() override;

 private:
  TFormGetStarted& started_;
  QRadioButton* nothing_;
  QRadioButton* wizard_;
  QRadioButton* script_;
  QListWidget* scripts_;
  QCheckBox* dontShowAgain_;
};

void RunGetStartedDialog(TFormGetStarted& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

}  // namespace norvane
