#include "app/mailing_checks.h"

#include <sys/stat.h>

#include <algorithm>
#include <unordered_map>

#include "platform/codepage.h"
#include "project/merge.h"

namespace norvane {

namespace {

constexpr std::size_t kMaxTagLength = 64;

void CollectTags(const std::string& text, std::vector<std::string>& tags) {
  for (std::size_t open = text.find('<'); open != std::string::npos; open = text.find('<', open + 1)) {
    std::size_t close = text.find_first_of("<>\r\n@", open + 1);
    if (close == std::string::npos || text[close] != '>') continue;
    std::string_view inside(text.data() + open + 1, close - open - 1);
    if (inside.empty() || inside.size() > kMaxTagLength || inside.front() == ' ' || inside.back() == ' ' ||
        inside.front() == '/' || inside.front() == '!' || inside.front() == '?')
      continue;
    std::string tag = "<" + AnsiLowerCase(inside) + ">";
    if (std::find(tags.begin(), tags.end(), tag) == tags.end()) tags.push_back(std::move(tag));
  }
}

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::vector<DuplicateRow> FindDuplicateAddresses(const ProjectModel& model, std::size_t from,
                                                 bool checkedOnly) {
  std::vector<DuplicateRow> out;
  std::unordered_map<std::string, std::size_t> seen;
  for (std::size_t row = 0; row < model.Items.size(); ++row) {
    const TListItem& item = model.Items[row];
    if (checkedOnly && !item.Checked()) continue;
    std::string key = AnsiLowerCase(TrimText(item.Caption));
    if (key.empty()) continue;
    auto [found, inserted] = seen.emplace(std::move(key), row);
    if (!inserted && row >= from) out.push_back({row, found->second});
  }
  return out;
}

std::vector<std::string> MergeTagsUsed(const ProjectModel& model) {
  std::vector<std::string> tags;
  for (const std::string* text : {&model.To, &model.Subject, &model.Body}) CollectTags(*text, tags);
  return tags;
}

bool TagHasColumn(const ProjectModel& model, const std::string& tag) {
  if (tag == kEmailTag) return true;
  for (std::size_t k = 2; k < model.Columns.size(); ++k)
    if (FieldTag(model.Columns[k].Caption) == tag) return true;
  return false;
}

std::vector<std::size_t> MissingAttachments(const ProjectModel& model) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < model.Attachments.size(); ++i)
    if (!FileExists(model.Attachments[i].FullPath(model.FProjectFileName))) out.push_back(i);
  return out;
}

std::vector<std::string> SendWarnings(const ProjectModel& model) {
  std::vector<std::string> out;
  if (TrimText(model.Subject).empty()) out.push_back("The subject is empty.");
  if (TrimText(model.Body).empty()) out.push_back("The message body is empty.");
  for (const std::string& tag : MergeTagsUsed(model))
    if (!TagHasColumn(model, tag))
      out.push_back("The tag " + tag + " has no column: it would be sent as it is.");
  for (std::size_t i : MissingAttachments(model))
    out.push_back("The attachment " + model.Attachments[i].FullPath() + " does not exist.");
  for (const DuplicateRow& duplicate : FindDuplicateAddresses(model, 0, true))
    out.push_back(model.Items[duplicate.row].Caption + " would get the message twice (rows " +
                  std::to_string(duplicate.first + 1) + " and " + std::to_string(duplicate.row + 1) + ").");
  return out;
}

}  // namespace norvane
