#include "platform/codepage.h"

#include <algorithm>

namespace norvane {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// 0x80..0x9F of Windows-1252; 0 marks the undefined bytes.
constexpr char32_t kAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98
};

constexpr std::array<char32_t, 256> MakeAnsiToUnicode() {
  std::array<char32_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    if (b >= 0x80 && b < 0xA0) {
      char32_t cp = kAnsiHigh[b - 0x80];
      table[b] = cp == 0 ? kReplacement : cp;
    } else {
      table[b] = static_cast<char32_t>(b);  // ASCII and Latin-1 coincide with Unicode
    }
  }
  return table;
}

constexpr std::array<char32_t, 256> kAnsiToUnicode = MakeAnsiToUnicode();

// OEM 437 0x80..0xFF as Windows-1252 bytes. Letters and signs that 1252 has
// keep their meaning; line drawing becomes "+", "-", "|", "="; blocks "#";
// Greek and mathematical signs the Latin look-alike; the rest "?".
constexpr uint8_t kOemHigh[128] = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,  // 80
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 'P',  0x83,  // 90
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAC, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,  // A0
    '#',  '#',  '#',  '|',  '+',  '+',  '+',  '+',  '+',  '+',  '|',  '+',  '+',  '+',  '+',  '+',   // B0
    '+',  '+',  '+',  '+',  '-',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '=',  '+',  '+',   // C0
    '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '+',  '#',  '#',  '#',  '#',  '#',   // D0
    'a',  0xDF, 'G',  'p',  'S',  's',  0xB5, 't',  'F',  'T',  'O',  'd',  '8',  'f',  'e',  'n',   // E0
    '=',  0xB1, '>',  '<',  '(',  ')',  0xF7, '~',  0xB0, 0xB7, 0xB7, 'v',  'n',  0xB2, '?',  0xA0,  // F0
};

constexpr std::array<uint8_t, 256> MakeOemToAnsi() {
  std::array<uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = b < 0x80 ? static_cast<uint8_t>(b) : kOemHigh[b - 0x80];
  return table;
}

constexpr std::array<uint8_t, 256> kOemToAnsi = MakeOemToAnsi();

// Pairs of Windows-1252 upper/lower letters outside the contiguous ranges.
constexpr uint8_t kCasePairs[][2] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

constexpr bool IsContiguousUpper(int b) {
  return (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7);  // 0xD7 is the multiplication sign
}

constexpr std::array<uint8_t, 256> MakeLower() {
  std::array<uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = static_cast<uint8_t>(IsContiguousUpper(b) ? b + 0x20 : b);
  for (const auto& pair : kCasePairs) table[pair[0]] = pair[1];
  return table;
}

constexpr std::array<uint8_t, 256> MakeUpper() {
  std::array<uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = static_cast<uint8_t>(b);
  for (int b = 0; b < 256; ++b) {
    if (IsContiguousUpper(b)) table[b + 0x20] = static_cast<uint8_t>(b);
  }
  for (const auto& pair : kCasePairs) table[pair[1]] = pair[0];
  return table;
}

constexpr std::array<uint8_t, 256> kLower = MakeLower();
constexpr std::array<uint8_t, 256> kUpper = MakeUpper();

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {  // every code point of the table lies in the Basic Multilingual Plane
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The 1252 byte of a code point, or '?' when the code page lacks it.
char UnicodeToAnsi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kAnsiHigh[i] != 0 && kAnsiHigh[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

bool IsContinuation(uint8_t b) {
  return (b & 0xC0) == 0x80;
}

}  // namespace

const std::array<char32_t, 256>& AnsiToUnicodeTable() {
  return kAnsiToUnicode;
}
const std::array<uint8_t, 256>& OemToAnsiTable() {
  return kOemToAnsi;
}
const std::array<uint8_t, 256>& AnsiLowerTable() {
  return kLower;
}
const std::array<uint8_t, 256>& AnsiUpperTable() {
  return kUpper;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(out, kAnsiToUnicode[static_cast<uint8_t>(c)]);
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    const uint8_t lead = s[i];
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    // Well-formed sequences as in Unicode table 3-7: the second byte's range
    // depends on the lead, which rules out overlong forms, surrogates and
    // values past U+10FFFF. An ill-formed sequence ends at the first byte that
    // cannot continue it and yields one "?".
    int length = 0;
    uint8_t low = 0x80, high = 0xBF;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, cp = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, cp = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    ++i;
    if (length == 0) {
      out += '?';
      continue;
    }
    int taken = 1;
    for (; taken < length && i < n; ++taken, ++i) {
      const uint8_t b = s[i];
      if (taken == 1 ? (b < low || b > high) : !IsContinuation(b)) break;
      cp = (cp << 6) | (b & 0x3F);
    }
    out += taken == length ? UnicodeToAnsi(cp) : '?';
  }
  return out;
}

void OemToAnsiInPlace(char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>(kOemToAnsi[static_cast<uint8_t>(data[i])]);
}

std::string AnsiLowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiLower(c);
  return out;
}

std::string AnsiUpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiUpper(c);
  return out;
}

bool AnsiEqualsIgnoreCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AnsiLower(x) == AnsiLower(y); });
}

std::string TrimText(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace norvane
