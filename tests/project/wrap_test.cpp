#include <gtest/gtest.h>

#include <random>
#include <string>

#include "project/merge.h"
#include "support/wrap_reference.h"

namespace norvane {
namespace {

std::string Line(char c, int n) {
  return std::string(n, c);
}

struct WrapCase {
  const char* name;
  std::string text;
  std::string expected;
};

TEST(WrapText, BreaksAt75Columns) {
  const std::string crlf = "\r\n";
  const WrapCase cases[] = {
      {"a word longer than a line is cut", Line('a', 80), Line('a', 75) + crlf + Line('a', 5)},
      {"after the last blank, which stays on the line", Line('a', 69) + " " + Line('b', 10),
       Line('a', 69) + " " + crlf + Line('b', 10)},
      {"a line after a typed break holds 74", "x\r\n" + Line('a', 80),
       "x\r\n" + Line('a', 74) + crlf + Line('a', 6)},
      {"a line after an inserted break holds 75", Line('a', 160),
       Line('a', 75) + crlf + Line('a', 75) + crlf + Line('a', 10)},
      {"the last character is never examined", Line('a', 76), Line('a', 76)},
      {"but the one before it is", Line('a', 77), Line('a', 75) + crlf + Line('a', 2)},
      {"blanks past column 75 stay at the end", Line('a', 75) + "   bc", Line('a', 75) + "   " + crlf + "bc"},
      {"the moved rest of a long word is cut again", "ab " + Line('c', 100),
       "ab " + crlf + Line('c', 75) + crlf + Line('c', 25)},
      {"short lines stay", "one\r\ntwo three\r\n", "one\r\ntwo three\r\n"},
      {"a typed break at the limit is not doubled", Line('a', 75) + "\r\n" + "b", Line('a', 75) + crlf + "b"},
      {"empty", "", ""},
  };
  for (const WrapCase& c : cases) {
    EXPECT_EQ(WrapText(c.text, 75), c.expected) << c.name;
    EXPECT_EQ(test::WrapInPlace(c.text, 75), c.expected) << c.name;
  }
}

TEST(WrapText, AgreesWithTheInPlaceWalkForAnyTextAndWidth) {
  std::mt19937 random(777);
  const std::string alphabet = "aaaaaab  \r\n";
  for (int width : {-1, 0, 1, 2, 3, 5, 8, 75}) {
    for (int round = 0; round < 2000; ++round) {
      std::string text(std::uniform_int_distribution<int>(0, 60)(random), ' ');
      for (char& c : text)
        c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
      ASSERT_EQ(WrapText(text, width), test::WrapInPlace(text, width))
          << "width " << width << " text '" << text << "'";
    }
  }
}

TEST(ExtractEmailAddress, TakesTheRunOfAddressCharactersAroundTheFirstAt) {
  const std::pair<std::string, std::string> cases[] = {
      {"Ann Smith <ann.smith@example.org>", "ann.smith@example.org"},
      {"ann@example.org", "ann@example.org"},
      {"\"Ann\" ann_1-x#@[10.0.0.1]", "ann_1-x#@[10.0.0.1]"},
      {"no address", ""},
      {"", ""},
      {"x a@b@c y", "a@b@c"},                        // both "@" inside one run
      {"first+tag@example.org", "tag@example.org"},  // "+" ends an address
      {"caf\xE9@example.org", "@example.org"},       // so do characters above 127
      {"@", "@"},
      {"ann@", "ann@"},
      {"<ann@example.org>, <bob@example.org>", "ann@example.org"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ExtractEmailAddress(text), expected) << text;
}

TEST(ExtractDomain, IsTheTextAfterTheFirstAtCutTo255) {
  const std::pair<std::string, std::string> cases[] = {
      {"ann@example.org", "example.org"},
      {"a@b@c", "b@c"},
      {"example.org", "example.org"},
      {"ann@", ""},
      {"ann@" + std::string(300, 'd'), std::string(255, 'd')},
      {std::string(300, 'd'), std::string(255, 'd')},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ExtractDomain(text), expected) << text;
}

}  // namespace
}  // namespace norvane
