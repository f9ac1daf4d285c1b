// The folder and the last name of a path, as the file helpers that write
// beside a file (temporary files, the run journal, the folder check) need.
#pragma once

#include <string>

namespace norvane {

// "a/b/c.nvp" -> "a/b", "c.nvp" -> ".", "/c.nvp" -> "/".
inline std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// "a/b/c.nvp" -> "c.nvp".
inline std::string BaseNameOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace norvane
