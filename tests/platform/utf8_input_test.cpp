#include "platform/utf8_input.h"

#include <gtest/gtest.h>

#include <string>

namespace norvane {
namespace {

TEST(Utf8Input, RecognisesUtf8ButNotWindows1252OrPlainAscii) {
  struct Case {
    std::string bytes;
    bool utf8;
  } cases[] = {
      {"plain ascii, nothing to tell", false},
      {"\xEF\xBB\xBFplain after a mark", true},
      {"Gr\xC3\xBC\xC3\x9F"
       "e",
       true},  // "Grüße" in UTF-8
      {"Gr\xFC\xDF"
       "e",
       false},                      // the same in Windows-1252
      {"caf\xC3", false},           // cut off in the middle of a character
      {"\xC0\xAF", false},          // overlong "/"
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE2\x82\xAC 5", true},     // the euro sign
  };
  for (const Case& c : cases) EXPECT_EQ(LooksLikeUtf8(c.bytes), c.utf8) << c.bytes;
}

TEST(Utf8Input, ConvertsToWindows1252AndPlacesWhatItCannotKeep) {
  Utf8Conversion plain = ConvertUtf8ToAnsi(
      "\xEF\xBB\xBF"
      "Email,Stra\xC3\x9F"
      "e\r\n\xE2\x82\xAC\xE2\x80\x9Cq\xE2\x80\x9D");
  EXPECT_EQ(plain.text,
            "Email,Stra\xDF"
            "e\r\n\x80\x93q\x94");
  EXPECT_EQ(plain.unmappableCount, 0u);

  // CR LF, a lone CR and a lone LF each end a line; columns count characters.
  Utf8Conversion mixed = ConvertUtf8ToAnsi("a\r\n\xC3\xA9\xE4\xB8\xAD\rb\nxx\xF0\x9F\x98\x80\xFF");
  EXPECT_EQ(mixed.text, "a\r\n\xE9?\rb\nxx??");
  ASSERT_EQ(mixed.unmappableCount, 3u);
  EXPECT_EQ(DescribeUnmappable(mixed.unmappable[0]), "line 2, column 2: U+4E2D has no Windows-1252 form");
  EXPECT_EQ(DescribeUnmappable(mixed.unmappable[1]), "line 4, column 3: U+1F600 has no Windows-1252 form");
  EXPECT_EQ(DescribeUnmappable(mixed.unmappable[2], false), "column 4: a byte that is not UTF-8");
}

TEST(Utf8Input, ListsTheFirstUnmappableCharactersAndCountsThemAll) {
  std::string many;
  for (int i = 0; i < 100; ++i) many += "\xE4\xB8\xAD";
  Utf8Conversion out = ConvertUtf8ToAnsi(many);
  EXPECT_EQ(out.text, std::string(100, '?'));
  EXPECT_EQ(out.unmappable.size(), kMaxListedUnmappable);
  EXPECT_EQ(out.unmappableCount, 100u);
}

}  // namespace
}  // namespace norvane
