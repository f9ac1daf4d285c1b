// The Options dialog: a page control with the Connection, DNS and Spell
// Checker pages, the up-down boxes as spin boxes, OK and Cancel. Every
// change goes to TFormOptions at once; OK saves through it.
#pragma once

#include "gui/modal_form_view.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace norvane {

class TFormOptions;
class TWordTables;
struct TUpDownEdit;

class OptionsDialogView : public ModalFormView {
 public:
  OptionsDialogView(TFormOptions& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

 protected:
  void ShowFields() override;

 private:
  QSpinBox* UpDown(const char* name, TUpDownEdit& field);
  QLineEdit* Edit(const char* name, std::string& field);

  TFormOptions& options_;
  QTabWidget* pages_;
  QSpinBox* connections_;
  QSpinBox* timeOut_;
  QLineEdit* from_;
  QRadioButton* hostFromDomain_;
  QRadioButton* specifyHost_;
  QLineEdit* host_;
  QLineEdit* dns1_;
  QLineEdit* dns2_;
  QCheckBox* runSpellChecker_;
};

void RunOptionsDialog(TFormOptions& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

}  // namespace norvane
