#include "project/preview.h"

#include "project/merge.h"

namespace norvane {

std::vector<PreviewLine> PreviewLines(const ProjectModel& model, int row, std::string_view sender) {
  // Merged first so that a missing row fails before anything is built.
  const std::string body = MergedBody(model, row);
  std::vector<PreviewLine> lines;
  lines.push_back({"From: " + std::string(sender), true});
  lines.push_back({"To: " + MergeRecipient(model, row, model.To), true});
  lines.push_back({"Subject: " + MergeRecipient(model, row, model.Subject), true});
  lines.push_back({"", false});
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = body.find("\r\n", start);
    lines.push_back({body.substr(start, end - start), false});
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

std::string PreviewText(const ProjectModel& model, int row, std::string_view sender) {
  std::string text;
  for (const PreviewLine& line : PreviewLines(model, row, sender)) {
    text += line.Text;
    text += "\r\n";
  }
  return text;
}

}  // namespace norvane
