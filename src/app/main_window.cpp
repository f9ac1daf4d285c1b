#include "app/main_window.h"

#include <algorithm>

#include "project/merge.h"

namespace norvane {

namespace {

constexpr char kProjectFilter[] = "Norvane Projects|*.nvp";

std::vector<std::string> FileMenuCaptions() {
  return {"&New",       "&Open...",
          "&Save",      "Save &As...",
          "-",          "I&mport Message...",
          "-",          "&Preview...",
          "-",          "S&end",
          "S&top",      "-",
          "&Recipient", "&Import Recipient List...",
          "-",          "E&xit"};
}

}  // namespace

TMenuItems::TMenuItems(std::vector<std::string> captions) {
  for (auto& caption : captions) items_.push_back({-1, std::move(caption)});
}

void TMenuItems::InsertItem(int position, int id, const std::string& caption) {
  position = std::clamp(position, 0, ItemCount());
  items_.insert(items_.begin() + position, {id, caption});
}

void TMenuItems::RemoveItem(int id) {
  std::erase_if(items_, [id](const Item& item) { return item.Id == id; });
}

std::vector<std::string> TMenuItems::Captions() const {
  std::vector<std::string> captions;
  for (const auto& item : items_) captions.push_back(item.Caption);
  return captions;
}

TMainWindow::TMainWindow() : File1(FileMenuCaptions()) {
  OpenProjectDlg = {kProductName, kProjectFilter, "nvp", "", true, false};
  SaveProjectDlg = {kProductName, kProjectFilter, "nvp", "", false, true};
  InsertAttachDialog = {"Insert Attachment", "All files (*.*)|*.*", "", "", true, false};
  ImportMessageDialog = {
      "Import Message", "Text files (*.txt)|*.txt|All files (*.*)|*.*", "txt", "", true, false};
}

void TMainWindow::EnableEditing(bool on) {
  for (TAction* action : Actions.All()) {
    switch (action->Rule) {
      case TEnableRule::kIdle:
        action->Enabled = on;
        break;
      case TEnableRule::kRunning:
        action->Enabled = !on;
        break;
      case TEnableRule::kRowSelectedIdle:
        action->Enabled = on && Selected >= 0;
        break;
      case TEnableRule::kOwn:
      case TEnableRule::kRowSelected:
        break;
    }
  }
  edToEnabled = edSubjectEnabled = Memo1Enabled = on;
}

void TMainWindow::ListView1SelectItem(int row, bool running) {
  Selected = row;
  bool selected = row >= 0;
  for (TAction* action : Actions.All()) {
    if (action->Rule == TEnableRule::kRowSelected) action->Enabled = selected;
    if (action->Rule == TEnableRule::kRowSelectedIdle) action->Enabled = selected && !running;
  }
}

void TMainWindow::BuildFieldMenu(const ProjectModel& model) {
  FieldMenu = {kEmailTag};
  for (std::size_t k = 2; k < model.Columns.size(); ++k)
    FieldMenu.push_back(FieldTag(model.Columns[k].Caption));
  // The view may not tell us when the Insert menu opens; it never shows stale tags.
  Insert1Click();
}

}  // namespace norvane
