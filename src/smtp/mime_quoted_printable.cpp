#include "smtp/mime_quoted_printable.h"

namespace norvane {

void AppendQuotedPrintable(std::string_view line, std::deque<std::string>& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string current;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    const auto byte = static_cast<unsigned char>(c);
    const bool last = i + 1 == line.size();
    char piece[4] = {c, 0, 0, 0};
    const bool literal = (byte >= 33 && byte <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
    if (!literal) {
      piece[0] = '=';
      piece[1] = kHex[byte >> 4];
      piece[2] = kHex[byte & 0x0F];
    }
    const std::string_view token(piece);
    // Room for the "=" of a soft line break, unless this is the line's last token.
    const std::size_t limit = last ? kQuotedPrintableWidth : kQuotedPrintableWidth - 1;
    if (current.size() + token.size() > limit) {
      current += '=';
      out.push_back(std::move(current));
      current.clear();
    }
    current += token;
  }
  out.push_back(std::move(current));
}

}  // namespace norvane
