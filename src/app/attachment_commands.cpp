#include "app/attachment_commands.h"

#include <sys/stat.h>

namespace norvane {

namespace {

bool IsExistingFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

TMenuEntry* EntryNamed(TMenu& menu, std::string_view name) {
  for (TMenuEntry& entry : menu)
    if (entry.Name == name) return &entry;
  return nullptr;
}

}  // namespace

TAttachmentCommands::TAttachmentCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui)
    : model_(model), window_(window), ui_(ui) {}

void TAttachmentCommands::AddAttachment(const std::string& fullPath) {
  TAttachmentItem item;
  std::size_t slash = fullPath.find_last_of('/');
  item.Caption = slash == std::string::npos ? fullPath : fullPath.substr(slash + 1);
  item.Directory = slash == std::string::npos ? "" : fullPath.substr(0, slash + 1);
  item.ImageIndex = FileIconIndex(fullPath);
  model_.Attachments.push_back(std::move(item));
  model_.FModified = true;
}

void TAttachmentCommands::RefreshAttachmentIcons() {
  for (TAttachmentItem& item : model_.Attachments)
    item.ImageIndex = FileIconIndex(item.FullPath(model_.FProjectFileName));
}

void TAttachmentCommands::DeleteSelectedAttachments() {
  auto& rows = model_.Attachments;
  // From the end, so that the positions still to remove stay valid.
  for (auto it = window_.AttachmentsSelected.rbegin(); it != window_.AttachmentsSelected.rend(); ++it)
    if (*it >= 0 && static_cast<std::size_t>(*it) < rows.size()) rows.erase(rows.begin() + *it);
  window_.AttachmentsSelected.clear();
  model_.FModified = true;
}

void TAttachmentCommands::acInsertAttachmentExecute() {
  window_.InsertAttachDialog.FileName.clear();
  for (const std::string& file : ui_.ExecuteOpenFilesDialog(window_.InsertAttachDialog)) AddAttachment(file);
}

void TAttachmentCommands::WMDROPFILES(const std::vector<std::string>& paths) {
  if (!window_.AcceptFiles) return;
  for (const std::string& path : paths)
    if (IsExistingFile(path)) AddAttachment(path);
  model_.FModified = true;
}

void TAttachmentCommands::lvAttachmentsKeyDown(TKey key) {
  if (key == TKey::kDelete && !Busy()) DeleteSelectedAttachments();
}

void TAttachmentCommands::AttachMenuPopup() {
  TMenu& menu = window_.Menus.AttachMenu;
  if (TMenuEntry* del = EntryNamed(menu, "Delete3")) del->Enabled = !window_.AttachmentsSelected.empty();
  const int current = static_cast<int>(model_.AttachmentViewStyle);
  for (const char* name : {"Icon1", "SmallIcon1", "List1", "Report1"})
    if (TMenuEntry* entry = EntryNamed(menu, name)) entry->Checked = entry->Tag == current;
}

void TAttachmentCommands::SmallIcon1Click(int tag) {
  switch (tag) {
    case kTagIcon:
      model_.AttachmentViewStyle = TViewStyle::vsIcon;
      break;
    case kTagSmallIcon:
      model_.AttachmentViewStyle = TViewStyle::vsSmallIcon;
      break;
    case kTagList:
      model_.AttachmentViewStyle = TViewStyle::vsList;
      break;
    case kTagReport:
      model_.AttachmentViewStyle = TViewStyle::vsReport;
      break;
    default:
      break;
  }
}

}  // namespace norvane
