// The word wrap written the plain way — a walk over the text that inserts each
// break in place — against which the tests and the fuzz target check the
// linear WrapText.
#pragma once

#include <string>

namespace norvane::test {

inline std::string WrapInPlace(std::string s, int width) {
  std::size_t p = 1;  // positions from 1
  long c = 0;
  auto at = [&](std::size_t i) { return s[i - 1]; };
  while (p < s.size()) {
    if (at(p) == '\r' && at(p + 1) == '\n') c = -1;
    if (c >= width && at(p) != ' ') {
      std::size_t i = p;
      while (i > 1 && at(i) != '\r' && at(i) != '\n' && at(i) != ' ') --i;
      const std::size_t b = at(i) == ' ' ? i + 1 : p;
      s.insert(b - 1, "\r\n");
      p = b + 2;
      c = 0;
    }
    ++p;
    ++c;
  }
  return s;
}

}  // namespace norvane::test
