// The main window's menus as data, apart from the File menu (a TMenuItems,
// since the recently used files are inserted into it): the recipient list's
// pop-up menu, the File menu's "&Recipient" submenu, the Search and Insert
// menus and the attachment list's pop-up menu. An entry bound to an action
// runs it and follows its enabled state; the others name their own handler.
#pragma once

#include <string>
#include <vector>

#include "app/actions.h"

namespace norvane {

struct TMenuEntry {
  std::string Caption;  // "-" is a separator
  std::string Hint;
  std::string Action;  // the action it runs; empty for an entry with its own handler
  std::string Name;    // the entry's own name ("Delete3", "SmallIcon1", ...) when it has no action
  int Tag = 0;
  bool Enabled = true;  // of entries without an action
  bool Checked = false;
};

using TMenu = std::vector<TMenuEntry>;

inline constexpr char kSeparator[] = "-";

struct TMainMenus {
  explicit TMainMenus(const TMainActions& actions);

  TMenu PopupMenuList;  // the recipient list's pop-up menu
  TMenu Recipient1;     // File > "&Recipient"
  TMenu Search1;        // "&Search"
  TMenu Insert1;        // "&Insert": "&Attachment..." and the "&Field" submenu
  TMenu AttachMenu;     // the attachment list's pop-up menu
};

// Tags of the attachment list's four view style entries, in menu order.
enum TAttachStyleTag : int { kTagIcon = 0, kTagSmallIcon = 1, kTagList = 2, kTagReport = 3 };

}  // namespace norvane
