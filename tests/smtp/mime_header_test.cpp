#include "smtp/mime_header.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>

#include "smtp/mime_quoted_printable.h"

namespace norvane {
namespace {

struct Case {
  std::string input;
  std::string expected;
};

// Every physical line of a folded text, for the length checks.
std::vector<std::string> PhysicalLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t brk; (brk = text.find("\r\n", start)) != std::string::npos; start = brk + 2)
    lines.push_back(text.substr(start, brk - start));
  lines.push_back(text.substr(start));
  return lines;
}

TEST(MimeHeader, UnstructuredValuesEncodeOnlyTheWordsThatNeedIt) {
  const Case cases[] = {
      {"Hello Ann", "Hello Ann"},
      {"", ""},
      {"Prices in \x80 now", "Prices in =?windows-1252?Q?=80?= now"},
      {"Chlo\xe9 M\xfcller", "=?windows-1252?Q?Chlo=E9_M=FCller?="},
      {"Dear Chlo\xe9, your \x93offer\x94 is here",
       "Dear =?windows-1252?Q?Chlo=E9=2C_your_=93offer=94?= is here"},
      // Text a reader would take for an encoded word is encoded itself.
      {"see =?x?Q?y?= here", "see =?windows-1252?Q?=3D=3Fx=3FQ=3Fy=3F=3D?= here"},
      {"tab\x01", "=?windows-1252?Q?tab=01?="},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeUnstructured(c.input), c.expected) << c.input;
}

TEST(MimeHeader, LongEncodedValuesSplitIntoWordsOfAtMost75) {
  std::string subject;
  for (int i = 0; i < 40; ++i) subject += "\xe9t\xe9 ";
  const std::string encoded = EncodeUnstructured(subject);
  std::size_t words = 0;
  for (std::size_t pos = 0; pos < encoded.size();) {
    std::size_t end = encoded.find(' ', pos);
    if (end == std::string::npos) end = encoded.size();
    const std::string word = encoded.substr(pos, end - pos);
    EXPECT_LE(word.size(), kEncodedWordMax);
    EXPECT_EQ(word.rfind("=?windows-1252?Q?", 0), 0u) << word;
    ++words;
    pos = end + 1;
  }
  EXPECT_GT(words, 3u);
  const std::string folded = FoldHeaderLine("Subject: " + encoded);
  for (const std::string& line : PhysicalLines(folded)) EXPECT_LE(line.size(), kFoldWidth) << line;
  std::string unfolded = folded;
  for (std::size_t brk; (brk = unfolded.find("\r\n")) != std::string::npos;) unfolded.erase(brk, 2);
  EXPECT_EQ(unfolded, "Subject: " + encoded);
}

TEST(MimeHeader, DisplayNamesAreEncodedOrQuotedWhereRfc5322NeedsIt) {
  const Case cases[] = {
      {"ann@example.org", "ann@example.org"},
      {"<ann@example.org>", "<ann@example.org>"},
      {"Ann Lee <ann@example.org>", "Ann Lee <ann@example.org>"},
      {"\"Lee, Ann\" <ann@example.org>", "\"Lee, Ann\" <ann@example.org>"},
      {"Lee, Ann <ann@example.org>", "\"Lee, Ann\" <ann@example.org>"},
      {"J. Smith <j@example.org>", "\"J. Smith\" <j@example.org>"},
      {"\"Chlo\xe9 M\xfcller\" <c@example.org>", "=?windows-1252?Q?Chlo=E9_M=FCller?= <c@example.org>"},
      {"M\xfcller, Hans <h@example.org>", "=?windows-1252?Q?M=FCller=2C_Hans?= <h@example.org>"},
      {"a@example.org, M\xfcller <m@example.org>",
       "a@example.org, =?windows-1252?Q?M=FCller?= <m@example.org>"},
      {"\"Say \\\"hi\\\"\" <s@example.org>", "\"Say \\\"hi\\\"\" <s@example.org>"},
      {"Team: a@example.org, b@example.org;", "Team: a@example.org, b@example.org;"},
      {"no address at all", "no address at all"},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeAddressList(c.input), c.expected) << c.input;
}

TEST(MimeHeader, ParametersStayQuotedForAsciiAndUseRfc2231Otherwise) {
  EXPECT_EQ(MimeParameter("name", "report.pdf"), "name=\"report.pdf\"");
  EXPECT_EQ(MimeParameter("name", "say \"hi\".txt"), "name=\"say \\\"hi\\\".txt\"");
  EXPECT_EQ(MimeParameter("filename", "Chlo\xe9 \x80.txt"), "filename*=windows-1252''Chlo%E9%20%80.txt");

  std::string longName;
  for (int i = 0; i < 30; ++i) longName += "\xfc";
  longName += ".txt";
  const std::string folded = MimeParameter("filename", longName);
  const auto lines = PhysicalLines(folded);
  ASSERT_GT(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("filename*0*=windows-1252''%FC", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("\tfilename*1*=%FC", 0), 0u) << lines[1];
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size() + (i == 0 ? 1 : 0), kFoldWidth) << lines[i];
    if (i + 1 < lines.size()) {
      EXPECT_EQ(lines[i].back(), ';');
    }
  }
}

TEST(MimeHeader, FoldingOnlyAtBlanks) {
  EXPECT_EQ(FoldHeaderLine("Subject: short"), "Subject: short");
  EXPECT_EQ(FoldHeaderLine("Subject: " + std::string(100, 'x')), "Subject:\r\n " + std::string(100, 'x'));
  const std::string noBlank = "Subject:" + std::string(100, 'x');
  EXPECT_EQ(FoldHeaderLine(noBlank), noBlank);
  const std::string folded = "Content-Type: multipart/mixed;\r\n\tboundary=\"" + std::string(80, 'b') + "\"";
  EXPECT_EQ(FoldHeaderLine(folded), folded);
  const std::string words = "To: " + std::string(40, 'a') + " " + std::string(40, 'b') + " c";
  EXPECT_EQ(FoldHeaderLine(words), "To: " + std::string(40, 'a') + "\r\n " + std::string(40, 'b') + " c");
}

// Decodes quoted-printable independently of the encoder.
std::string DecodeQuotedPrintable(const std::deque<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    bool soft = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] != '=') {
        out += line[i];
      } else if (i + 1 == line.size()) {
        soft = true;
      } else {
        out += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      }
    }
    if (!soft) out += '\n';
  }
  return out;
}

TEST(QuotedPrintable, EncodesWhatA7BitPathWouldMangle) {
  const std::pair<std::string, std::deque<std::string>> cases[] = {
      {"plain text", {"plain text"}},
      {"", {""}},
      {"a=b", {"a=3Db"}},
      {"trailing ", {"trailing=20"}},
      {"tab\t", {"tab=09"}},
      {"\x80 and Chlo\xe9", {"=80 and Chlo=E9"}},
      {std::string(100, 'a'), {std::string(75, 'a') + "=", std::string(25, 'a')}},
      {std::string(74, 'a') + "\xe9z", {std::string(74, 'a') + "=", "=E9z"}},
  };
  for (const auto& [line, expected] : cases) {
    std::deque<std::string> out;
    AppendQuotedPrintable(line, out);
    EXPECT_EQ(out, expected) << line;
  }
}

TEST(QuotedPrintable, RandomLinesComeBackAndStayWithin76) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string line(random() % 300, ' ');
    for (char& c : line) {
      c = static_cast<char>(random() % 256);
      if (c == '\r' || c == '\n') c = '=';
    }
    std::deque<std::string> out;
    AppendQuotedPrintable(line, out);
    for (const std::string& encoded : out) {
      EXPECT_LE(encoded.size(), kQuotedPrintableWidth);
      for (char c : encoded) EXPECT_TRUE((c >= 33 && c <= 126) || c == ' ' || c == '\t');
      if (!encoded.empty()) {
        EXPECT_NE(encoded.back(), ' ');
      }
    }
    EXPECT_EQ(DecodeQuotedPrintable(out), line + "\n");
  }
}

}  // namespace
}  // namespace norvane
