// The two single-byte code pages Norvane's text lives in, and the only places
// where text changes encoding. Text is bytes in the ANSI code page
// (Windows-1252) everywhere inside the system; the GUI and the terminal convert
// at their edge with AnsiToUtf8 / Utf8ToAnsi, and dBase tables written in the
// OEM code page (437) are brought to ANSI with OemToAnsiInPlace when read.
// Letter case follows the ANSI code page, one byte for one byte, so a
// converted copy keeps every character at its position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace norvane {

// U+FFFD for the five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D); every other byte maps to exactly one code point.
const std::array<char32_t, 256>& AnsiToUnicodeTable();

// Every defined byte comes back unchanged through Utf8ToAnsi(AnsiToUtf8(x)).
std::string AnsiToUtf8(std::string_view ansi);
// Characters 1252 lacks and malformed UTF-8 (one "?" per maximal ill-formed
// subsequence) become "?"; the result never holds more bytes than the input.
std::string Utf8ToAnsi(std::string_view utf8);

// The OEM-to-ANSI conversion of a byte buffer: ASCII stays, letters and signs
// 1252 also has keep their meaning, the rest (box drawing, Greek, mathematical
// signs) becomes the nearest look-alike or "?".
const std::array<uint8_t, 256>& OemToAnsiTable();
void OemToAnsiInPlace(char* data, std::size_t size);
inline void OemToAnsiInPlace(std::string& text) {
  OemToAnsiInPlace(text.data(), text.size());
}

// The ANSI single-byte case conversions (A-Z, the accented Latin letters,
// Š Œ Ž Ÿ); ß, µ and ƒ have no single-byte partner and stay.
const std::array<uint8_t, 256>& AnsiLowerTable();
const std::array<uint8_t, 256>& AnsiUpperTable();
inline char AnsiLower(char c) {
  return static_cast<char>(AnsiLowerTable()[static_cast<uint8_t>(c)]);
}
inline char AnsiUpper(char c) {
  return static_cast<char>(AnsiUpperTable()[static_cast<uint8_t>(c)]);
}
std::string AnsiLowerCase(std::string_view text);
// The text without leading and trailing blanks and control characters (every byte up to " ").
std::string TrimText(std::string_view text);
std::string AnsiUpperCase(std::string_view text);
// Equal but for letter case, by the table above; no copy is made.
bool AnsiEqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace norvane
