// The File menu's project commands: New, Open, Save, Save As, opening a
// recently used file, the unsaved-changes question and the window title.
// Errors (an unreadable or unwritable file, a deleted recent file) are thrown
// as ProjectFileError / std::runtime_error for TMainForm to show; "Cancel" in
// the question or the save dialog makes the command return false instead.
#pragma once

#include <functional>
#include <string>

#include "app/main_window.h"
#include "app/sending_controller.h"
#include "app/ui_services.h"
#include "project/project_model.h"
#include "ui/most_recent_used_list.h"

namespace norvane {

class TProjectCommands {
 public:
  TProjectCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui, TSendingController& controller,
                   TMostRecentUsedList& mru);

  // Tells whether the delivery engine is running a mailing.
  std::function<bool()> Busy = [] { return false; };
  // Gives every attachment its file's icon again; run after each read.
  std::function<void()> RefreshAttachmentIcons = [] {};

  // Each returns false when it ended on a Cancel, true otherwise.
  bool acNewExecute();
  bool acOpenExecute();
  bool acSaveExecute();
  bool acSaveAsExecute();
  // Yes saves (false when the save was cancelled), No continues, Cancel returns false.
  bool AskSaveChanges();
  // True when the project was opened; false when the command was ignored
  // (a run is under way) or cancelled.
  bool MostRecentUsedList1SelectFilename(const std::string& filename);

  // Resets to an empty project with the window's side of it (title, status
  // bar, field menu, no row selected).
  void NewProject();
  // Reads the file into the window. On failure the project stays as it was
  // (name and modified state included) and the error is thrown.
  void LoadProject(const std::string& filename);
  // Writes the file and adds it to the recently used list (also when writing
  // failed); FModified is left to the caller.
  void SaveProject(const std::string& filename);
  void UpdateTitle() { window_.UpdateTitle(model_); }

 private:
  ProjectModel& model_;
  TMainWindow& window_;
  TMainFormUi& ui_;
  TSendingController& controller_;
  TMostRecentUsedList& mru_;
};

}  // namespace norvane
