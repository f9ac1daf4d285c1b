#include "cli/attachment_paths.h"

#include <filesystem>
#include <stdexcept>

namespace norvane::cli {

namespace fs = std::filesystem;

std::string AttachmentPath(const std::string& file, const std::string& project) {
  std::error_code error;
  if (!fs::is_regular_file(file, error))
    throw std::invalid_argument(file + ": no such file to attach" +
                                (fs::is_directory(file, error) ? std::string(" (it is a folder)") : ""));
  fs::path absolute = fs::absolute(file, error).lexically_normal();
  fs::path folder = fs::absolute(project, error).lexically_normal().parent_path();
  fs::path relative = absolute.lexically_relative(folder);
  if (!relative.empty() && *relative.begin() != "..") return relative.string();
  return absolute.string();
}

}  // namespace norvane::cli
