// Text from project files, imported data and servers on its way to a
// terminal: control characters (C0, DEL and the C1 range, which terminals
// read as escape sequences) are shown escaped ("\x1b", "\u009b"), so no byte
// of a recipient's data or a server's reply can move the cursor, retitle the
// window or do worse.
#pragma once

#include <string>
#include <string_view>

namespace norvane::cli {

// `utf8` with its control characters escaped; with `keepLayout` tabs and line
// feeds stay as they are (multi-line messages, a body shown as text).
std::string EscapeControls(std::string_view utf8, bool keepLayout = false);

// Windows-1252 text converted to UTF-8 and escaped.
std::string ForTerminal(std::string_view ansi, bool keepLayout = false);

// "1 recipient", "3 recipients"; `plural` when adding "s" will not do.
std::string CountOf(std::size_t count, std::string_view singular, std::string_view plural = {});

}  // namespace norvane::cli
