// Header text that mail programs show as written: values holding bytes above
// 0x7F become RFC 2047 encoded words in the charset the text really is in
// (Windows-1252), display names that RFC 5322 does not allow bare are quoted,
// attachment names that are not ASCII become RFC 2231 parameters, and long
// header lines are folded. ASCII values that need none of this come back
// byte for byte, so plain messages keep their exact form.
//
// All of it works on one header value at a time, never on the wire, and never
// produces a CR, LF or NUL except in the CR LF + blank of a fold.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

inline constexpr char kMimeCharset[] = "windows-1252";
// RFC 2047 section 2: no encoded word longer than 75 characters; RFC 5322
// section 2.1.1 asks for lines of at most 78, and we keep to 76 as MIME bodies do.
inline constexpr std::size_t kEncodedWordMax = 75;
inline constexpr std::size_t kFoldWidth = 76;

// An unstructured value (Subject): the words from the first to the last one
// that needs encoding (8-bit bytes, control characters, or "=?" that a reader
// would take for an encoded word) become encoded words; the words before and
// after stay as they are. Unchanged when no word needs it.
std::string EncodeUnstructured(std::string_view value);

// An address list (From, To): every mailbox "phrase <address>" gets its
// phrase as encoded words when it holds 8-bit bytes, or as a quoted string
// when it holds a character RFC 5322 allows only there (a comma, a dot, "@",
// ...). A part without "@" is taken as the start of a display name holding a
// comma ("Miller, Ann <ann@example.org>"), not as an address of its own.
// Addresses, comments and groups are left as they are; the value comes back
// unchanged when no phrase needs a change.
std::string EncodeAddressList(std::string_view value);

// One MIME parameter, "name=value" as it follows "; " or a folding tab: a
// quoted string for ASCII values (quotes and backslashes escaped, control
// characters dropped), else RFC 2231 "name*=windows-1252''%XX..." split into
// numbered sections "name*0*=...;\r\n\tname*1*=..." when one line would pass 76.
std::string MimeParameter(std::string_view name, std::string_view value);

// The value as an RFC 822 quoted string: quotes and backslashes escaped,
// control characters dropped (a CR or LF would end the header line).
std::string QuotedString(std::string_view value);

// Folds a header line longer than 76 characters at its blanks, writing
// CR LF before the blank; a line that already holds a line break, and a word
// that alone is longer, are left as they are.
std::string FoldHeaderLine(std::string_view line);

}  // namespace norvane
