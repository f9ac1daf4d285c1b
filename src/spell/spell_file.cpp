#include "spell/spell_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/path_names.h"
#include "spell/spell_error.h"

namespace norvane {

std::string ReadSpellFile(const std::string& path, std::size_t limit, const char* what, bool* exists) {
  if (exists) *exists = false;
  std::error_code error;
  auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return {};
  if (error)
    throw SpellError(std::string("The ") + what + " " + path +
                     " cannot be read: " + SystemReason(error.value()));
  if (status.type() != std::filesystem::file_type::regular)
    throw SpellError(std::string("The ") + what + " " + path + " is not a file");
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw SpellError(std::string("The ") + what + " " + path + " cannot be read: " + SystemReason(errno));
  if (exists) *exists = true;
  std::string content(limit + 1, '\0');
  file.read(content.data(), static_cast<std::streamsize>(content.size()));
  if (file.bad()) throw SpellError(std::string("The ") + what + " " + path + " cannot be read");
  content.resize(static_cast<std::size_t>(file.gcount()));
  if (content.size() > limit)
    throw SpellError(std::string("The ") + what + " " + path + " is larger than " +
                     std::to_string(limit / 1024) + " KB");
  return content;
}

void SaveSpellFile(const std::string& path, std::string_view content) {
  try {
    std::error_code ignored;
    std::filesystem::create_directories(FolderOf(path), ignored);
    WriteFileAtomically(path, content);
  } catch (const AtomicFileError& error) {
    throw SpellError(error.what());
  }
}

}  // namespace norvane
