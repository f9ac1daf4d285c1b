#include "spell/spell_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvane {
namespace {

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (const TTextWord& word : WordsToCheck(text)) words.push_back(text.substr(word.Offset, word.Length));
  return words;
}

struct WordsCase {
  std::string text;
  std::vector<std::string> words;
};

TEST(WordsToCheck, LeavesOutTagsAddressesNumbersAndAcronyms) {
  const WordsCase cases[] = {
      {"Dear <name>, your <first name> order", {"Dear", "your", "order"}},
      {"<email><city>", {}},
      {"Write to ann@example.com or <bob@example.org>.", {"Write", "to", "or"}},
      {"See https://example.com/recieve and www.adress.org, or example.com.", {"See", "and", "or"}},
      {"Files: C:\\recieve.txt /tmp/adress some_name a=b #tag ~user 50%", {"Files"}},
      {"e.g. i.e. end.Next", {}},
      {"Call 555-1234 on the 2nd at 10am, A4 paper, 3.5 or 1,000",
       {"Call", "on", "the", "at", "paper", "or"}},
      {"SMTP and HTTPS, UNESCO but IMPORTANT and NASA's", {"and", "but", "IMPORTANT", "and", "NASA's"}},
      {"don't e-mail 'quoted' it\x92s -dash- end-", {"don't", "e-mail", "quoted", "it\x92s", "dash", "end"}},
      {"Gr\xFC\xDF"
       "e aus M\xFC"
       "nchen, \xC9T\xC9 and \x8A"
       "a\x9A"
       "e",
       {"Gr\xFC\xDF"
        "e",
        "aus",
        "M\xFC"
        "nchen",
        "and",
        "\x8A"
        "a\x9A"
        "e"}},
      {"no\xA0"
       "break\ttab\r\nline",
       {"no", "break", "tab", "line"}},
      // Not tags: blanks just inside, a line break, no end, too long.
      {"a < b and c > d", {"a", "b", "and", "c", "d"}},
      {"<na\r\nme>", {"na", "me"}},
      {"<recieve", {"recieve"}},
      {"<" + std::string(65, 'x') + ">", {std::string(65, 'x')}},
      {"<" + std::string(64, 'x') + ">", {}},
      {"", {}},
  };
  for (const WordsCase& c : cases) EXPECT_EQ(Words(c.text), c.words) << c.text;
}

TEST(WordsToCheck, OffsetsPointAtTheWordsInTheText) {
  std::string text = "Hi <name>,\r\nrecieve it";
  std::vector<TTextWord> words = WordsToCheck(text);
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[0], (TTextWord{0, 2}));
  EXPECT_EQ(words[1], (TTextWord{12, 7}));
  EXPECT_EQ(words[2], (TTextWord{20, 2}));
}

TEST(WordAt, FindsTheWordTouchingTheCaret) {
  struct Case {
    const char* text;
    std::size_t caret;
    const char* word;  // nullptr: none
  } cases[] = {
      {"the big house", 5, "big"},
      {"the big house", 4, "big"},
      {"the big house", 7, "big"},
      {"the big house", 3, "the"},
      {"the big house", 0, "the"},
      {"the big house", 99, "house"},
      {"a  b", 2, nullptr},
      {"don't", 3, "don't"},
      {"don't", 4, "don't"},
      {"12 34", 1, nullptr},
      {"", 0, nullptr},
      {"<big>", 2, "big"},
      {"M\xFC"
       "nchen!",
       7,
       "M\xFC"
       "nchen"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    auto word = WordAt(text, c.caret);
    if (!c.word) {
      EXPECT_FALSE(word) << text << " at " << c.caret;
    } else {
      ASSERT_TRUE(word) << text << " at " << c.caret;
      EXPECT_EQ(text.substr(word->Offset, word->Length), c.word) << text << " at " << c.caret;
    }
  }
}

TEST(ContextOf, ShowsTheWordsLineCutAroundIt) {
  std::string line2 = std::string(50, 'a') + " recieve " + std::string(50, 'b');
  std::string text = "first line\r\n" + line2 + "\nlast";
  std::size_t at = text.find("recieve");
  TWordContext context = ContextOf(text, {at, 7});
  EXPECT_EQ(context.Text, std::string(39, 'a') + " recieve " + std::string(39, 'b'));
  EXPECT_EQ(context.Text.substr(context.WordOffset, 7), "recieve");

  TWordContext shortLine = ContextOf("one\rtwo wrod\rthree", {8, 4});
  EXPECT_EQ(shortLine.Text, "two wrod");
  EXPECT_EQ(shortLine.WordOffset, 4u);
}

TEST(MatchCase, FollowsTheReplacedWord) {
  EXPECT_EQ(MatchCase("Big", "large"), "Large");
  EXPECT_EQ(MatchCase("BIG", "large"), "LARGE");
  EXPECT_EQ(MatchCase("big", "Large"), "Large");
  EXPECT_EQ(MatchCase("I", "me"), "Me");
  EXPECT_EQ(MatchCase("\xC9t\xE9", "summer"), "Summer");
  EXPECT_EQ(MatchCase("HOT", "\xE9t\xE9"), "\xC9T\xC9");
  EXPECT_EQ(MatchCase("", "word"), "word");
}

}  // namespace
}  // namespace norvane
