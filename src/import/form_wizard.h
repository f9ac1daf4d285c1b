// The mailing wizard's logic: seven pages that collect the sender, the
// subject, a recipient file with its e-mail column and the message body, then
// reset the project and fill it, importing the recipients through an import
// dialog of its own that is never shown. Failed page checks throw with the
// text the application's error handler shows; the page then stays.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "import/import_dialog.h"
#include "import/import_ui.h"
#include "project/project_model.h"

namespace norvane {

class TINI;

inline constexpr char kNoSubject[] = "There is no subject";
inline constexpr char kNoDatasource[] = "No datasource has been defined";
inline constexpr char kInvalidFrom[] = "Please type a valid email address";
inline constexpr char kChooseEmailField[] = "Please choose the email address field";
inline constexpr char kLeaveWizardQuestion[] = "Do you really want to leave the Norvane Wizard?";
inline constexpr char kCreateCaption[] = "&Create!";

enum WizardPage : int {
  kPageWelcome = 0,
  kPageFrom = 1,
  kPageSubject = 2,
  kPageDatasource = 3,
  kPageFieldSelection = 4,
  kPageMessageFile = 5,
  kPageFinish = 6,
};

class TFormWizard {
 public:
  static const std::array<const char*, 7>& PageNames();

  // FormCreate: the sender from the settings, "New message", "Data".
  TFormWizard(ProjectModel& model, TINI& ini, ImportUi& ui);
  ~TFormWizard();
  TFormWizard(const TFormWizard&) = delete;
  TFormWizard& operator=(const TFormWizard&) = delete;

  // Controls, as plain values.
  std::string Caption = "Mailing Wizard";
  int PageIndex = kPageWelcome;
  std::string edFrom;
  std::string edSubject;
  TComboBoxState cbDatasourceType;
  std::string edFilename;
  TComboBoxState FieldListBox;
  TRadioGroupState rgFirstLine;  // 0 "Data", 1 "Header"
  bool rbNewMessage = true;
  bool rbFromExistent = false;
  std::string edMessageFile;
  TProgressBar PBar;
  std::string btBackCaption = "< &Back";
  std::string btNextCaption = "Ne&xt>";
  bool btBackEnabled = false;
  bool Closed = false;  // ended by Create! or a confirmed Cancel

  std::string FNextCaption;
  std::unique_ptr<TImportDialog> FImportDialog;

  // The main window's operations the wizard calls; NewProject defaults to the model's own.
  std::function<void()> NewProject;
  std::function<void()> BuildFieldMenu;

  void FormShow();
  // Back (-1) and Next (+1).
  void ChangeTab(int direction);
  void UpdateButtons();
  void btBrowseClick();
  void Button1Click();
  void edMessageFileClick() { ChooseFromExistent(); }
  void btCancelClick();
  void ReadSourceFields();
  void CreateProject();

 private:
  void ChooseFromExistent() { rbNewMessage = false, rbFromExistent = true; }

  ProjectModel& model_;
  TINI& ini_;
  ImportUi& ui_;
};

}  // namespace norvane
