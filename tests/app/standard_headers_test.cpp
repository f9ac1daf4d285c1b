#include "app/standard_headers.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "settings/ini_data.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

TEST(StandardHeaders, ZoneText) {
  EXPECT_EQ(ZoneText(0), " +0000");
  EXPECT_EQ(ZoneText(120), " +0200");
  EXPECT_EQ(ZoneText(-90), " -0130");
  EXPECT_EQ(ZoneText(345), " +0545");
}

TEST(StandardHeaders, MessageIdAfterTheDateAndTheZoneOnIt) {
  LocalDateTime now;
  now.utcOffsetMinutes = -300;
  std::vector<std::string> lines{"From: a@b.test",
                                 "To: c@d.test",
                                 "Subject: s",
                                 "Mime-Version: 1.0",
                                 "Content-Type: text/plain; charset=\"iso-8859-1\"",
                                 "Date: Tue, 9 Mar 2004 14:05:33"};
  AddStandardHeaders(lines, "b.test", now);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[5], "Date: Tue, 9 Mar 2004 14:05:33 -0500");
  EXPECT_TRUE(std::regex_match(lines[6], std::regex(R"(Message-ID: <[0-9A-Za-z.]+@b\.test>)"))) << lines[6];

  // A second pass (or a header that has both already) changes nothing.
  auto again = lines;
  AddStandardHeaders(again, "b.test", now);
  EXPECT_EQ(again, lines);

  // Ids never repeat, also within one second.
  std::set<std::string> ids;
  for (int i = 0; i < 1000; ++i) ids.insert(UniqueMessageIdPart(now));
  EXPECT_EQ(ids.size(), 1000u);
}

TEST(StandardHeaders, SettingDefaultsToOn) {
  test::TempDir dir;
  TINI ini(RegistryHive(dir.File("reg")));
  EXPECT_TRUE(StandardHeadersEnabled(ini));
  ini.INIArquivo1().WriteString(kStandardHeadersSection, kStandardHeadersKey, "false");
  EXPECT_FALSE(StandardHeadersEnabled(ini));
  ini.INIArquivo1().WriteString(kStandardHeadersSection, kStandardHeadersKey, "TRUE");
  EXPECT_TRUE(StandardHeadersEnabled(ini));
}

}  // namespace
}  // namespace norvane
