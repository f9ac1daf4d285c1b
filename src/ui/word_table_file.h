// A window's word table as a data file: the design of its MultiLang1, in
// Windows-1252 bytes, lines ending in LF or CR LF.
//
//   ; a comment (only where a section line or, in [Words], a marker may stand)
//   [Properties]
//   Languages=2                    1 to 255
//   ActiveLanguage=1               the language the window was designed in
//   DefaultLanguage=0
//   DefaultEnabled=false           true or false
//   SwitchPositions=spControlsOnly spNone, spControlsOnly or spFormAndControls
//   [Words]
//   btBack                         a marker: a component name, %Form%, " or ".Hint
//   < &Back                        then exactly Languages text lines, taken as
//   < &Zurück                      they are (empty, blanks, "[" or ";" included)
//   [DoNot]
//   %Form%
//   [Positions]
//   btnext,324.280.75.23,324.280.75.23
//   [CharSets]
//   MS Sans Serif,1
//
// Blank lines and comments may stand between entries. Every section is
// optional; [Properties], when present, comes first. A file that
// breaks these rules is refused with its name and line.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "ui/base_multi_lang.h"

namespace norvane {

class TWordTableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Larger files are refused before they are read.
inline constexpr std::size_t kMaxWordTableBytes = 1 << 20;

// `source` names the file in error messages.
TMultiLangDesign ParseWordTable(std::string_view bytes, std::string_view source);

// Reads and parses the file; TWordTableError when it cannot be read.
TMultiLangDesign ReadWordTableFile(const std::string& path);

}  // namespace norvane
