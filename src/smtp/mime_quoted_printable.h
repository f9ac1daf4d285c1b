// Quoted-printable (RFC 2045 section 6.7) for body text going to a server
// that did not announce 8BITMIME: every line of the text becomes one or more
// lines of at most 76 characters, bytes above 0x7E and control characters as
// "=XX", "=" itself as "=3D", a blank or tab at the end of a line as "=20" or
// "=09" (servers may strip trailing blanks), and a long line continued after a
// soft line break ("=" at the end).
#pragma once

#include <deque>
#include <string>
#include <string_view>

namespace norvane {

inline constexpr std::size_t kQuotedPrintableWidth = 76;

// Appends the encoded lines of `line` (which holds no line break) to `out`;
// an empty line gives one empty line.
void AppendQuotedPrintable(std::string_view line, std::deque<std::string>& out);

}  // namespace norvane
