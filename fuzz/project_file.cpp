// Feeds arbitrary bytes to the project file reader: any input must end in a
// model or a ProjectFileError, never a crash, a hang or an allocation sized
// by a stored length that the input does not back. Every error says where the
// bytes are damaged: an offset inside the input.
#include "project/project_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  norvane::ProjectModel model;
  try {
    norvane::ReadProjectStream(std::string_view(reinterpret_cast<const char*>(data), size), model);
    // What was read must be writable again.
    norvane::WriteProjectStream(model);
  } catch (const norvane::ProjectFileError& error) {
    std::string_view message = error.what();
    if (!StartsWith(message, "Invalid stream format at offset ") &&
        !StartsWith(message, "Stream read error at offset ") && !StartsWith(message, "Error reading "))
      __builtin_trap();
    // Names from the file come after the offset, or before it in "Error reading ...".
    bool named = StartsWith(message, "Error reading ");
    std::size_t at = named ? message.rfind(" at offset ") : message.find(" at offset ");
    if (at == std::string_view::npos) __builtin_trap();
    unsigned long long offset = std::strtoull(message.data() + at + 11, nullptr, 10);
    if (offset > size) __builtin_trap();
  }
  return 0;
}
