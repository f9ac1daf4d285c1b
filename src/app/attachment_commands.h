// The attachment list's commands: attaching files by dialog or by dropping
// them on the window, removing the selected ones, choosing the list's view
// style, and the file icons, which come from the desktop through the UI.
// Every change of the list marks the project modified; the view style does not.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/ui_services.h"
#include "project/project_model.h"

namespace norvane {

enum class TKey { kDelete, kOther };

class TAttachmentCommands {
 public:
  TAttachmentCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui);

  // Tells whether the delivery engine is busy with a run.
  std::function<bool()> Busy = [] { return false; };

  // Appends the file (the same file may be attached more than once).
  void AddAttachment(const std::string& fullPath);
  // The file's small icon in the desktop's icon list.
  int FileIconIndex(const std::string& fullPath) { return ui_.FileIconIndex(fullPath); }
  // Every row's icon again (after a project has been opened).
  void RefreshAttachmentIcons();
  void DeleteSelectedAttachments();

  void acInsertAttachmentExecute();
  // Files dropped on the window: each existing file is attached, in the
  // order given; folders and missing paths are skipped. Ignored while the
  // window takes no drops (during a run).
  void WMDROPFILES(const std::vector<std::string>& paths);
  // The pop-up menu's "&Delete" and the list's Delete key (not during a run).
  void Delete3Click() { DeleteSelectedAttachments(); }
  void lvAttachmentsKeyDown(TKey key);
  // The pop-up menu opens: "&Delete" follows the selection, the current view
  // style carries the check mark.
  void AttachMenuPopup();
  // One of the four style entries, by its tag.
  void SmallIcon1Click(int tag);

 private:
  ProjectModel& model_;
  TMainWindow& window_;
  TMainFormUi& ui_;
};

}  // namespace norvane
