// Feeds arbitrary bytes to the project file reader: any input must end in a
// model or a ProjectFileError, never a crash, a hang or an allocation sized
// by a stored length that the input does not back.
#include "project/project_file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  norvane::ProjectModel model;
  try {
    norvane::ReadProjectStream(std::string_view(reinterpret_cast<const char*>(data), size), model);
    // What was read must be writable again.
    norvane::WriteProjectStream(model);
  } catch (const norvane::ProjectFileError&) {
  }
  return 0;
}
