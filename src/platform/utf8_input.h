// Text that arrives from outside in UTF-8 (terminal arguments, people's
// recipient files and message files today) on its way into the project's
// Windows-1252. Unlike Utf8ToAnsi, which quietly writes "?", this conversion
// says where every character without a Windows-1252 form stands, so a command
// can refuse the text and name the line and column to mend.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A character the conversion could not keep; `code` is its code point, or
// kMalformedUtf8 for bytes that are no UTF-8 at all.
struct UnmappableChar {
  std::size_t line = 1;    // from 1; lines end at LF, CR LF or a lone CR
  std::size_t column = 1;  // from 1, in characters
  char32_t code = 0;
};

inline constexpr char32_t kMalformedUtf8 = 0xFFFFFFFF;

struct Utf8Conversion {
  std::string text;  // Windows-1252, "?" for each unmappable character, no byte-order mark
  // The first kMaxListedUnmappable of them; `unmappableCount` counts them all.
  std::vector<UnmappableChar> unmappable;
  std::size_t unmappableCount = 0;
};

// Enough to find and mend them; a file with thousands is listed by its first ones.
inline constexpr std::size_t kMaxListedUnmappable = 20;

// A byte-order mark, or well-formed UTF-8 holding at least one non-ASCII
// character: ASCII alone reads the same either way, and Windows-1252 text
// with accented letters is almost never well-formed UTF-8.
bool LooksLikeUtf8(std::string_view bytes);

// The text in Windows-1252; a leading byte-order mark is dropped.
Utf8Conversion ConvertUtf8ToAnsi(std::string_view utf8);

// "line 3, column 7: U+4E2D" for one entry (column alone when the text is one line).
std::string DescribeUnmappable(const UnmappableChar& entry, bool withLine = true);

}  // namespace norvane
