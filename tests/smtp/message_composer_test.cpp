#include "smtp/message_composer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "smtp/date_text.h"
#include "smtp/smtp_exception.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::TempDir;
using test::WriteFile;

// Tuesday 9 March 2004, 14:05:33.
LocalDateTime March9() {
  LocalDateTime t;
  t.year = 2004;
  t.month = 3;
  t.day = 9;
  t.hour = 14;
  t.minute = 5;
  t.second = 33;
  t.dayOfWeek = 2;
  return t;
}

std::string Bytes(int from, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s.push_back(static_cast<char>(from + i));
  return s;
}

// Decodes base64 independently of the encoder under test.
std::string DecodeBase64(const std::string& text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::string out;
  int bits = 0;
  unsigned acc = 0;
  for (char c : text) {
    const int v = value(c);
    if (v < 0) continue;
    acc = (acc << 6) | static_cast<unsigned>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((acc >> bits) & 0xFF));
    }
  }
  return out;
}

class MessageComposerTest : public ::testing::Test {
 protected:
  MessageComposerTest() : scoped_(clock_) {
    clock_.SetNow(March9());
    composer_.HdrFrom = "Sender <sender@example.test>";
    composer_.HdrTo = "Ann <ann@example.test>";
    composer_.HdrSubject = "Hello Ann";
    composer_.OnGetData = [this](int lineNum, std::string& line, int maxLen, bool& more) {
      EXPECT_EQ(maxLen, 1023);
      if (lineNum > static_cast<int>(body_.size())) {
        more = false;
        return;
      }
      line = body_[lineNum - 1];
    };
  }

  // The text between "DATA" and the end, exactly as it goes on the wire.
  std::string Wire() {
    composer_.Begin();
    std::string text;
    std::string line;
    while (composer_.NextWireLine(line)) text += line + "\r\n";
    return text;
  }

  std::string Attach(const std::string& name, const std::string& content) {
    std::string path = dir_.File(name);
    WriteFile(path, content);
    return path;
  }

  FakeClock clock_;
  ScopedClock scoped_;
  TempDir dir_;
  MessageComposer composer_;
  std::vector<std::string> body_;
};

TEST_F(MessageComposerTest, PlainMessageMatchesLayoutByteForByte) {
  body_ = {"Dear Ann,", ".", "..two dots", "", "Bye."};
  EXPECT_EQ(Wire(),
            "From: Sender <sender@example.test>\r\n"
            "To: Ann <ann@example.test>\r\n"
            "Subject: Hello Ann\r\n"
            "Mime-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
            "Date: Tue, 9 Mar 2004 14:05:33\r\n"
            "\r\n"
            "Dear Ann,\r\n"
            "..\r\n"
            "...two dots\r\n"
            "\r\n"
            "Bye.\r\n"
            ".\r\n");
}

TEST_F(MessageComposerTest, MultipartMessageMatchesLayoutByteForByte) {
  composer_.SetContentType(smtpHTML);
  composer_.SetEmailFiles(
      {Attach("report.pdf", Bytes(0, 100)), Attach("list.zip", "abcdefghijklmnopqrstuvwxyz0123")});
  body_ = {"<p>Hi</p>", ".hidden"};
  const std::string b = "= Multipart Boundary 0309041405";
  EXPECT_EQ(Wire(),
            "From: Sender <sender@example.test>\r\n"
            "To: Ann <ann@example.test>\r\n"
            "Subject: Hello Ann\r\n"
            "Mime-Version: 1.0\r\n"
            "Content-Type: multipart/mixed;\r\n"
            "\tboundary=\"" +
                b +
                "\"\r\n"
                "Date: Tue, 9 Mar 2004 14:05:33\r\n"
                "\r\n"
                "This is a multipart MIME message.\r\n"
                "\r\n"
                "--" +
                b +
                "\r\n"
                "Content-Type: text/html; charset=\"iso-8859-1\"\r\n"
                "Content-Transfer-Encoding: 7bit\r\n"
                "\r\n"
                "<p>Hi</p>\r\n"
                "..hidden\r\n"
                "\r\n"
                "--" +
                b +
                "\r\n"
                "Content-Type: application/octet-stream;\r\n"
                "\tname=\"report.pdf\"\r\n"
                "Content-Transfer-Encoding: base64\r\n"
                "Content-Disposition: attachment;\r\n"
                "\tfilename=\"report.pdf\"\r\n"
                "\r\n"
                "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKiss\r\n"
                "LS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZ\r\n"
                "WltcXV5fYGFiYw==\r\n"
                "\r\n"
                "--" +
                b +
                "\r\n"
                "Content-Type: application/octet-stream;\r\n"
                "\tname=\"list.zip\"\r\n"
                "Content-Transfer-Encoding: base64\r\n"
                "Content-Disposition: attachment;\r\n"
                "\tfilename=\"list.zip\"\r\n"
                "\r\n"
                "YWJjZGVmZ2hpamtsbW5vcHFyc3R1dnd4eXowMTIz\r\n"
                "\r\n"
                "--" +
                b +
                "--\r\n"
                ".\r\n");
}

// Attachment edge cases: what follows the part header for a given file size.
TEST_F(MessageComposerTest, AttachmentPartsForEdgeSizes) {
  struct Case {
    std::string content;
    std::string encoded;  // the lines between the part header's blank line and the closing part
  } cases[] = {
      {"", "\r\n"},  // an empty file: one empty encoded line
      {Bytes(200, 45), "yMnKy8zNzs/Q0dLT1NXW19jZ2tvc3d7f4OHi4+Tl5ufo6err7O3u7/Dx8vP0\r\n"},
      {"a", "YQ==\r\n"},
      {"ab", "YWI=\r\n"},
  };
  for (const Case& c : cases) {
    composer_.SetEmailFiles({Attach("f.bin", c.content)});
    body_.clear();
    const std::string wire = Wire();
    const std::string b = composer_.Boundary();
    const std::string tail = "\tfilename=\"f.bin\"\r\n\r\n" + c.encoded + "\r\n--" + b + "--\r\n.\r\n";
    ASSERT_GE(wire.size(), tail.size());
    EXPECT_EQ(wire.substr(wire.size() - tail.size()), tail) << "size " << c.content.size();
    // An empty body goes straight from the preamble's blank line to the first part.
    EXPECT_NE(wire.find("7bit\r\n\r\n\r\n--" + b + "\r\nContent-Type: application/octet-stream;"),
              std::string::npos);
  }
}

TEST_F(MessageComposerTest, EmptyBodyWithoutAttachmentsEndsRightAfterTheHeader) {
  const std::string wire = Wire();
  const std::string tail = "Date: Tue, 9 Mar 2004 14:05:33\r\n\r\n.\r\n";
  EXPECT_EQ(wire.substr(wire.size() - tail.size()), tail);
  EXPECT_EQ(wire.find("Content-Transfer-Encoding"), std::string::npos);
  EXPECT_EQ(wire.find("multipart"), std::string::npos);
}

TEST_F(MessageComposerTest, LargeAttachmentRoundTripsInLinesOfAtMostSixty) {
  std::string content;
  for (unsigned i = 0; i < 300000; ++i) content.push_back(static_cast<char>((i * 7919u) >> 3));
  composer_.SetEmailFiles({Attach("big.bin", content)});
  composer_.Begin();
  std::string line;
  while (composer_.NextHeaderLine(line)) {
  }
  std::string encoded;
  bool inPart = false;
  while (composer_.NextDataLine(line)) {
    if (line == "\tfilename=\"big.bin\"") {
      inPart = true;
      ASSERT_TRUE(composer_.NextDataLine(line));  // the part header's blank line
      continue;
    }
    if (inPart && line.empty()) break;
    if (inPart) {
      ASSERT_LE(line.size(), 60u);
      encoded += line;
    }
  }
  EXPECT_EQ(encoded.size(), (content.size() + 2) / 3 * 4);
  EXPECT_EQ(DecodeBase64(encoded), content);
}

TEST_F(MessageComposerTest, EmailFilesSetterTrimsDropsBlanksAndStopsAtMissingFile) {
  const std::string a = Attach("a.txt", "A");
  const std::string b = Attach("b.txt", "B");
  composer_.SetEmailFiles({"  " + a + " \t", "", "   ", b});
  EXPECT_EQ(composer_.EmailFiles(), (std::vector<std::string>{a, b}));

  const std::string missing = dir_.File("missing.txt");
  try {
    composer_.SetEmailFiles({a, " " + missing + " ", b});
    FAIL() << "no exception";
  } catch (const SmtpException& e) {
    EXPECT_STREQ(e.what(), ("File not found '" + missing + "'").c_str());
  }
  EXPECT_EQ(composer_.EmailFiles(), std::vector<std::string>{a});
  EXPECT_THROW(composer_.SetEmailFiles({dir_.path()}), SmtpException);  // a folder is not a file

  composer_.SetEmailFiles({});
  EXPECT_TRUE(composer_.EmailFiles().empty());
}

TEST_F(MessageComposerTest, OnlyTheFileNameGoesIntoThePartHeader) {
  std::filesystem::create_directory(dir_.File("sub"));
  composer_.SetEmailFiles({" " + Attach("sub/q.txt", "Q") + " "});
  const std::string wire = Wire();
  EXPECT_NE(wire.find("\tname=\"q.txt\"\r\n"), std::string::npos);
  EXPECT_NE(wire.find("\tfilename=\"q.txt\"\r\n"), std::string::npos);
  EXPECT_EQ(wire.find("sub/"), std::string::npos);
}

TEST_F(MessageComposerTest, ProcessHeaderHookEditsTheListAndAddedContentTypeIsRewritten) {
  composer_.SetEmailFiles({Attach("a.txt", "A")});
  composer_.OnProcessHeader = [](std::vector<std::string>& lines) {
    ASSERT_EQ(lines.size(), 6u);
    lines.erase(lines.begin() + 5);  // drop Date
    lines.push_back("content-TYPE: text/x-other");
    lines.push_back("X-Mailer-Run: 7");
  };
  const std::string wire = Wire();
  const std::string multipart =
      "Content-Type: multipart/mixed;\r\n\tboundary=\"" + composer_.Boundary() + "\"\r\n";
  const std::size_t first = wire.find(multipart);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(wire.find(multipart + "X-Mailer-Run: 7\r\n\r\nThis is a multipart", first + 1),
            std::string::npos);
  EXPECT_EQ(wire.find("Date:"), std::string::npos);
}

TEST_F(MessageComposerTest, HeaderLineHookRewritesLinesInPlace) {
  std::vector<std::string> seen;
  composer_.OnHeaderLine = [&seen](std::string& line, int size) {
    EXPECT_EQ(size, 1024);
    seen.push_back(line);
    if (line.rfind("Subject:", 0) == 0) line = "Subject: changed";
  };
  const std::string wire = Wire();
  EXPECT_EQ(seen.size(), 7u);  // six lines and the blank separator
  EXPECT_EQ(seen.back(), "");
  EXPECT_NE(wire.find("\r\nSubject: changed\r\n"), std::string::npos);
}

TEST_F(MessageComposerTest, BoundaryAndDateComeFromTheClock) {
  composer_.SetEmailFiles({Attach("a.txt", "A")});
  Wire();
  const std::string first = composer_.Boundary();
  EXPECT_EQ(first, "= Multipart Boundary 0309041405");
  LocalDateTime later = March9();
  later.second = 59;
  clock_.SetNow(later);
  Wire();
  EXPECT_EQ(composer_.Boundary(), first);  // same minute, same boundary
  later.minute = 6;
  clock_.SetNow(later);
  Wire();
  EXPECT_EQ(composer_.Boundary(), "= Multipart Boundary 0309041406");
}

TEST(DateTextTest, EnglishNamesNoLeadingZeroOnTheDayTwoDigitTime) {
  struct Case {
    LocalDateTime t;
    const char* want;
  };
  LocalDateTime newYear;
  newYear.year = 2027;
  newYear.month = 1;
  newYear.day = 1;
  newYear.dayOfWeek = 5;
  LocalDateTime lastSunday;
  lastSunday.year = 1999;
  lastSunday.month = 12;
  lastSunday.day = 26;
  lastSunday.hour = 23;
  lastSunday.minute = 59;
  lastSunday.second = 9;
  lastSunday.dayOfWeek = 0;
  const Case cases[] = {{March9(), "Tue, 9 Mar 2004 14:05:33"},
                        {newYear, "Fri, 1 Jan 2027 00:00:00"},
                        {lastSunday, "Sun, 26 Dec 1999 23:59:09"}};
  for (const Case& c : cases) EXPECT_EQ(SmtpDateText(c.t), c.want);
  EXPECT_EQ(MultipartBoundary(lastSunday), "= Multipart Boundary 1226992359");
}

TEST_F(MessageComposerTest, TheSameComposerSendsOneMessageAfterAnother) {
  composer_.SetEmailFiles({Attach("a.txt", Bytes(1, 99))});
  body_ = {"line"};
  const std::string first = Wire();
  EXPECT_EQ(Wire(), first);
}

// Bad input: a header value must never become two header lines on the wire.
TEST_F(MessageComposerTest, HeaderValueWithLineBreakOrNulIsRefusedNamingTheHeader) {
  struct Case {
    std::string MessageComposer::*field;
    const char* name;
  } fields[] = {{&MessageComposer::HdrFrom, "From"},
                {&MessageComposer::HdrTo, "To"},
                {&MessageComposer::HdrSubject, "Subject"}};
  const std::string poisons[] = {"x\r\nBcc: victim@example.test", "x\nBcc: v", "x\rBcc: v",
                                 std::string("x\0y", 3)};
  for (const Case& f : fields) {
    for (const std::string& poison : poisons) {
      MessageComposer composer;
      composer.*f.field = poison;
      try {
        composer.Begin();
        ADD_FAILURE() << f.name << " accepted";
      } catch (const SmtpException& e) {
        EXPECT_EQ(std::string(e.what()),
                  std::string("Invalid character (CR, LF or NUL) in the ") + f.name + " header");
      }
    }
  }
}

TEST_F(MessageComposerTest, HooksCannotSmuggleLineBreaksIntoTheHeader) {
  composer_.OnProcessHeader = [](std::vector<std::string>& lines) { lines.push_back("X-Tag: a\nBcc: v"); };
  EXPECT_THROW(composer_.Begin(), SmtpException);

  composer_.OnProcessHeader = nullptr;
  composer_.OnHeaderLine = [](std::string& line, int) {
    if (line.rfind("To:", 0) == 0) line += "\nBcc: v";
  };
  composer_.Begin();
  std::string line;
  EXPECT_TRUE(composer_.NextHeaderLine(line));  // From
  EXPECT_THROW(composer_.NextHeaderLine(line), SmtpException);
}

TEST_F(MessageComposerTest, BodyLineBreaksBecomeSeparateDotStuffedLinesAndNulEndsALine) {
  body_ = {"one\r\n.\r\ntwo", "three\n..four\rfive", std::string("six\0hidden", 10), "seven\n"};
  const std::string wire = Wire();
  const std::string bodyPart = wire.substr(wire.find("\r\n\r\n") + 4);
  EXPECT_EQ(bodyPart, "one\r\n..\r\ntwo\r\nthree\r\n...four\r\nfive\r\nsix\r\nseven\r\n\r\n.\r\n");
}

TEST_F(MessageComposerTest, AttachmentRemovedAfterAssignmentFailsWhenItsPartStarts) {
  const std::string path = Attach("gone.txt", "data");
  composer_.SetEmailFiles({path});
  std::filesystem::remove(path);
  composer_.Begin();
  std::string line;
  try {
    while (composer_.NextWireLine(line)) {
    }
    FAIL() << "no exception";
  } catch (const SmtpException& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open attachment '" + path + "'"), std::string::npos);
  }
}

// The file name goes into two quoted-string parameters (RFC 2045 section 5.1,
// RFC 822 quoted-pair): a quote or backslash in it is escaped, and a control
// character, which could end the header line, is dropped.
TEST_F(MessageComposerTest, FileNameIsQuotedInThePartHeader) {
  struct Case {
    std::string file, quoted;
  } cases[] = {
      {"say \"hi\".txt", "\"say \\\"hi\\\".txt\""},
      {"back\\slash.txt", "\"back\\\\slash.txt\""},
      {"a\r\nContent-Type: evil\t\x7F.txt", "\"aContent-Type: evil.txt\""},
      {"\"", "\"\\\"\""},
      {"caf\xE9 (1).pdf", "\"caf\xE9 (1).pdf\""},  // 8-bit bytes pass unchanged
  };
  for (const Case& c : cases) {
    composer_.SetEmailFiles({Attach(c.file, "x")});
    const std::string wire = Wire();
    EXPECT_NE(wire.find("\r\n\tname=" + c.quoted + "\r\n"), std::string::npos) << c.quoted << "\n" << wire;
    EXPECT_NE(wire.find("\r\n\tfilename=" + c.quoted + "\r\n"), std::string::npos) << c.quoted;
    EXPECT_EQ(wire.find("\r\nContent-Type: evil"), std::string::npos);
  }
}

}  // namespace
}  // namespace norvane
