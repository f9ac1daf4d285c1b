// The commands that maintain the recipient list by hand: add and edit a
// recipient in the properties dialog, delete one or all checked rows, check,
// uncheck and invert the check marks, toggle one row (the command or a click
// on its check box) and find a row by text. Every command that changes the
// list marks the project modified; "Not found" is thrown for TMainForm to show.
#pragma once

#include <functional>

#include "app/main_window.h"
#include "app/recipient_find.h"
#include "app/ui_services.h"
#include "project/project_model.h"

namespace norvane {

inline constexpr char kDeleteRecipientQuestion[] = "Would you like to delete this recipient?";
inline constexpr char kDeleteCheckedQuestion[] = "Would you like to delete all checked recipients?";
// A press this close to the list's left edge is on the row's check box.
inline constexpr int kCheckBoxWidth = 16;

class TRecipientCommands {
 public:
  TRecipientCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui);

  // Tells whether a run is under way.
  std::function<bool()> Busy = [] { return false; };

  TFindDialog FindDialog1;

  void acRecipientAddExecute();
  void acRecipientEditExecute();
  void acRecipientDeleteExecute();
  void acRecipientDeleteSelectedExecute();
  void acCheckAllExecute();
  void acUnCheckAllExecute();
  void acInvertSelectionExecute();
  void acCheckExecute();
  void acFindExecute();
  void acFindNextExecute();

  // The view's events on the list. `row` is -1 when not on a row; `x` is the
  // press's distance from the list's left edge in pixels.
  void ListView1SelectItem(int row);
  void ListView1DblClick();
  void ListView1MouseDown(int row, int x);
  // The find dialog's find button: Find Next, whatever its enabled state.
  void FindDialog1Find() { acFindNextExecute(); }

 private:
  bool ValidRow(int row) const { return row >= 0 && static_cast<std::size_t>(row) < model_.Items.size(); }
  void Toggle(TListItem& item);
  // Sets every row's check state by `next`, under the hourglass.
  void SetAllStates(int32_t (*next)(int32_t));

  ProjectModel& model_;
  TMainWindow& window_;
  TMainFormUi& ui_;
};

}  // namespace norvane
