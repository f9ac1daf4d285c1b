// Reading a message body from a text file, as the message import does: the
// bytes are taken as text in the ANSI code page, lines end at CR LF, a lone CR
// or a lone LF, and the text ends at the first NUL byte. The body's own line
// breaks are CR LF, so every line end becomes CR LF.
//
// The body editor holds at most kMemoCapacity bytes of text. The file is read
// in blocks and converted as it comes, so a huge file (or a device that never
// ends) is refused once the text passes the capacity instead of being held in
// memory whole; reading stops at the first NUL.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace norvane {

// 4 MiB of text, line breaks counted as two bytes: far beyond any message a
// person writes, and a body of that size already makes a message close to the
// 10 MB that common mail servers accept by default. It keeps the editor and
// every merged copy of the body quick.
inline constexpr std::size_t kMemoCapacity = std::size_t{4} << 20;

inline constexpr char kMemoCapacityMessage[] = "Text exceeds memo capacity";

// The text does not fit into the body editor.
class EMemoCapacityError : public std::runtime_error {
 public:
  EMemoCapacityError() : std::runtime_error(kMemoCapacityMessage) {}
};

// The file's text as a body; throws EInOutError "Cannot open file <path>"
// when it cannot be opened or read (a folder, a device, a pipe) and
// EMemoCapacityError when its text is longer than kMemoCapacity.
std::string ReadMessageFile(const std::string& path);

// The same conversion of bytes already in memory.
std::string MessageTextFromBytes(std::string_view bytes);

}  // namespace norvane
