// The main window's visible state as plain data, shared by the objects that
// make up TMainForm: the actions, the enabled state of the three text
// controls, the status bar panels, the caption, the selected recipient row,
// file-drop acceptance, the maximized flag, the file dialogs, the menus
// (the File menu, where the recently used files are inserted, the body's
// merge-tag menu and the rest), the body's caret and the selected
// attachments. The GUI view draws this and reports the person's selections
// into it; the logic objects change it.
#pragma once

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/actions.h"
#include "app/main_menus.h"
#include "app/ui_services.h"
#include "project/project_model.h"
#include "ui/most_recent_used_list.h"

namespace norvane {

// A menu as a list of (id, caption) items; "-" is a separator. Fixed entries
// have id -1; the recently used list inserts its own ids.
class TMenuItems : public TMruMenu {
 public:
  struct Item {
    int Id;
    std::string Caption;
  };

  explicit TMenuItems(std::vector<std::string> captions = {});
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  void InsertItem(int position, int id, const std::string& caption) override;
  void RemoveItem(int id) override;
  const std::vector<Item>& Items() const { return items_; }
  std::vector<std::string> Captions() const;

 private:
  std::vector<Item> items_;
};

// Index in the File menu where the recently used files start (after
// "&Import Recipient List...").
inline constexpr int kMruMenuIndex = 14;

class TMainWindow {
 public:
  TMainWindow();

  TMainActions Actions;
  TMainMenus Menus{Actions};
  bool edToEnabled = true;
  bool edSubjectEnabled = true;
  bool Memo1Enabled = true;
  std::array<std::string, 5> StatusPanels;
  std::string Caption;
  int Selected = -1;  // the selected recipient row, -1 none
  bool AcceptFiles = false;
  bool Maximized = false;
  TFileDialog OpenProjectDlg;
  TFileDialog SaveProjectDlg;
  TFileDialog InsertAttachDialog;
  TFileDialog ImportMessageDialog;
  TMenuItems File1;
  std::vector<std::string> FieldMenu;    // the body's pop-up menu of merge tags (PopupMenuBody)
  std::vector<std::string> InsertField;  // Insert > "&Field", the same entries
  // The body editor's selection, in bytes of the body (a line break counts
  // two); the view keeps it current. A paste replaces it.
  int Memo1SelStart = 0;
  int Memo1SelLength = 0;
  // The selected attachment rows; the view keeps it current.
  std::set<int> AttachmentsSelected;
  // Asks the view to scroll a recipient row into view (a partly visible row
  // stays where it is).
  std::function<void(int row)> OnMakeVisible;

  // The editing commands and the three text controls follow `on`; acAbort the
  // opposite. When enabling, the two single-row commands need a selected row.
  void EnableEditing(bool on);
  // A row was selected (row >= 0) or the selection cleared (-1). `running`:
  // a run is under way, which keeps the two single-row editing commands off.
  void ListView1SelectItem(int row, bool running);
  // "<email>" and the tag of every field column, in the body's pop-up menu
  // and in the Insert menu's "&Field" submenu.
  void BuildFieldMenu(const ProjectModel& model);
  // The Insert menu opens: its "&Field" submenu is refilled from the body's
  // pop-up menu.
  void Insert1Click() { InsertField = FieldMenu; }
  void UpdateTitle(const ProjectModel& model) { Caption = model.TitleText(); }
  void MakeVisible(int row) {
    if (OnMakeVisible) OnMakeVisible(row);
  }
};

}  // namespace norvane
