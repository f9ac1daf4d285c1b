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

std::vector<std::string> AllLines(TextRecordReader reader) {
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.push_back(reader.ReadRecord());
  return lines;
}

// The message of the error reading all of `bytes` gives, or "no error".
std::string ErrorOf(const std::string& bytes) {
  try {
    AllLines(TextRecordReader::FromBytes(bytes));
  } catch (const ETextFileError& error) {
    return error.what();
  }
  return "no error";
}

TEST(TextRecordReader, EndsLinesAtCrLfCrAndLf) {
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
  for (const Case& c : cases) EXPECT_EQ(AllLines(TextRecordReader::FromBytes(c.bytes)), c.want) << c.bytes;
}

// A line break inside a quoted field belongs to the field: it must never start
// a record of its own (a "Bcc:" or "." line would become a recipient).
TEST(TextRecordReader, QuotedFieldRunsAcrossLineEndsWhichBecomeBlanks) {
  struct Case {
    std::string bytes;
    Fields want;
  } cases[] = {
      {"a,\"x\r\ny\",b\r\nc", {"a,\"x y\",b", "c"}},
      {"a,\"x\ny\",b\nc", {"a,\"x y\",b", "c"}},
      {"a,\"x\ry\",b\rc", {"a,\"x y\",b", "c"}},
      {"\"x\r\n\r\n.\r\nBcc: e@v.test\"\r\nnext", {"\"x  . Bcc: e@v.test\"", "next"}},
      {"\"say \"\"hi\"\"\nthere\",b\n", {"\"say \"\"hi\"\" there\",b"}},  // doubled quotes stay inside
      {"\"a\",\"b\nc\"\n\"d\"", {"\"a\",\"b c\"", "\"d\""}},
      {"\"x\r\"\n", {"\"x \""}},  // CR inside, LF outside: the LF ends the record
  };
  for (const Case& c : cases) EXPECT_EQ(AllLines(TextRecordReader::FromBytes(c.bytes)), c.want) << c.bytes;
}

TEST(TextRecordReader, RefusesAQuoteLeftOpenAndAnOverlongRecordNamingTheLine) {
  EXPECT_EQ(ErrorOf("a\nb\n\"c,\nd\ne"),
            "Line 3 of the text: a quoted field is not closed before the end of the file");
  EXPECT_EQ(ErrorOf("a\n\"b\x1A\"\n"),
            "Line 2 of the text: a quoted field is not closed before the end of the file");

  std::string atCap(kMaxRecordBytes, 'x');
  EXPECT_EQ(ErrorOf("a\r\n" + atCap + "\r\nb"), "no error");
  EXPECT_EQ(ErrorOf("a\r\nb\r\n" + atCap + "y\r\nc"),
            "Line 3 of the text is longer than 1 MB (1048576 bytes)");
  // The quoted line breaks count: the record starting on line 2 spans several lines.
  EXPECT_EQ(ErrorOf("a\n\"" + std::string(kMaxRecordBytes / 2, 'x') + "\n" +
                    std::string(kMaxRecordBytes / 2, 'x') + "\"\n"),
            "Line 2 of the text is longer than 1 MB (1048576 bytes)");
}

TEST(TextRecordReader, ReadsFilesAcrossItsBufferAndRewinds) {
  test::TempDir dir;
  // Lines longer than the read buffer, and a CR LF pair split by a buffer boundary.
  std::string longLine(70000, 'x');
  std::string content = longLine + "\r\n" + std::string(65536 - 70002 % 65536 - 1, 'y') + "\r\nlast";
  test::WriteFile(dir.File("big.txt"), content);
  TextRecordReader reader(dir.File("big.txt"));
  auto lines = AllLines(std::move(reader));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], longLine);
  EXPECT_EQ(lines[2], "last");

  test::WriteFile(dir.File("two.txt"), "one\r\ntwo");
  TextRecordReader again(dir.File("two.txt"));
  EXPECT_EQ(again.ReadRecord(), "one");
  EXPECT_EQ(again.ReadRecord(), "two");
  EXPECT_TRUE(again.Eof());
  again.Rewind();
  EXPECT_EQ(again.ReadRecord(), "one");

  // A quoted CR at the end of one buffer and its LF at the start of the next are one blank.
  std::string quoted = "\"" + std::string(65536 - 2, 'q') + "\r\nz\"\r\nlast";
  test::WriteFile(dir.File("quoted.txt"), quoted);
  EXPECT_EQ(AllLines(TextRecordReader(dir.File("quoted.txt"))),
            (Fields{"\"" + std::string(65536 - 2, 'q') + " z\"", "last"}));
}

TEST(TextRecordReader, MissingFileIsAnError) {
  test::TempDir dir;
  EXPECT_THROW(TextRecordReader(dir.File("absent.csv")), EInOutError);
}

// A binary file named .csv must not become recipients: the first block decides.
TEST(TextRecordReader, RefusesAFileWhoseFirstBlockIsNotText) {
  test::TempDir dir;
  struct Case {
    std::string bytes;
    bool text;
  } cases[] = {
      {std::string("PK\x03\x04\x14\0\0\0", 8) + "ann@x.test\n", false},
      {std::string("a@x\n\0", 5), false},
      {"\x7F"
       "ELF\x02\x01\x01\x03\x04\x05\x06\x07\x08",
       false},  // control bytes throughout
      {"Name;EMail\tCity\r\n\xC4rger,a@x.test,\xE9\f\v\r\n", true},
      {"a@x\r\n\x1A\x1A\x1A\x1A", true},
      {std::string("a@x\r\n\x1A\0", 7), false},  // also after a Ctrl-Z
      {std::string(kTextCheckBytes, 'a') + std::string("\0\0\0", 3),
       true},  // only the first block is checked
      {"", true},
  };
  for (const Case& c : cases) {
    test::WriteFile(dir.File("list.csv"), c.bytes);
    if (c.text) {
      EXPECT_NO_THROW(TextRecordReader(dir.File("list.csv"))) << c.bytes;
      EXPECT_NO_THROW(TextRecordReader::FromBytes(c.bytes)) << c.bytes;
      continue;
    }
    try {
      TextRecordReader reader(dir.File("list.csv"));
      ADD_FAILURE() << "no error for " << c.bytes;
    } catch (const ETextFileError& error) {
      EXPECT_EQ(std::string(error.what()), dir.File("list.csv") + " is not a text file");
    }
    EXPECT_THROW(TextRecordReader::FromBytes(c.bytes), ETextFileError);
  }
}

}  // namespace
}  // namespace norvane
