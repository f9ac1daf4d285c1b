#include "spell/spell_config.h"

#include <algorithm>

#include "platform/codepage.h"
#include "spell/spell_error.h"
#include "spell/spell_file.h"

namespace norvane {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

}  // namespace

TSpellConfig ParseSpellConfig(std::string_view text) {
  TSpellConfig config;
  ForEachLine(text, [&](std::string_view line) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[') return;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    std::string_view name = Trim(line.substr(0, equals));
    std::string_view value = Trim(line.substr(equals + 1));
    if (HasControl(value)) return;
    if (AnsiEqualsIgnoreCase(name, "Dictionary")) config.Dictionary = value;
    if (AnsiEqualsIgnoreCase(name, "UserDictionary")) config.UserDictionary = value;
  });
  return config;
}

std::string FormatSpellConfig(const TSpellConfig& config) {
  return "; Norvane spell checker\nDictionary=" + config.Dictionary +
         "\nUserDictionary=" + config.UserDictionary + "\n";
}

TSpellConfig LoadSpellConfig(const std::string& path) {
  return ParseSpellConfig(ReadSpellFile(path, kMaxSpellConfigBytes, "spell checker configuration"));
}

void SaveSpellConfig(const std::string& path, const TSpellConfig& config) {
  if (HasControl(config.Dictionary) || HasControl(config.UserDictionary))
    throw SpellError("The spell checker configuration cannot hold line breaks or control characters");
  SaveSpellFile(path, FormatSpellConfig(config));
}

}  // namespace norvane
