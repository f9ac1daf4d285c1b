// The spell checker's own configuration: the chosen dictionary and the user
// dictionary, kept in a file of its own ("norvane.dci" in the settings
// folder) so that the Options dialog's Cancel never undoes it.
//
// The file is text, one "Name=Value" line per setting:
//   Dictionary=en_US
//   UserDictionary=/home/me/.config/Kalvento/norvane-words.txt
// Names are compared without regard to case; blank lines, lines starting
// with ";" or "#", section lines ("[...]"), lines without "=", unknown names
// and values holding control characters are passed over, so a damaged file
// gives the defaults for what it lost and never stops the program.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

// Files larger than this are refused as not ours.
inline constexpr std::size_t kMaxSpellConfigBytes = 64 * 1024;

struct TSpellConfig {
  std::string Dictionary;      // a dictionary code; empty: the first language
  std::string UserDictionary;  // a path; empty: the default one in the settings folder
  bool operator==(const TSpellConfig&) const = default;
};

TSpellConfig ParseSpellConfig(std::string_view text);
std::string FormatSpellConfig(const TSpellConfig& config);

// A missing file gives the defaults. Throws SpellError when the file cannot
// be read or is too large.
TSpellConfig LoadSpellConfig(const std::string& path);
// Saves atomically, creating the folder when missing; throws SpellError.
void SaveSpellConfig(const std::string& path, const TSpellConfig& config);

}  // namespace norvane
