#include "smtp/reply_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace norvane {
namespace {

TEST(SmtpStatusCodeTest, ReadsTheLeadingNumberAndTheContinuationMark) {
  struct Case {
    const char* line;
    int code;
    bool continuation;
  } cases[] = {
      {"250 ok", 250, false},
      {"250-first", 250, true},
      {"250", 250, false},
      {" \t\r\n220 hi", 220, false},
      {"", 0, false},
      {"hello", 0, false},
      {"-", 0, false},  // a sign without digits; nothing follows the (absent) digits but the end
      {"--x", 0, true},
      {"+354 go", 354, false},
      {"-5-", -5, true},
      {"99999999999999999999 huge", 65535, false},  // never wraps, never reaches 0 in 16 bits
      {"-99999999999", -65535, false},
      {"2 50 ok", 2, false},
  };
  for (const Case& c : cases) {
    bool continuation = !c.continuation;
    EXPECT_EQ(SmtpStatusCode(c.line, continuation), c.code) << c.line;
    EXPECT_EQ(continuation, c.continuation) << c.line;
  }
}

// Feeds `bytes` to a buffer in pieces of `piece` bytes and collects what it yields.
std::vector<std::string> Feed(const std::string& bytes, std::size_t piece) {
  ReplyBuffer buffer;
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t n = std::min({piece, buffer.Room(), bytes.size() - at});
    EXPECT_GT(n, 0u);
    std::memcpy(buffer.Space(), bytes.data() + at, n);
    buffer.Commit(n);
    at += n;
    std::string line;
    bool overlong = false;
    while (buffer.TakeLine(line, overlong)) lines.push_back(overlong ? "<overlong>" : line);
  }
  return lines;
}

TEST(ReplyBufferTest, EveryLineOnceAndInOrderWhateverTheReadSizes) {
  const std::string bytes = "220-first\r\n220 second\r\n\r\n250 a\rb\nc\r\n354 go\r\n";
  const std::vector<std::string> want = {"220-first", "220 second", "", "250 a\rb\nc", "354 go"};
  for (std::size_t piece = 1; piece <= bytes.size(); ++piece) EXPECT_EQ(Feed(bytes, piece), want) << piece;
}

TEST(ReplyBufferTest, OverlongLineIsSkippedToItsEndAndReadingGoesOn) {
  const std::string longLine = "250 " + std::string(10000, 'x') + "\r\n";
  for (std::size_t piece : {1u, 7u, 1000u, 4096u, 5000u}) {
    EXPECT_EQ(Feed("220 hi\r\n" + longLine + "250 next\r\n", piece),
              (std::vector<std::string>{"220 hi", "<overlong>", "250 next"}))
        << piece;
  }
  // A line that never ends is reported once, as soon as the buffer is full.
  EXPECT_EQ(Feed("220 hi\r\n" + std::string(20000, 'x'), 512),
            (std::vector<std::string>{"220 hi", "<overlong>"}));
  // The CR of the over-long line's end arrives as the last byte of a full buffer.
  const std::string edge = std::string(4095, 'y') + "\r\n250 after\r\n";
  EXPECT_EQ(Feed(edge, 4096), (std::vector<std::string>{"<overlong>", "250 after"}));
  // A line of exactly 4094 bytes plus CR LF still fits.
  const std::string fits = std::string(4094, 'z') + "\r\n";
  EXPECT_EQ(Feed(fits, 4096), std::vector<std::string>{std::string(4094, 'z')});
}

// Lines of one reply, each `bytes` long with its CR LF, the last one final; returns the number of the
// line at which the limit cut the reply, or 0.
int CutAt(ReplyLimit& limit, int lines, std::size_t bytes) {
  for (int i = 1; i <= lines; ++i) {
    if (limit.Add(bytes, i == lines)) return i;
  }
  return 0;
}

TEST(ReplyLimitTest, CutsARepliesPastHundredLinesOrSixtyFourKilobytes) {
  struct Case {
    const char* name;
    int lines;
    std::size_t bytes;
    int cutAt;
  } cases[] = {
      {"100 short lines", 100, 10, 0}, {"101 short lines", 101, 10, 101},     {"endless", 100000, 10, 101},
      {"64 KB exactly", 16, 4096, 0},  {"one byte over 64 KB", 17, 4096, 17},
  };
  ReplyLimit limit;  // one object for every case: a cut or a final line starts the count afresh
  for (const Case& c : cases) {
    EXPECT_EQ(CutAt(limit, c.lines, c.bytes), c.cutAt) << c.name;
    EXPECT_EQ(CutAt(limit, 2, 10), 0) << "after " << c.name;
  }
  limit.Add(10, false);
  limit.Reset();
  EXPECT_EQ(CutAt(limit, 100, 10), 0);
}

}  // namespace
}  // namespace norvane
