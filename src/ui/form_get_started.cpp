#include "ui/form_get_started.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/codepage.h"

namespace norvane {

std::vector<std::string> ListProjects(const std::string& folder) {
  namespace fs = std::filesystem;
  const std::string suffix = std::string(".") + kProjectExtension;
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(folder.empty() ? "." : folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.size() < suffix.size() ||
        !AnsiEqualsIgnoreCase(std::string_view(name).substr(name.size() - suffix.size()), suffix))
      continue;
    names.push_back(name.substr(0, name.rfind('.')));
  }
  // Without regard to letter case; names equal but for case keep a fixed order.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string lowerA = AnsiLowerCase(a), lowerB = AnsiLowerCase(b);
    return lowerA != lowerB ? lowerA < lowerB : a < b;
  });
  return names;
}

TFormGetStarted::TFormGetStarted(const std::string& projectsFolder) {
  Caption = "Getting Started";
  Folder = projectsFolder;
  if (Folder.empty() || Folder.back() != '/') Folder += '/';
  Scripts = ListProjects(Folder);
  ScriptsEnabled = rdScriptEnabled = !Scripts.empty();
  ScriptsColor = ScriptsEnabled ? TSystemColor::clWindow : TSystemColor::clBtnFace;
}

void TFormGetStarted::rbNothingClick() {
  rbNothing = true;
  rbWizard = rdScript = false;
  ScriptsItemIndex = -1;
}

void TFormGetStarted::rbWizardClick() {
  rbWizard = true;
  rbNothing = rdScript = false;
  ScriptsItemIndex = -1;
}

void TFormGetStarted::rdScriptClick() {
  if (!rdScriptEnabled) return;
  rdScript = true;
  rbNothing = rbWizard = false;
  if (ScriptsItemIndex < 0 && !Scripts.empty()) ScriptsItemIndex = 0;
}

void TFormGetStarted::ScriptsClick(int index) {
  if (!ScriptsEnabled) return;
  if (index >= 0 && index < static_cast<int>(Scripts.size())) ScriptsItemIndex = index;
  rdScript = true;
  rbNothing = rbWizard = false;
}

void TFormGetStarted::btBrowseClick() {
  btBrowseFocused = true;
  ModalResult = TModalFormResult::mrOk;
}

std::string TFormGetStarted::SelectedProjectPath() const {
  if (ScriptsItemIndex < 0 || ScriptsItemIndex >= static_cast<int>(Scripts.size())) return {};
  return Folder + Scripts[static_cast<std::size_t>(ScriptsItemIndex)] + "." + kProjectExtension;
}

}  // namespace norvane
