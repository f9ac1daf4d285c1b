// Text that comes into a project from the command line: arguments typed on
// a UTF-8 terminal and files people write today in UTF-8 (or still in
// Windows-1252). Everything ends in the project's Windows-1252; a character
// without a Windows-1252 form is refused with its place, or stored as "?"
// when the person asked for that.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "import/message_file.h"

namespace norvane::cli {

// Enough for a body at the editor's capacity in UTF-8 (three bytes per
// character of Windows-1252 at most) and a byte-order mark.
inline constexpr std::size_t kBodyInputLimit = 3 * kMemoCapacity + 3;

// The body option's file read and converted; throws with the terminal's words.
std::string ReadBody(const std::string& file, bool replaceUnmappable);

// A file's bytes, or standard input's for "-"; more than `limit` bytes are
// refused, so a device that never ends cannot fill the memory. Throws
// std::runtime_error naming the file and the system's reason.
std::string ReadInput(const std::string& path, std::size_t limit);

// An argument typed on the terminal (`what` names it in errors: "--subject").
std::string AnsiFromArgument(std::string_view utf8, const std::string& what, bool replaceUnmappable = false);

// A file's text: UTF-8 (a byte-order mark, or well-formed UTF-8 with non-ASCII
// characters) converted, anything else taken as Windows-1252 as it is.
// `converted` tells which it was.
std::string AnsiFromFile(std::string_view bytes, const std::string& name, bool replaceUnmappable,
                         bool* converted = nullptr);

}  // namespace norvane::cli
