#include "import/text_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace norvane {
namespace {

using Fields = std::vector<std::string>;

TEST(SplitLine, FollowsTheCommaAndQuoteRules) {
  struct Case {
    std::string line;
    Fields want;
  } cases[] = {
      {"a,,b", {"a", "", "b"}},
      {",a", {"", "a"}},
      {"a,b,", {"a", "b"}},  // no empty last field
      {"a,b,,", {"a", "b", ""}},
      {"", {""}},
      {",", {""}},
      {"  a  ,\tb\t", {"a", "b"}},
      {"\"Doe, John\",john@x.test", {"Doe, John", "john@x.test"}},
      {"\"say \"\"hi\"\"\",x", {"say hi", "x"}},  // doubled quotes vanish too
      {"\"open, never closed", {"open, never closed"}},
      {"a;b\tc", {"a;b\tc"}},
      {"\" padded \" , x", {"padded", "x"}},  // trimmed after the quotes go
      {"\x01"
       "a\x1f",
       {"a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitLine(c.line), c.want) << "line: " << c.line;
}

std::vector<std::string> AllLines(TextLineReader reader) {
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.push_back(reader.ReadLine());
  return lines;
}

TEST(TextLineReader, EndsLinesAtCrLfCrAndLf) {
  struct Case {
    std::string bytes;
    Fields want;
  } cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},  // the last line needs no end
      {"a\n\r\nb", {"a", "", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\nb\x1A"
       "c\nd",
       {"a", "b"}},  // Ctrl-Z ends the file
      {"\x1A"
       "a",
       {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(AllLines(TextLineReader::FromBytes(c.bytes)), c.want) << c.bytes;
}

TEST(TextLineReader, ReadsFilesAcrossItsBufferAndRewinds) {
  test::TempDir dir;
  // Lines longer than the read buffer, and a CR LF pair split by a buffer boundary.
  std::string longLine(70000, 'x');
  std::string content = longLine + "\r\n" + std::string(65536 - 70002 % 65536 - 1, 'y') + "\r\nlast";
  test::WriteFile(dir.File("big.txt"), content);
  TextLineReader reader(dir.File("big.txt"));
  auto lines = AllLines(std::move(reader));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], longLine);
  EXPECT_EQ(lines[2], "last");

  test::WriteFile(dir.File("two.txt"), "one\r\ntwo");
  TextLineReader again(dir.File("two.txt"));
  EXPECT_EQ(again.ReadLine(), "one");
  EXPECT_EQ(again.ReadLine(), "two");
  EXPECT_TRUE(again.Eof());
  again.Rewind();
  EXPECT_EQ(again.ReadLine(), "one");
}

TEST(TextLineReader, MissingFileIsAnError) {
  test::TempDir dir;
  EXPECT_THROW(TextLineReader(dir.File("absent.csv")), EInOutError);
}

}  // namespace
}  // namespace norvane
