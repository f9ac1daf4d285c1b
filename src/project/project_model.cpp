#include "project/project_model.h"

#include <filesystem>
#include <system_error>

namespace norvane {

namespace {
const std::string kEmpty;
}

const std::string& TListItem::SubItem(std::size_t index) const {
  return index < SubItems.size() ? SubItems[index] : kEmpty;
}

std::string TAttachmentItem::FullPath(std::string_view projectFileName) const {
  std::string stored = FullPath();
  if (stored.starts_with('/')) return stored;
  std::size_t slash = projectFileName.find_last_of('/');
  if (slash == std::string_view::npos) return stored;  // the project's folder is the current one
  std::string besideProject = std::string(projectFileName.substr(0, slash + 1)) + stored;
  std::error_code error;
  return std::filesystem::exists(besideProject, error) ? besideProject : stored;
}

void TListItem::SetSubItem(std::size_t index, std::string value) {
  if (SubItems.size() <= index) SubItems.resize(index + 1);
  SubItems[index] = std::move(value);
}

ProjectModel::ProjectModel() {
  ResetColumns();
}

void ProjectModel::SetTo(std::string text) {
  if (text == To) return;
  To = std::move(text);
  FModified = true;
}

void ProjectModel::SetSubject(std::string text) {
  if (text == Subject) return;
  Subject = std::move(text);
  FModified = true;
}

void ProjectModel::SetBody(std::string text) {
  if (text == Body) return;
  Body = std::move(text);
  FModified = true;
}

void ProjectModel::ResetColumns() {
  Columns.clear();
  AddColumn("Email", 120);
  AddColumn("Result", 290);
}

int ProjectModel::AddColumn(std::string caption, int32_t width) {
  Columns.push_back({std::move(caption), width});
  return static_cast<int>(Columns.size()) - 1;
}

void ProjectModel::NewProject() {
  Items.clear();
  ResetColumns();
  Attachments.clear();
  SetSubject("");
  SetBody("");
  SetTo(kDefaultToLine);
  FModified = false;
  FProjectFileName.clear();
}

std::string ProjectModel::TitleText() const {
  std::string name = "New Project";
  if (!FProjectFileName.empty()) {
    auto slash = FProjectFileName.find_last_of('/');
    name = slash == std::string::npos ? FProjectFileName : FProjectFileName.substr(slash + 1);
  }
  return std::string(kProductName) + " - [" + name + "]  ";
}

}  // namespace norvane
