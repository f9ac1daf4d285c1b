#include "engine/transcript.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvane {
namespace {

std::vector<std::string> Numbered(int from, int to) {
  std::vector<std::string> lines;
  for (int i = from; i <= to; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

TEST(TranscriptTest, KeepsHeadAndTailOfALongTranscriptWithAMarkerBetween) {
  Transcript t;
  for (const std::string& line : Numbered(1, 200)) t.Add(line);
  EXPECT_EQ(t.Lines(), Numbered(1, 200));  // within the budget: every line, in order

  t.Add("line 201");
  std::vector<std::string> want = Numbered(1, 100);
  want.push_back("... 1 lines left out ...");
  std::vector<std::string> tail = Numbered(102, 201);
  want.insert(want.end(), tail.begin(), tail.end());
  EXPECT_EQ(t.Lines(), want);

  for (const std::string& line : Numbered(202, 100000)) t.Add(line);
  const std::vector<std::string>& lines = t.Lines();
  ASSERT_EQ(lines.size(), 201u);
  EXPECT_EQ(lines.front(), "line 1");
  EXPECT_EQ(lines[99], "line 100");
  EXPECT_EQ(lines[100], "... 99800 lines left out ...");
  EXPECT_EQ(lines[101], "line 99901");
  EXPECT_EQ(lines.back(), "line 100000");

  t.Clear();
  EXPECT_TRUE(t.Lines().empty());
  t.Add("again");
  EXPECT_EQ(t.Lines(), std::vector<std::string>{"again"});
}

TEST(TranscriptTest, LongLinesAreBoundedByBytesAsWell) {
  Transcript t;
  const std::string reply = "250-" + std::string(4000, 'x');  // a reply line near the client's limit
  for (int i = 0; i < 1000; ++i) t.Add(reply);
  const std::vector<std::string>& lines = t.Lines();
  std::size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size();
  EXPECT_LE(bytes, Transcript::kHeadBytes + Transcript::kTailBytes + 64);
  const std::size_t kept = Transcript::kHeadBytes / reply.size() + Transcript::kTailBytes / reply.size();
  ASSERT_EQ(lines.size(), kept + 1);
  EXPECT_EQ(lines[Transcript::kHeadBytes / reply.size()],
            "... " + std::to_string(1000 - kept) + " lines left out ...");
}

}  // namespace
}  // namespace norvane
