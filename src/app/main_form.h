// The main window as a logic class: the project, the window state, the
// settings, the recently used list, the sending controller and the commands
// on projects, recipients, attachments and the message, put together and
// started, queried for closing and destroyed in the order the program needs.
// The view runs actions through ExecuteAction and calls the other handlers
// on the objects that own them inside Guarded(), so that an error a handler
// raises reaches the person as an error box.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/attachment_commands.h"
#include "app/main_window.h"
#include "app/message_commands.h"
#include "app/project_commands.h"
#include "app/recipient_commands.h"
#include "app/sending_controller.h"
#include "app/tools_help_commands.h"
#include "app/ui_services.h"
#include "platform/event_loop.h"
#include "platform/registry.h"
#include "project/project_model.h"
#include "settings/ini_data.h"
#include "ui/most_recent_used_list.h"
#include "ui/word_tables.h"

namespace norvane {

class TMainForm {
 public:
  // `hive` holds the recently used list (beside the settings).
  TMainForm(TMainFormUi& ui, TINI& ini, RegistryHive hive = RegistryHive::CurrentUser(),
            EventLoop& loop = EventLoop::Default());
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  ProjectModel Project;
  TMainWindow Window;
  TMostRecentUsedList MostRecentUsedList1;
  TSendingController Sending;
  TProjectCommands Commands;
  TRecipientCommands RecipientCommands;
  TAttachmentCommands AttachmentCommands;
  TMessageCommands MessageCommands;
  TToolsHelpCommands ToolsHelp;
  // Every window's word table, read at start-up; the views apply them.
  std::optional<TWordTables> WordTables;

  // Runs a handler; an error it raises is shown in the error box.
  void Guarded(const std::function<void()>& handler);

  // Runs the action called `name` as a menu entry, a toolbar button or a
  // shortcut does: only while it is enabled, errors shown. False when it is
  // disabled or has no handler here.
  bool ExecuteAction(std::string_view name);

  // A click on a recently used file in the File menu (the id the list gave
  // the menu item). The file moves to the top of the list only when it opened.
  void MostRecentUsedList1Click(int id);

  // Start-up: maximized state, the project named by the first argument (when
  // it ends in ".nvp") or a new project. `args` are the arguments after the
  // program name.
  void FormCreate(const std::vector<std::string>& args);
  // False while a run is under way or when the person cancels the
  // unsaved-changes question (or the save it leads to fails).
  bool FormCloseQuery();
  // Stores the maximized state and the recently used list.
  void FormDestroy();
  // After the main window is enabled: the tip of the day, then getting started.
  void StartupDialogs() {
    Guarded([&] { ToolsHelp.StartupDialogs(); });
  }
  // "E&xit": true when the window may close.
  bool Exit1Click() { return FormCloseQuery(); }

  // The preview of the selected row; nothing without a selection.
  void acPreviewExecute();

  // A run is under way (the engine is busy).
  bool Busy() const;

 private:
  TMainFormUi& ui_;
  TINI& ini_;
  std::map<std::string, std::function<void()>, std::less<>> handlers_;
};

}  // namespace norvane
