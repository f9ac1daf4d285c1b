// The getting-started dialog: start with the project at hand, run the mailing
// wizard, or open one of the projects found in the projects folder. The main
// window creates it, shows it and acts on how it was closed (Browse, OK with
// one of the three choices, or Cancel).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/modal_form.h"

namespace norvane {

inline constexpr char kProjectExtension[] = "nvp";

// The names (without extension) of the entries of `folder` whose names end in
// ".nvp" in any letter case, folders included, sorted without regard to
// letter case. An unreadable or missing folder lists nothing.
std::vector<std::string> ListProjects(const std::string& folder);

class TFormGetStarted : public TModalForm {
 public:
  // FormCreate: lists the projects of `projectsFolder` (a final "/" is added
  // when missing).
  explicit TFormGetStarted(const std::string& projectsFolder);

  // Controls, as plain values.
  std::string Label1 = "What do you want to do?";
  std::string rbNothingCaption = "&Just start Norvane to create a new mailing project from scratch!";
  std::string rbWizardCaption =
      "&Start the Mailing Wizard that will guide you in creating a mailing project!";
  std::string rdScriptCaption = "&Load an existent mailing project!";
  std::string btOKCaption = "OK";
  std::string btCancelCaption = "Cancel";
  std::string btBrowseCaption = "&Browse...";
  std::string chDontShowAgainCaption = "&Don't show this dialog box again";
  bool rbNothing = true;
  bool rbWizard = false;
  bool rdScript = false;
  bool rdScriptEnabled = false;
  std::vector<std::string> Scripts;
  int ScriptsItemIndex = -1;
  bool ScriptsEnabled = false;
  TSystemColor ScriptsColor = TSystemColor::clBtnFace;
  bool chDontShowAgain = false;
  bool btBrowseFocused = false;  // closed with Browse

  // State.
  std::string Folder;  // the projects folder, ending in "/"

  void rbNothingClick();
  void rbWizardClick();
  void rdScriptClick();
  // A click on the list; `index` is the row clicked, -1 below the rows.
  void ScriptsClick(int index);
  void btOKClick() { ModalResult = TModalFormResult::mrOk; }
  void btCancelClick() { ModalResult = TModalFormResult::mrCancel; }
  void btBrowseClick();

  // The project file of the selected entry: folder, entry, ".nvp"; empty
  // when no entry is selected.
  std::string SelectedProjectPath() const;
};

}  // namespace norvane
