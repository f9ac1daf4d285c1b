#include "app/project_commands.h"

#include <sys/stat.h>

#include <stdexcept>

#include "app/hour_glass.h"
#include "project/project_file.h"
#include "project/run_journal.h"

namespace norvane {

namespace {

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

TProjectCommands::TProjectCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui,
                                   TSendingController& controller, TMostRecentUsedList& mru)
    : model_(model), window_(window), ui_(ui), controller_(controller), mru_(mru) {}

bool TProjectCommands::AskSaveChanges() {
  if (!model_.FModified) return true;
  switch (ui_.ConfirmYesNoCancel("Project has been modified.  Would you like to save it?")) {
    case TModalResult::mrYes:
      return acSaveExecute();
    case TModalResult::mrNo:
      return true;
    case TModalResult::mrCancel:
      break;
  }
  return false;
}

bool TProjectCommands::acNewExecute() {
  if (!AskSaveChanges()) return false;
  NewProject();
  return true;
}

bool TProjectCommands::acOpenExecute() {
  if (!AskSaveChanges()) return false;
  window_.OpenProjectDlg.FileName.clear();
  std::optional<std::string> file = ui_.ExecuteOpenDialog(window_.OpenProjectDlg);
  if (!file) return true;
  LoadProject(*file);
  mru_.AddFilename(*file);
  return true;
}

bool TProjectCommands::acSaveExecute() {
  if (model_.FProjectFileName.empty()) return acSaveAsExecute();
  SaveProject(model_.FProjectFileName);
  model_.FModified = false;
  return true;
}

bool TProjectCommands::acSaveAsExecute() {
  std::optional<std::string> file = ui_.ExecuteSaveDialog(window_.SaveProjectDlg);
  if (!file) return false;
  window_.SaveProjectDlg.FileName = *file;
  model_.FProjectFileName = *file;
  UpdateTitle();
  return acSaveExecute();
}

bool TProjectCommands::MostRecentUsedList1SelectFilename(const std::string& filename) {
  if (Busy()) return false;
  if (!AskSaveChanges()) return false;
  if (!FileExists(filename)) throw std::runtime_error("File " + filename + " has been deleted");
  LoadProject(filename);
  return true;
}

void TProjectCommands::NewProject() {
  model_.NewProject();
  window_.ListView1SelectItem(-1, controller_.Running());
  window_.AttachmentsSelected.clear();
  UpdateTitle();
  controller_.ResetProgress();
  window_.BuildFieldMenu(model_);
}

void TProjectCommands::LoadProject(const std::string& filename) {
  HourGlass pointer(ui_);
  // The closing steps run whether reading succeeded or not; the model itself
  // is replaced only by a complete read.
  try {
    norvane::LoadProject(model_, filename);
  } catch (...) {
    RefreshAttachmentIcons();
    controller_.ResetProgress();
    window_.BuildFieldMenu(model_);
    throw;
  }
  // Results a killed run journaled after the last save belong in the rows.
  // A journal that cannot be read loses nothing by being skipped: it stays.
  std::string recovered;
  try {
    recovered = RecoveryText(RecoverFromJournal(model_, filename));
  } catch (const JournalError& error) {
    recovered = error.what();
  }
  RefreshAttachmentIcons();
  controller_.ResetProgress();
  window_.BuildFieldMenu(model_);
  window_.ListView1SelectItem(-1, controller_.Running());
  window_.AttachmentsSelected.clear();
  UpdateTitle();
  if (!recovered.empty()) ui_.ShowInformation(recovered);
}

void TProjectCommands::SaveProject(const std::string& filename) {
  HourGlass pointer(ui_);
  ProjectSaveOptions options;
  options.DuringRun = controller_.Running();
  try {
    norvane::SaveProject(model_, filename, options);
  } catch (...) {
    // The save's own error is the one to show.
    try {
      mru_.AddFilename(filename);
    } catch (...) {
    }
    throw;
  }
  mru_.AddFilename(filename);
  // The file now holds every journaled result; a failed mark only means they
  // would be applied once more, unchanged, on the next opening.
  try {
    controller_.ProjectSaved(filename);
  } catch (const JournalError&) {
  }
}

}  // namespace norvane
