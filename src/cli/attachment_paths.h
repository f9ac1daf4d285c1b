// Files attached from the command line: checked before anything changes,
// and stored as the window stores a file chosen in its dialog, except that a
// file in the project's own folder (or below it) is stored relative to it,
// so the folder can move with its project.
#pragma once

#include <string>

namespace norvane::cli {

// The path to store for `file` in the project `project`; throws
// std::invalid_argument when it is not an existing file.
std::string AttachmentPath(const std::string& file, const std::string& project);

}  // namespace norvane::cli
