#include "platform/utf8_input.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <unordered_map>

#include "platform/codepage.h"

namespace norvane {

namespace {

// The Windows-1252 byte of every code point that has one.
const std::unordered_map<char32_t, char>& AnsiOfCodePoint() {
  static const std::unordered_map<char32_t, char> map = [] {
    std::unordered_map<char32_t, char> m;
    const auto& table = AnsiToUnicodeTable();
    for (int b = 0; b < 256; ++b)
      if (table[b] != 0xFFFD) m.emplace(table[b], static_cast<char>(b));
    return m;
  }();
  return map;
}

// Decodes one well-formed UTF-8 sequence at `at` (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF); its length, 0 when malformed.
std::size_t Decode(std::string_view text, std::size_t at, char32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t first = byte(at);
  if (first < 0x80) {
    code = first;
    return 1;
  }
  std::size_t length;
  char32_t min;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2, min = 0x80, code = first & 0x1F;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, min = 0x800, code = first & 0x0F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, min = 0x10000, code = first & 0x07;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    uint8_t next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

bool LooksLikeUtf8(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return true;
  bool nonAscii = false;
  for (std::size_t at = 0; at < bytes.size();) {
    char32_t code;
    std::size_t length = Decode(bytes, at, code);
    if (length == 0) return false;
    nonAscii = nonAscii || length > 1;
    at += length;
  }
  return nonAscii;
}

Utf8Conversion ConvertUtf8ToAnsi(std::string_view utf8) {
  Utf8Conversion out;
  out.text.reserve(utf8.size());
  const auto& ansi = AnsiOfCodePoint();
  std::size_t at = utf8.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
  std::size_t line = 1, column = 1;
  while (at < utf8.size()) {
    char32_t code;
    std::size_t length = Decode(utf8, at, code);
    if (length == 0) {
      code = kMalformedUtf8;
      length = 1;
    }
    if (code < 0x80) {
      out.text += static_cast<char>(code);
    } else if (auto found = ansi.find(code); found != ansi.end() && code != kMalformedUtf8) {
      out.text += found->second;
    } else {
      out.text += '?';
      if (out.unmappable.size() < kMaxListedUnmappable) out.unmappable.push_back({line, column, code});
      ++out.unmappableCount;
    }
    at += length;
    bool lineEnd = code == '\n' || (code == '\r' && (at >= utf8.size() || utf8[at] != '\n'));
    if (lineEnd) {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return out;
}

std::string DescribeUnmappable(const UnmappableChar& entry, bool withLine) {
  char text[96];
  std::string where = withLine ? "line " + std::to_string(entry.line) + ", " : "";
  where += "column " + std::to_string(entry.column) + ": ";
  if (entry.code == kMalformedUtf8) return where + "a byte that is not UTF-8";
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(entry.code));
  return where + text + " has no Windows-1252 form";
}

}  // namespace norvane
