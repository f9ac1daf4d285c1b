#include "app/about_box.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

TEST(AboutBox, VersionLineShowsTheFourPartsOfAFileVersion) {
  const std::pair<const char*, const char*> cases[] = {
      {"0.1.0", "Version 0.1.0.0"},
      {"2", "Version 2.0.0.0"},
      {"1.2.3.4", "Version 1.2.3.4"},
      {"65535.0.0.1", "Version 65535.0.0.1"},
      {"", "Version "},
      // Not a file version: shown as the build gives it.
      {"65536.0", "Version 65536.0"},
      {"1.2.3.4.5", "Version 1.2.3.4.5"},
      {"1.2-beta", "Version 1.2-beta"},
      {"1..2", "Version 1..2"},
      {"99999999999999999999", "Version 99999999999999999999"},
  };
  for (const auto& [version, line] : cases) EXPECT_EQ(VersionLine(version), line) << version;
}

TEST(AboutBox, SystemLineFromTheKernelsNameAndRelease) {
  struct Case {
    const char* name;
    const char* release;
    const char* line;
  };
  const Case cases[] = {
      {"Linux", "6.1.0-18-amd64", "Linux 6.1 (Build 0: 18-amd64)"},
      {"Linux", "5.15.133.1-microsoft-standard-WSL2", "Linux 5.15 (Build 133: 1-microsoft-standard-WSL2)"},
      {"Linux", "6.8.12", "Linux 6.8 (Build 12)"},
      {"Linux", "6.8", "Linux 6.8"},
      {"Linux", "6.8-rc3", "Linux 6.8"},
      {"Linux", "7", "Linux 7.0"},
      {"Linux", "6.x.1", "Linux 6.0"},
      {"Linux", "", "Linux"},
      {"Linux", "unknown", "Linux"},
      {"Linux", "4294967296.1", "Linux"},
      {"", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SystemLine(c.name, c.release), c.line) << c.release;
}

TEST(AboutBox, MemoryLineInKilobytesGroupedByThrees) {
  struct Case {
    uint64_t bytes;
    char separator;
    const char* line;
  };
  const Case cases[] = {
      {16ull << 30, ',', "Memory Available to Linux: 16,777,216 Kb"},
      {16ull << 30, '.', "Memory Available to Linux: 16.777.216 Kb"},
      {16ull << 30, '\0', "Memory Available to Linux: 16777216 Kb"},
      {999 * 1024 + 1023, ',', "Memory Available to Linux: 999 Kb"},
      {1000 * 1024, ',', "Memory Available to Linux: 1,000 Kb"},
      {0, ',', "Memory Available to Linux: 0 Kb"},
  };
  for (const auto& c : cases) EXPECT_EQ(MemoryLine("Linux", c.bytes, c.separator), c.line);
}

TEST(AboutBox, TheBoxShowsThisMachine) {
  SystemInfo info = ReadSystemInfo();
  EXPECT_FALSE(info.Name.empty());
  EXPECT_GT(info.PhysicalMemoryBytes, 0u);
  TAboutBox box(NORVANE_VERSION, info, ',');
  EXPECT_EQ(box.Caption, "About Norvane");
  EXPECT_EQ(box.ProductName, "Norvane");
  EXPECT_EQ(box.Version.rfind("Version " NORVANE_VERSION, 0), 0u);
  EXPECT_EQ(box.OSVersion.rfind(info.Name + " ", 0), 0u) << box.OSVersion;
  EXPECT_NE(box.PhysMem.find(" Kb"), std::string::npos);
}

}  // namespace
}  // namespace norvane
