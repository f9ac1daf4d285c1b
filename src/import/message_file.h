// Reading a message body from a text file, as the message import does: the
// bytes are taken as text in the ANSI code page, lines end at CR LF, a lone CR
// or a lone LF, and the text ends at the first NUL byte. The body's own line
// breaks are CR LF, so every line end becomes CR LF.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

// The file's text as a body; throws EInOutError "Cannot open file <path>"
// when it cannot be opened or read.
std::string ReadMessageFile(const std::string& path);

// The same conversion of bytes already in memory.
std::string MessageTextFromBytes(std::string_view bytes);

}  // namespace norvane
