#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace norvane {
namespace {

bool IsUndefinedAnsi(int b) {
  return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

TEST(CodePage, EveryDefinedAnsiByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (!IsUndefinedAnsi(b)) all += static_cast<char>(b);
  }
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(CodePage, UndefinedAnsiBytesBecomeTheReplacementCharacterAndComeBackAsQuestionMarks) {
  for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(AnsiToUtf8(one), "\xEF\xBF\xBD") << b;
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(one)), "?") << b;
  }
}

TEST(CodePage, AnsiTableEdges) {
  struct Case {
    unsigned char ansi;
    std::string utf8;
  };
  const Case cases[] = {
      {0x00, std::string(1, '\0')}, {0x7F, "\x7F"},     {0x80, "\xE2\x82\xAC"},  // euro sign
      {0x83, "\xC6\x92"},                                                        // florin
      {0x9F, "\xC5\xB8"},                                                        // Y with diaeresis
      {0xA0, "\xC2\xA0"},  // no-break space: Latin-1 from here on
      {0xE9, "\xC3\xA9"},           {0xFF, "\xC3\xBF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnsiToUtf8(std::string(1, static_cast<char>(c.ansi))), c.utf8) << int(c.ansi);
    EXPECT_EQ(Utf8ToAnsi(c.utf8), std::string(1, static_cast<char>(c.ansi))) << int(c.ansi);
  }
}

TEST(CodePage, MalformedOrForeignUtf8BecomesOneQuestionMarkPerBadSequence) {
  struct Case {
    std::string utf8;
    std::string ansi;
  };
  const Case cases[] = {
      {"caf\xC3\xA9", "caf\xE9"},
      {"\xE2\x82", "?"},  // truncated at the end
      {"\xE2\x82"
       "A",
       "?A"},                        // truncated before ASCII
      {"\xC0\xAF", "??"},            // overlong lead, stray continuation
      {"\xE0\x80\xAF", "???"},       // overlong three-byte form
      {"\xED\xA0\x80", "???"},       // surrogate
      {"\xF4\x90\x80\x80", "????"},  // past U+10FFFF
      {"\x80x", "?x"},               // continuation without lead
      {"\xF0\x9F\x98\x80", "?"},     // well formed, but 1252 lacks it
      {"\xE4\xB8\xAD", "?"},         // likewise
      {"\xC2\x81", "?"},             // a C1 control: 1252 uses 0x81 for nothing
      {"\xEF\xBF\xBD", "?"},
      {"\xFF\xFE", "??"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
}

TEST(CodePage, OemToAnsiKeepsAsciiAndTranslatesTheUpperHalfInPlace) {
  std::string ascii;
  for (int b = 0; b < 128; ++b) ascii += static_cast<char>(b);
  std::string converted = ascii;
  OemToAnsiInPlace(converted);
  EXPECT_EQ(converted, ascii);

  struct Case {
    unsigned char oem, ansi;
  };
  const Case cases[] = {
      {0x80, 0xC7}, {0x81, 0xFC}, {0x8E, 0xC4}, {0x99, 0xD6}, {0x9A, 0xDC}, {0x9F, 0x83},
      {0xA4, 0xF1}, {0xE1, 0xDF}, {0xE6, 0xB5}, {0xF8, 0xB0}, {0xFF, 0xA0}, {0xC4, '-'},
      {0xB3, '|'},  {0xDA, '+'},  {0xCD, '='},  {0xDB, '#'},  {0xE3, 'p'},  {0xFE, '?'},
  };
  for (const Case& c : cases) {
    std::string one(1, static_cast<char>(c.oem));
    OemToAnsiInPlace(one);
    EXPECT_EQ(static_cast<unsigned char>(one[0]), c.ansi) << int(c.oem);
  }
  // Never a control character or an undefined 1252 byte.
  for (int b = 128; b < 256; ++b) {
    const int ansi = OemToAnsiTable()[b];
    EXPECT_TRUE(ansi >= 0x20 && ansi != 0x7F && !IsUndefinedAnsi(ansi)) << b;
  }
}

TEST(CodePage, CaseConversionPairsEveryAnsiLetterAndKeepsTheRest) {
  EXPECT_EQ(AnsiLowerCase("ABC xyz \xC0\xDE\xC9 \x8A\x8C\x8E\x9F"), "abc xyz \xE0\xFE\xE9 \x9A\x9C\x9E\xFF");
  EXPECT_EQ(AnsiUpperCase("abc XYZ \xE0\xFE\xE9 \x9A\x9C\x9E\xFF"), "ABC XYZ \xC0\xDE\xC9 \x8A\x8C\x8E\x9F");
  // Multiplication and division signs, sharp s, micro, florin: no partner.
  for (char c : std::string("\xD7\xF7\xDF\xB5\x83@[`{")) {
    EXPECT_EQ(AnsiLower(c), c);
    EXPECT_EQ(AnsiUpper(c), c);
  }
  int pairs = 0;
  for (int b = 0; b < 256; ++b) {
    const uint8_t lower = AnsiLowerTable()[b];
    if (lower != b) {
      ++pairs;
      EXPECT_EQ(AnsiUpperTable()[lower], b) << b;
    }
    const uint8_t upper = AnsiUpperTable()[b];
    if (upper != b) {
      EXPECT_EQ(AnsiLowerTable()[upper], b) << b;
    }
  }
  EXPECT_EQ(pairs, 26 + 30 + 4);
}

TEST(CodePage, EqualsIgnoreCaseFoldsOnlyLetterPairs) {
  struct Row {
    const char* a;
    const char* b;
    bool equal;
  } rows[] = {
      {"", "", true},          {"N\xC3O", "n\xE3o", true}, {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", true},
      {"\xD7", "\xF7", false},  // multiplication and division signs are no pair
      {"abc", "ABCD", false},  {"a", "b", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(AnsiEqualsIgnoreCase(row.a, row.b), row.equal) << row.a << " ~ " << row.b;
    EXPECT_EQ(AnsiEqualsIgnoreCase(row.b, row.a), row.equal) << row.b << " ~ " << row.a;
  }
}

}  // namespace
}  // namespace norvane
