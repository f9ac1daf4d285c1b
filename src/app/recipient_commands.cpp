#include "app/recipient_commands.h"

#include <stdexcept>

#include "app/form_properties.h"
#include "app/hour_glass.h"

namespace norvane {

TRecipientCommands::TRecipientCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui)
    : model_(model), window_(window), ui_(ui) {}

void TRecipientCommands::ListView1SelectItem(int row) {
  window_.ListView1SelectItem(ValidRow(row) ? row : -1, Busy());
}

void TRecipientCommands::acRecipientAddExecute() {
  TFormProperties form(ui_);
  form.Caption = "New Recipient";
  form.PrepareGrid(model_.Columns);
  ui_.ShowModal(form);
  if (form.ModalResult == TModalFormResult::mrOk) {
    TListItem item;
    item.StateIndex = 1;
    item.ImageIndex = kImageNone;
    item.SubItems.assign(model_.Columns.size() - 1, "");
    form.StoreGrid(item);
    int row = ValidRow(window_.Selected) ? window_.Selected : static_cast<int>(model_.Items.size());
    model_.Items.insert(model_.Items.begin() + row, std::move(item));
    window_.ListView1SelectItem(row, Busy());
  }
  model_.FModified = true;
}

void TRecipientCommands::acRecipientEditExecute() {
  const int row = window_.Selected;
  if (!ValidRow(row)) return;
  TFormProperties form(ui_);
  form.Caption = "Properties";
  form.PrepareGrid(model_.Columns);
  form.LoadGrid(model_.Items[row]);
  ui_.ShowModal(form);
  // The dialog cannot change the list, but a view might have let events run.
  if (form.ModalResult == TModalFormResult::mrOk && ValidRow(row)) form.StoreGrid(model_.Items[row]);
  model_.FModified = true;
}

void TRecipientCommands::acRecipientDeleteExecute() {
  const int row = window_.Selected;
  if (!ValidRow(row)) return;
  if (!ui_.ConfirmYesNo(kDeleteRecipientQuestion)) return;
  model_.Items.erase(model_.Items.begin() + row);
  window_.ListView1SelectItem(-1, Busy());
  model_.FModified = true;
}

void TRecipientCommands::acRecipientDeleteSelectedExecute() {
  if (!ui_.ConfirmYesNo(kDeleteCheckedQuestion)) return;
  HourGlass pointer(ui_);
  auto& items = model_.Items;
  // The selection follows its row, or goes with it.
  const int selectedBefore = window_.Selected;
  int selected = selectedBefore;
  // After a removal the next row has moved into this position, so it is
  // examined before the scan moves on.
  int original = 0;
  for (std::size_t i = 0; i < items.size(); ++original) {
    if (!items[i].Checked()) {
      ++i;
      continue;
    }
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
    if (original == selectedBefore)
      selected = -1;
    else if (original < selectedBefore)
      --selected;
  }
  window_.ListView1SelectItem(selected, Busy());
  model_.FModified = true;
}

void TRecipientCommands::SetAllStates(int32_t (*next)(int32_t)) {
  HourGlass pointer(ui_);
  for (TListItem& item : model_.Items) item.StateIndex = next(item.StateIndex);
  model_.FModified = true;
}

void TRecipientCommands::acCheckAllExecute() {
  SetAllStates([](int32_t) -> int32_t { return 1; });
}

void TRecipientCommands::acUnCheckAllExecute() {
  SetAllStates([](int32_t) -> int32_t { return 0; });
}

void TRecipientCommands::acInvertSelectionExecute() {
  // Every state but 1 counts as unchecked, -1 (no box) included.
  SetAllStates([](int32_t state) -> int32_t { return state == 1 ? 0 : 1; });
}

void TRecipientCommands::Toggle(TListItem& item) {
  item.StateIndex = item.StateIndex == 1 ? 0 : 1;
  model_.FModified = true;
}

void TRecipientCommands::acCheckExecute() {
  if (ValidRow(window_.Selected)) Toggle(model_.Items[window_.Selected]);
}

void TRecipientCommands::ListView1DblClick() {
  if (window_.Actions.acRecipientEdit.Enabled) acRecipientEditExecute();
}

void TRecipientCommands::ListView1MouseDown(int row, int x) {
  if (ValidRow(row) && x < kCheckBoxWidth) Toggle(model_.Items[row]);
}

void TRecipientCommands::acFindExecute() {
  ui_.ShowFindDialog(FindDialog1);
}

void TRecipientCommands::acFindNextExecute() {
  const std::string text = FindDialog1.FindText;
  if (text.empty()) {
    acFindExecute();
    return;
  }
  int selected = ValidRow(window_.Selected) ? window_.Selected : -1;
  int row = FindRecipient(model_, selected, text, FindDialog1.Down, FindDialog1.MatchCase);
  if (row < 0) throw std::runtime_error("Not found '" + text + "'");
  window_.ListView1SelectItem(row, Busy());
  window_.MakeVisible(row);
}

}  // namespace norvane
