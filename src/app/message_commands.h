// The commands on the message body: importing it from a text file and
// inserting a merge tag from the Insert menu or the body's pop-up menu. The
// tag goes through the clipboard, as a paste into the editor does: what the
// person had on the clipboard is replaced by the tag.
#pragma once

#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/ui_services.h"
#include "project/project_model.h"

namespace norvane {

inline constexpr char kLooseChangesQuestion[] =
    "You will loose the changes in the current message.  Confirm to proceed?";

class TMessageCommands {
 public:
  TMessageCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui);

  // Replaces the body by a file's text, after asking when the body holds
  // text. A file that cannot be read or is too long for the editor is
  // thrown and changes nothing.
  void acImportMessageExecute();
  // The same import of a text already read (a file or standard input given
  // on the command line, already in the ANSI code page): line ends, the first
  // NUL and the capacity as for a file; nothing asked. A refused text changes
  // nothing.
  void ImportMessageText(std::string_view text);
  // An entry of a merge-tag menu: its caption goes to the clipboard and is
  // pasted at the body's caret, replacing the selection. The body takes no
  // paste while it is disabled (during a run).
  void InsertFieldTag(const std::string& caption);

 private:
  ProjectModel& model_;
  TMainWindow& window_;
  TMainFormUi& ui_;
};

}  // namespace norvane
