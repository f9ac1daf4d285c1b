#include "app/about_box.h"

#include <cstddef>

namespace norvane {

namespace {

// The decimal number of `text` at `pos`, which moves past it; false (and
// `pos` unmoved) when no digit stands there or the number exceeds 32 bits.
bool ReadNumber(std::string_view text, std::size_t& pos, uint32_t& value) {
  std::size_t end = pos;
  uint64_t number = 0;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
    number = number * 10 + static_cast<uint64_t>(text[end] - '0');
    if (number > UINT32_MAX) return false;
    ++end;
  }
  if (end == pos) return false;
  value = static_cast<uint32_t>(number);
  pos = end;
  return true;
}

std::string Grouped(uint64_t value, char separator) {
  std::string digits = std::to_string(value);
  if (separator == '\0') return digits;
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

}  // namespace

std::string VersionLine(std::string_view version) {
  std::string line = "Version ";
  if (version.empty()) return line;
  // A file version has four 16-bit parts; a part that does not fit says the
  // build's version is not one, and it is shown as it is.
  uint32_t parts[4] = {0, 0, 0, 0};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (!ReadNumber(version, pos, parts[i]) || parts[i] > 0xFFFF) return line + std::string(version);
    if (pos == version.size()) break;
    if (version[pos] != '.' || i == 3) return line + std::string(version);
    ++pos;
  }
  return line + std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) +
         "." + std::to_string(parts[3]);
}

std::string SystemLine(std::string_view name, std::string_view release) {
  std::string line(name);
  std::size_t pos = 0;
  uint32_t major = 0, minor = 0, build = 0;
  if (!ReadNumber(release, pos, major)) return line;
  // A part is taken with the dot before it, or not at all.
  auto readPart = [&](uint32_t& part) {
    std::size_t next = pos + 1;
    if (pos >= release.size() || release[pos] != '.' || !ReadNumber(release, next, part)) return false;
    pos = next;
    return true;
  };
  readPart(minor);
  line += " " + std::to_string(major) + "." + std::to_string(minor);
  if (!readPart(build)) return line;
  line += " (Build " + std::to_string(build);
  // What follows the numbers ("-18-amd64", "+", "-rc3") is the system's own
  // note, as a service pack text was.
  std::string_view note = release.substr(pos);
  while (!note.empty() &&
         (note.front() == '-' || note.front() == '.' || note.front() == '+' || note.front() == '_'))
    note.remove_prefix(1);
  if (!note.empty()) line += ": " + std::string(note);
  return line + ")";
}

std::string MemoryLine(std::string_view name, uint64_t bytes, char thousandSeparator) {
  return "Memory Available to " + std::string(name) + ": " + Grouped(bytes / 1024, thousandSeparator) + " Kb";
}

TAboutBox::TAboutBox(std::string_view version, const SystemInfo& info, char thousandSeparator)
    : Version(VersionLine(version)),
      OSVersion(SystemLine(info.Name, info.Release)),
      PhysMem(MemoryLine(info.Name, info.PhysicalMemoryBytes, thousandSeparator)) {
  Caption = "About Norvane";
}

}  // namespace norvane
