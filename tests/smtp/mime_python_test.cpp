// Messages with Windows-1252 text read back by Python's email package, a
// reader we did not write: the text it shows must be the text we meant.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "composed_text.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "smtp/message_composer.h"
#include "support/python_run.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::TempDir;
using test::WriteFile;

// Arguments: the message file, then hex of the UTF-8 expectations: To's
// display name, Subject, body, attachment name, attachment content (hex of bytes).
constexpr char kReadBackScript[] = R"(
import sys, email
from email import policy
raw = open(sys.argv[1], 'rb').read()
want_to, want_subject, want_body, want_name = (bytes.fromhex(a).decode('utf-8') for a in sys.argv[2:6])
want_content = bytes.fromhex(sys.argv[6])
m = email.message_from_bytes(raw, policy=policy.default)
problems = []
def same(what, got, want):
    if got != want:
        problems.append('%s: got %r, want %r' % (what, got, want))
same('To', m['To'].addresses[0].display_name, want_to)
same('To address', m['To'].addresses[0].addr_spec, 'chloe@example.test')
same('Subject', str(m['Subject']), want_subject)
same('body', m.get_body(preferencelist=('plain',)).get_content().replace('\r\n', '\n'), want_body)
attachments = list(m.iter_attachments())
same('attachments', len(attachments), 1 if want_name else 0)
for part in attachments:
    same('file name', part.get_filename(), want_name)
    same('file content', part.get_content(), want_content)
for part in m.walk():
    for defect in part.defects:
        problems.append('defect: %r' % defect)
for name, value in m.items():
    if getattr(value, 'defects', None):
        problems.append('defect in %s: %r' % (name, value.defects))
print('\n'.join(problems) if problems else 'same text')
sys.exit(1 if problems else 0)
)";

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

class MimePythonTest : public ::testing::TestWithParam<bool> {
 protected:
  MimePythonTest() : scoped_(clock_) {
    composer_.Format.MimeEncoding = true;
    composer_.ServerAccepts8Bit = GetParam();
    composer_.HdrFrom = "Norvane Test <sender@example.org>";
    composer_.HdrTo = Utf8ToAnsi("\"Chloé Müller\" <chloe@example.test>");
    composer_.HdrSubject = Utf8ToAnsi(
        "“Quoted” offer for Chloé Müller: 5 € off, a very long subject line that has to be folded "
        "over more than one line");
    composer_.OnGetData = [this](int lineNum, std::string& line, int, bool& more) {
      if (lineNum > static_cast<int>(body_.size())) {
        more = false;
        return;
      }
      line = Utf8ToAnsi(body_[lineNum - 1]);
    };
  }

  void ExpectSameText(const std::string& attachmentName, const std::string& content) {
    composer_.Begin();
    const std::string path = dir_.File("message.eml");
    WriteFile(path, test::ReceivedText(composer_));
    std::string body;
    for (const std::string& line : body_) body += line + "\n";
    const test::PythonResult result =
        test::RunPython(kReadBackScript, {path, Hex("Chloé Müller"), Hex(AnsiToUtf8(composer_.HdrSubject)),
                                          Hex(body), Hex(attachmentName), Hex(content)});
    EXPECT_EQ(result.exitCode, 0) << result.output << "\n" << test::ReadFile(path);
  }

  FakeClock clock_;
  ScopedClock scoped_;
  TempDir dir_;
  MessageComposer composer_;
  std::vector<std::string> body_ = {
      "Dear Chloé Müller,",
      "the price is 5 € – “special” – for you.",
      ".",
      "a=b, trailing blanks   ",
      "A line well over seventy-six characters long, with ümlauts and € signs, which quoted-printable "
      "has to break with soft line breaks and put together again.",
      "",
      "Bye."};
};

TEST_P(MimePythonTest, SinglePartTextReadsBackTheSame) {
  ExpectSameText("", "");
}

TEST_P(MimePythonTest, AttachmentNameAndTextReadBackTheSame) {
  const std::string name = "Rechnung Müller € “2024” with a name long enough for continuations.txt";
  const std::string content = "file\r\nbytes\x01\xff";
  const std::string path = dir_.File(Utf8ToAnsi(name));
  WriteFile(path, content);
  composer_.SetEmailFiles({path});
  ExpectSameText(name, content);
}

INSTANTIATE_TEST_SUITE_P(BodyEncodings, MimePythonTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "EightBit" : "QuotedPrintable"; });

}  // namespace
}  // namespace norvane
