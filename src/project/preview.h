// What the preview window shows for one recipient row: three bold header
// lines, an empty line, then the merged and wrapped body line by line,
// exactly as the lines will be sent. The window itself only displays this.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "project/project_model.h"

namespace norvane {

struct PreviewLine {
  std::string Text;
  bool Bold = false;

  bool operator==(const PreviewLine&) const = default;
};

// "From: " + the sender setting as stored (never merged), "To: " + the merged
// To line, "Subject: " + the merged subject, "", then the body lines (split
// at CR LF only; a bare CR or LF stays inside its line). Throws
// std::out_of_range for a row that does not exist.
std::vector<PreviewLine> PreviewLines(const ProjectModel& model, int row, std::string_view sender);

// The same lines, each ended by CR LF.
std::string PreviewText(const ProjectModel& model, int row, std::string_view sender);

}  // namespace norvane
