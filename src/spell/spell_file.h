// Reading and saving the spell checker's small text files (configuration,
// user dictionary) with a size limit, so that a path pointing at something
// huge or endless is refused instead of read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvane {

// The file's bytes; empty with `exists` false when there is no file. Throws
// SpellError, naming `what` and the path, when it cannot be read or holds
// more than `limit` bytes.
std::string ReadSpellFile(const std::string& path, std::size_t limit, const char* what,
                          bool* exists = nullptr);

// Saves atomically (temporary file and rename), creating missing folders.
// Throws SpellError naming the path and the reason.
void SaveSpellFile(const std::string& path, std::string_view content);

// The lines of a text file: split at LF, a CR before it dropped.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    visit(line);
    start = end + 1;
  }
}

}  // namespace norvane
