#include "cli/terminal_text.h"

#include <cstdio>

#include "platform/codepage.h"

namespace norvane::cli {

std::string EscapeControls(std::string_view utf8, bool keepLayout) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char text[8];
    if ((c < 0x20 && !(keepLayout && (c == '\t' || c == '\n'))) || c == 0x7f) {
      std::snprintf(text, sizeof text, "\\x%02x", c);
      out += text;
    } else if (c == 0xc2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9f) {
      std::snprintf(text, sizeof text, "\\u%04x", static_cast<unsigned char>(utf8[i + 1]));
      out += text;
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ForTerminal(std::string_view ansi, bool keepLayout) {
  return EscapeControls(AnsiToUtf8(ansi), keepLayout);
}

std::string CountOf(std::size_t count, std::string_view singular, std::string_view plural) {
  std::string word(count == 1 ? singular : plural.empty() ? singular : plural);
  if (count != 1 && plural.empty()) word += 's';
  return std::to_string(count) + " " + word;
}

}  // namespace norvane::cli
