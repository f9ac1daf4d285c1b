#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "composed_text.h"
#include "platform/clock.h"
#include "smtp/dkim_canonical.h"
#include "smtp/dkim_key.h"
#include "smtp/dkim_signer.h"
#include "smtp/message_composer.h"
#include "smtp/smtp_exception.h"
#include "support/python_run.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(DkimCanonical, RelaxedHeaderFields) {
  const std::pair<std::string, std::string> cases[] = {
      // RFC 6376 section 3.4.5.
      {"A: X", "a:X\r\n"},
      {"B : Y\t\r\n\tZ  ", "b:Y Z\r\n"},
      {"Subject:   Hello    World  ", "subject:Hello World\r\n"},
      {"Content-Type: multipart/mixed;\r\n\tboundary=\"= Multipart Boundary 0309041405\"",
       "content-type:multipart/mixed; boundary=\"= Multipart Boundary 0309041405\"\r\n"},
      {"X-Empty:", "x-empty:\r\n"},
  };
  for (const auto& [field, expected] : cases) EXPECT_EQ(RelaxedHeader(field), expected) << field;
}

std::string BodyHash(const std::vector<std::string>& lines) {
  RelaxedBodyHash hash;
  for (const std::string& line : lines) hash.AddLine(line);
  return hash.Finish();
}

TEST(DkimCanonical, RelaxedBodyHash) {
  // RFC 6376 section 3.4.5: " C \r\nD \t E\r\n\r\n\r\n" is " C\r\nD E\r\n".
  EXPECT_EQ(BodyHash({" C ", "D \t E", "", ""}), "unak6JHq0wL+Q1HP7dW1tjBx9FLA6DffoZ0qrLwbbpo=");
  EXPECT_EQ(BodyHash({" C", "D E"}), BodyHash({" C ", "D \t E", "", ""}));
  // An empty body, and one of empty lines only, hash as nothing at all.
  EXPECT_EQ(BodyHash({}), "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=");
  EXPECT_EQ(BodyHash({"", "  ", ""}), BodyHash({}));
  // Empty lines inside the body count.
  EXPECT_NE(BodyHash({"a", "", "b"}), BodyHash({"a", "b"}));
}

TEST(DkimSigner, NamesAndTimes) {
  EXPECT_TRUE(IsPlainDomainName("example.org"));
  EXPECT_TRUE(IsPlainDomainName("mail-2024"));
  for (const char* bad : {"", "a..b", "-a.org", "a-.org", "a;b", "a b", "x=1", ".org", "org."})
    EXPECT_FALSE(IsPlainDomainName(bad)) << bad;
  LocalDateTime t;
  t.year = 2004;
  t.month = 3;
  t.day = 9;
  t.hour = 15;
  t.minute = 5;
  t.second = 33;
  t.utcOffsetMinutes = 60;
  EXPECT_EQ(UnixTime(t), 1078841133);
}

TEST(DkimKey, RefusesWhatItCannotSignWith) {
  EXPECT_THROW(DkimKey::FromPem("not a key", "test"), DkimKeyError);
  EXPECT_THROW(DkimKey::ReadFile("/nonexistent/key.pem"), DkimKeyError);
  EXPECT_THROW(DkimSigner("example.org", "a;b=c", DkimKey::Generate(DkimAlgorithm::kEd25519Sha256)),
               DkimKeyError);
  // A key that went through its PEM text signs the same way.
  DkimKey key = DkimKey::Generate(DkimAlgorithm::kEd25519Sha256);
  DkimKey back = DkimKey::FromPem(key.PrivatePem(), "test");
  EXPECT_EQ(back.PublicKeyBase64(), key.PublicKeyBase64());
  EXPECT_EQ(back.Sign("data"), key.Sign("data"));  // Ed25519 signatures are deterministic
  EXPECT_EQ(std::string(back.KeyType()), "ed25519");
}

// Verifies every message file with dkimpy against the given key record.
constexpr char kVerifyScript[] = R"(
import sys, dkim
record = open(sys.argv[1], 'rb').read()
failed = 0
for path in sys.argv[2:]:
    ok = dkim.verify(open(path, 'rb').read(), dnsfunc=lambda name, timeout=5: record)
    print(path, 'verified' if ok else 'FAILED')
    failed += 0 if ok else 1
sys.exit(1 if failed else 0)
)";

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

class DkimSigningTest : public ::testing::TestWithParam<DkimAlgorithm> {
 protected:
  DkimSigningTest() : scoped_(clock_) {
    clock_.SetNow(March9());
    composer_.HdrFrom = "Sender <sender@example.org>";
    composer_.HdrTo = "\"Chlo\xe9 M\xfcller\" <chloe@example.test>";
    composer_.HdrSubject = "Your \x80 invoice";
    composer_.OnGetData = [this](int lineNum, std::string& line, int, bool& more) {
      if (lineNum > static_cast<int>(body_.size())) {
        more = false;
        return;
      }
      line = body_[lineNum - 1];
    };
    // Standard headers as the sending controller adds them.
    composer_.OnProcessHeader = [](std::vector<std::string>& lines) {
      lines.push_back("Message-ID: <1.2@example.org>");
    };
  }

  static void SetUpTestSuite() {
    keys_[0] = std::make_unique<DkimKey>(DkimKey::Generate(DkimAlgorithm::kRsaSha256));
    keys_[1] = std::make_unique<DkimKey>(DkimKey::Generate(DkimAlgorithm::kEd25519Sha256));
  }
  static void TearDownTestSuite() {
    keys_[0].reset();
    keys_[1].reset();
  }

  const DkimKey& Key() const { return *keys_[GetParam() == DkimAlgorithm::kRsaSha256 ? 0 : 1]; }

  void UseSigner() { composer_.Format.Signer = std::make_shared<DkimSigner>("example.org", "sel1", Key()); }

  std::string Record() const {
    return std::string("v=DKIM1; k=") + Key().KeyType() + "; p=" + Key().PublicKeyBase64();
  }

  // Writes each text to a file and verifies them all; the output of dkimpy.
  test::PythonResult Verify(const std::vector<std::string>& messages) {
    std::vector<std::string> args = {dir_.File("record.txt")};
    WriteFile(args[0], Record());
    for (std::size_t i = 0; i < messages.size(); ++i) {
      args.push_back(dir_.File("message" + std::to_string(i) + ".eml"));
      WriteFile(args.back(), messages[i]);
    }
    return test::RunPython(kVerifyScript, args);
  }

  std::string Attach(const std::string& name, const std::string& content) {
    const std::string path = dir_.File(name);
    WriteFile(path, content);
    return path;
  }

  static std::unique_ptr<DkimKey> keys_[2];
  FakeClock clock_;
  ScopedClock scoped_;
  TempDir dir_;
  MessageComposer composer_;
  std::vector<std::string> body_ = {
      "Dear Chlo\xe9,", ".", "..two dots", "trailing blanks   ", "a=b and \x93quotes\x94", "", ""};
};

std::unique_ptr<DkimKey> DkimSigningTest::keys_[2];

TEST_P(DkimSigningTest, EveryFormOfMessageVerifies) {
  UseSigner();
  std::string binary;
  for (int i = 0; i < 300; ++i) binary += static_cast<char>(i * 7);
  const std::string report = Attach("report.pdf", binary);
  const std::string named = Attach("Rechnung M\xfcller.txt", "a\r\n.\r\nb");
  struct Form {
    bool mime;
    bool eightBit;
    std::vector<std::string> files;
  };
  const Form forms[] = {
      {false, false, {}}, {false, false, {report, named}}, {true, false, {}},
      {true, true, {}},   {true, false, {report, named}},  {true, true, {report}},
  };
  std::vector<std::string> messages;
  for (const Form& form : forms) {
    composer_.Format.MimeEncoding = form.mime;
    composer_.ServerAccepts8Bit = form.eightBit;
    composer_.SetEmailFiles(form.files);
    composer_.Begin();
    messages.push_back(test::ReceivedText(composer_));
    ASSERT_EQ(messages.back().rfind("DKIM-Signature: v=1; a=" + std::string(Key().SignatureAlgorithm()), 0),
              0u);
  }
  const test::PythonResult result = Verify(messages);
  EXPECT_EQ(result.exitCode, 0) << result.output;
}

TEST_P(DkimSigningTest, ChangesAfterSigningFailVerification) {
  UseSigner();
  composer_.Format.MimeEncoding = true;
  composer_.SetEmailFiles({Attach("data.bin", std::string(100, 'x'))});
  composer_.Begin();
  const std::string message = test::ReceivedText(composer_);
  ASSERT_EQ(Verify({message}).exitCode, 0) << Verify({message}).output;

  std::string bodyByte = message;
  bodyByte[bodyByte.find("two dots") + 1] = 'W';
  std::string addedFrom = "From: someone@else.test\r\n" + message;
  std::string subject = message;
  subject.replace(subject.find("Subject: Your"), 13, "Subject: Our ");
  std::string attachment = message;
  attachment[attachment.find("eHh4eHh4")] = 'f';
  for (const std::string& changed : {bodyByte, addedFrom, subject, attachment}) {
    const test::PythonResult result = Verify({changed});
    EXPECT_EQ(result.exitCode, 1) << result.output;
  }
}

TEST_P(DkimSigningTest, SignsTheHeaderLinesAsTheHookLeftThem) {
  UseSigner();
  composer_.OnHeaderLine = [](std::string& line, int) {
    if (line.rfind("Subject:", 0) == 0) line = "Subject: rewritten by the hook";
  };
  composer_.Begin();
  const std::string message = test::ReceivedText(composer_);
  EXPECT_NE(message.find("\r\nSubject: rewritten by the hook\r\n"), std::string::npos);
  const test::PythonResult result = Verify({message});
  EXPECT_EQ(result.exitCode, 0) << result.output;
}

TEST_P(DkimSigningTest, SignsTheFieldsThatMatterAndOversignsTheSingleOnes) {
  UseSigner();
  composer_.Format.MimeEncoding = true;
  composer_.OnProcessHeader = [](std::vector<std::string>& lines) {
    lines.push_back("Message-ID: <1.2@example.org>");
    lines.push_back("List-Unsubscribe: <https://example.org/u?e=x>");
    lines.push_back("List-Unsubscribe-Post: List-Unsubscribe=One-Click");
    lines.push_back("X-Mailer: not signed");
  };
  composer_.Begin();
  std::string field;
  ASSERT_TRUE(composer_.NextHeaderLine(field));
  std::string unfolded;
  for (char c : field) {
    if (c != '\r' && c != '\n' && c != '\t' && c != ' ') unfolded += c;
  }
  EXPECT_NE(unfolded.find("h=from:from:to:to:subject:subject:date:date:message-id:message-id:mime-version:"
                          "content-type:content-transfer-encoding:list-unsubscribe:list-unsubscribe-post;"),
            std::string::npos)
      << field;
  EXPECT_NE(unfolded.find("d=example.org;s=sel1;t=1078841133;"), std::string::npos) << field;
  for (std::size_t start = 0, brk; start < field.size(); start = brk + 2) {
    brk = field.find("\r\n", start);
    if (brk == std::string::npos) brk = field.size();
    EXPECT_LE(brk - start, 78u);
  }
}

TEST_P(DkimSigningTest, AnAttachmentChangedWhileSendingStopsTheMessageBeforeItsEnd) {
  UseSigner();
  const std::string path = Attach("data.bin", std::string(100, 'x'));
  composer_.SetEmailFiles({path});
  composer_.Begin();
  WriteFile(path, std::string(100, 'y'));
  std::string line;
  while (composer_.NextHeaderLine(line)) {
  }
  EXPECT_THROW(
      {
        while (composer_.NextDataLine(line)) {
        }
      },
      SmtpException);
}

INSTANTIATE_TEST_SUITE_P(Algorithms, DkimSigningTest,
                         ::testing::Values(DkimAlgorithm::kRsaSha256, DkimAlgorithm::kEd25519Sha256),
                         [](const auto& info) {
                           return info.param == DkimAlgorithm::kRsaSha256 ? std::string("Rsa")
                                                                          : std::string("Ed25519");
                         });

}  // namespace
}  // namespace norvane
