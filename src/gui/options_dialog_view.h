// The Options dialog: a page control with the Connection, DNS and Spell
// Checker pages, then the pages of relay, TLS, message, signing and
// delivery settings; the up-down boxes as spin boxes, OK and Cancel. Every
// change goes to TFormOptions at once; OK saves through it, and a value it
// refuses is shown under the pages while the dialog stays open.
#pragma once

#include <QStringList>
#include <string>
#include <utility>
#include <vector>

#include "gui/modal_form_view.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
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
  QCheckBox* Check(const char* name, const char* caption, bool& field);
  QComboBox* Words(const char* name, std::string& field, const QStringList& words);
  // Adds "caption" and a box bound to `field` as a row of `page`.
  void EditRow(QFormLayout* page, const char* name, const char* caption, std::string& field);
  void CheckRow(QFormLayout* page, const char* name, const char* caption, bool& field);
  QFormLayout* FormPage(const char* name, const char* caption);
  // The boxes beyond the plain dialog, shown again from the form as a whole.
  void ShowExtraFields();

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
  QLabel* error_;
  std::vector<std::pair<QLineEdit*, std::string*>> edits_;
  std::vector<std::pair<QCheckBox*, bool*>> checks_;
  std::vector<std::pair<QComboBox*, std::string*>> words_;
};

void RunOptionsDialog(TFormOptions& form, const TWordTables* tables, QWidget* parent, ViewGuard guard);

}  // namespace norvane
