// Reading what a server announces in its EHLO reply, from well-formed replies to the garbage a
// hostile or broken server may send; and choosing the AUTH mechanism from it.
#include "smtp/ehlo_capabilities.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "smtp/base64.h"
#include "smtp/smtp_auth.h"

namespace norvane {
namespace {

TEST(EhloCapabilities, RepliesAndWhatTheyAnnounce) {
  struct Case {
    std::vector<std::string> reply;
    std::string summary;  // keywords in capitals with their parameters, in order
  };
  const Case cases[] = {
      // smtp-sink: ends with a bare "250 ".
      {{"250-smtp-sink", "250-PIPELINING", "250-8BITMIME", "250-AUTH PLAIN LOGIN", "250-ENHANCEDSTATUSCODES",
        "250 "},
       "PIPELINING, 8BITMIME, AUTH PLAIN LOGIN, ENHANCEDSTATUSCODES"},
      {{"250-mx.example.test Hello", "250-SIZE 35882577", "250-STARTTLS", "250 HELP"},
       "SIZE 35882577, STARTTLS, HELP"},
      // Case, tabs, repeated blanks, the old "AUTH=" form merged with AUTH, duplicates dropped.
      {{"250-x", "250-starttls", "250-auth\tlogin  Plain", "250-AUTH=LOGIN CRAM-MD5", "250 8bitmime"},
       "STARTTLS, AUTH login Plain CRAM-MD5, 8BITMIME"},
      // Keywords that are not letters, digits and "-" and parameters that are not printable.
      {{"250-x", "250-ST@RTTLS", "250--DASH",
        "250-X-OK a\x01"
        "b c",
        "250 \xe9XT"},
       "X-OK c"},
      // Only a greeting line, or nothing at all.
      {{"250 only.the.name"}, ""},
      {{}, ""},
  };
  for (const Case& c : cases) {
    EhloCapabilities caps = EhloCapabilities::Parse(c.reply);
    EXPECT_EQ(caps.Summary(), c.summary) << (c.reply.empty() ? "" : c.reply[0]);
  }

  EhloCapabilities caps = EhloCapabilities::Parse(cases[2].reply);
  EXPECT_TRUE(caps.Has("StartTLS"));
  EXPECT_TRUE(caps.OffersAuth("PLAIN"));
  EXPECT_TRUE(caps.OffersAuth("cram-md5"));
  EXPECT_FALSE(caps.OffersAuth("XOAUTH2"));
  EXPECT_EQ(caps.Domain(), "x");
  EXPECT_EQ(EhloCapabilities::Parse(cases[1].reply).Domain(), "mx.example.test");
}

TEST(EhloCapabilities, SizeLimit) {
  auto size = [](const std::string& line) { return EhloCapabilities::Parse({"250-x", line}).SizeLimit(); };
  EXPECT_EQ(size("250 SIZE 35882577"), 35882577u);
  EXPECT_EQ(size("250 SIZE"), 0u);
  EXPECT_EQ(size("250 SIZE 12x"), std::nullopt);
  EXPECT_EQ(size("250 SIZE 99999999999999999999999"), std::nullopt);
  EXPECT_EQ(size("250 HELP"), std::nullopt);
}

TEST(EhloCapabilities, LimitsHoldAgainstAnEndlessReply) {
  std::vector<std::string> reply = {"250-x"};
  for (int i = 0; i < 1000; ++i) reply.push_back("250-EXT" + std::to_string(i) + " " + std::string(500, 'p'));
  std::string params = "250-AUTH";
  for (int i = 0; i < 1000; ++i) params += " M" + std::to_string(i);
  reply.push_back(params);
  reply.push_back("250-" + std::string(100000, 'K'));
  EhloCapabilities caps = EhloCapabilities::Parse(reply);
  EXPECT_EQ(caps.Count(), EhloCapabilities::kMaxExtensions);
  EXPECT_EQ(caps.Parameters("EXT0")->size(), 0u);  // a 500-byte parameter is no parameter
  EXPECT_FALSE(caps.Has("AUTH"));                  // no room left for it
}

TEST(SmtpAuth, MechanismChoiceAndEncodings) {
  auto choose = [](const std::string& auth) {
    return ChooseAuthMechanism(EhloCapabilities::Parse({"250-x", "250 " + auth}));
  };
  EXPECT_EQ(choose("AUTH LOGIN PLAIN"), SmtpAuthMechanism::kPlain);
  EXPECT_EQ(choose("AUTH LOGIN CRAM-MD5"), SmtpAuthMechanism::kLogin);
  EXPECT_EQ(choose("AUTH CRAM-MD5 XOAUTH2"), SmtpAuthMechanism::kNone);
  EXPECT_EQ(choose("8BITMIME"), SmtpAuthMechanism::kNone);

  // RFC 4616 4 and RFC 4648 10.
  EXPECT_EQ(AuthPlainResponse("tim", "tanstaaftanstaaf"), "AHRpbQB0YW5zdGFhZnRhbnN0YWFm");
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64(std::string("\xff\x00\xfe", 3)), "/wD+");
}

}  // namespace
}  // namespace norvane
