#include "platform/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/atomic_file.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(RegistryHiveTest, StoresStringsInRegeditLayoutAndReadsThemBack) {
  TempDir dir;
  RegistryHive hive(dir.File("sub/dir/Norvane.reg"));  // folders are created on the first write
  hive.WriteString("\\software\\Kalvento\\Norvane\\DNS", "Primary", "127.0.0.1");
  hive.WriteString("software\\KALVENTO\\norvane\\dns", "primary", "10.0.0.1");  // same key and value
  hive.WriteString("\\software\\Kalvento\\Norvane\\Connection", "From", "Ann \"A\" <a@b.test>\\x\r\nend");

  EXPECT_EQ(ReadFile(hive.filePath()),
            "REGEDIT4\n"
            "\n[HKEY_CURRENT_USER]\n"
            "\n[HKEY_CURRENT_USER\\software]\n"
            "\n[HKEY_CURRENT_USER\\software\\Kalvento]\n"
            "\n[HKEY_CURRENT_USER\\software\\Kalvento\\Norvane]\n"
            "\n[HKEY_CURRENT_USER\\software\\Kalvento\\Norvane\\DNS]\n"
            "\"Primary\"=\"10.0.0.1\"\n"
            "\n[HKEY_CURRENT_USER\\software\\Kalvento\\Norvane\\Connection]\n"
            "\"From\"=\"Ann \\\"A\\\" <a@b.test>\\\\x\\r\\nend\"\n");
  EXPECT_EQ(hive.ReadString("Software\\Kalvento\\Norvane\\DNS", "PRIMARY"), "10.0.0.1");
  EXPECT_EQ(hive.ReadString("\\software\\Kalvento\\Norvane\\Connection", "From"),
            "Ann \"A\" <a@b.test>\\x\r\nend");
  EXPECT_EQ(hive.ReadString("\\software\\Kalvento\\Norvane\\DNS", "Secondary"), std::nullopt);
  EXPECT_EQ(hive.ReadString("\\software\\Nothing", "Primary"), std::nullopt);
}

TEST(RegistryHiveTest, ValueOfAnotherTypeFailsAStringReadAndSurvivesRewrites) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  WriteFile(hive.filePath(),
            "REGEDIT4\r\n\r\n; written by hand\r\n[HKEY_CURRENT_USER\\software\\K]\r\n"
            "\"TimeOut\"=dword:0000001e\r\n\"Blob\"=hex:01,02,\\\r\n  03\r\n@=\"default\"\r\n");
  try {
    hive.ReadString("software\\K", "TimeOut");
    FAIL() << "no error";
  } catch (const RegistryError& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'TimeOut'");
  }
  EXPECT_EQ(hive.ReadString("software\\K", ""), "default");
  hive.WriteString("software\\K", "From", "x");
  std::string text = ReadFile(hive.filePath());
  EXPECT_NE(text.find("\"TimeOut\"=dword:0000001e\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Blob\"=hex:01,02,\\\n  03\n"), std::string::npos) << text;
  EXPECT_THROW(hive.ReadString("software\\K", "Blob"), RegistryError);
}

TEST(RegistryHiveTest, DeleteKeyRemovesSubkeysButNotSiblingsWithTheSamePrefix) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  hive.WriteString("a\\MRU", "0", "x");
  hive.WriteString("a\\MRU\\deep", "v", "y");
  hive.WriteString("a\\MRUX", "v", "z");
  EXPECT_TRUE(hive.DeleteKey("A\\mru"));
  EXPECT_FALSE(hive.KeyExists("a\\MRU"));
  EXPECT_FALSE(hive.KeyExists("a\\MRU\\deep"));
  EXPECT_EQ(hive.ReadString("a\\MRUX", "v"), "z");
  EXPECT_FALSE(hive.DeleteKey("a\\MRU"));
}

TEST(RegistryHiveTest, DamagedFileIsReportedAndNeverOverwritten) {
  const char* cases[] = {
      "[HKEY_CURRENT_USER\\x]\n",                       // no header
      "REGEDIT4\n\"v\"=\"1\"\n",                        // value outside a key
      "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"v\"=\"1\n",  // unterminated text
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\x]\n",            // another root
      "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"v\"=\"a\\q\"\n",
      "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"v\"=17\n",
  };
  for (const char* content : cases) {
    SCOPED_TRACE(content);
    TempDir dir;
    RegistryHive hive(dir.File("Norvane.reg"));
    WriteFile(hive.filePath(), content);
    EXPECT_THROW(hive.ReadString("x", "v"), RegistryError);
    EXPECT_THROW(hive.WriteString("x", "v", "2"), RegistryError);
    EXPECT_EQ(ReadFile(hive.filePath()), content);
  }
}

TEST(RegistryHiveTest, FailedWriteKeepsThePreviousFile) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  hive.WriteString("k", "From", "old");
  std::string before = ReadFile(hive.filePath());
  AtomicFile::FailAfterBytesForTesting(10);
  try {
    hive.WriteString("k", "From", "new");
    ADD_FAILURE() << "no error";
  } catch (const RegistryError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("Failed to set data for 'From': ", 0), 0u) << error.what();
  }
  AtomicFile::FailAfterBytesForTesting(-1);
  EXPECT_EQ(ReadFile(hive.filePath()), before);
}

TEST(RegistryHiveTest, TwoWritersOfOneFileKeepEachOthersValues) {
  TempDir dir;
  RegistryHive first(dir.File("Norvane.reg"));
  RegistryHive second(dir.File("Norvane.reg"));
  first.WriteString("k", "a", "1");
  second.WriteString("k", "b", "2");
  first.WriteString("k", "c", "3");
  EXPECT_EQ(second.ValueNames("k"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(RegistryHiveTest, ReplaceKeyLeavesExactlyTheGivenValues) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  hive.WriteString("k\\MRU", "9", "stale");
  hive.WriteString("k\\MRU\\sub", "x", "stale");
  hive.ReplaceKey("k\\MRU", {{"0", "a"}, {"Total", "1"}});
  EXPECT_EQ(hive.ValueNames("k\\MRU"), (std::vector<std::string>{"0", "Total"}));
  EXPECT_FALSE(hive.KeyExists("k\\MRU\\sub"));
}

TEST(RegistryHiveTest, CurrentUserFileFollowsTheEnvironment) {
  struct Case {
    const char* config;
    const char* xdg;
    const char* home;
    const char* want;
  } cases[] = {
      {"/x/own.reg", "/xdg", "/home/u", "/x/own.reg"},
      {nullptr, "/xdg", "/home/u", "/xdg/Kalvento/Norvane.reg"},
      {"", "relative", "/home/u", "/home/u/.config/Kalvento/Norvane.reg"},
  };
  auto keep = [](const char* name) {
    const char* value = getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  auto restore = [](const char* name, const std::optional<std::string>& value) {
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  };
  auto config = keep("NORVANE_CONFIG"), xdg = keep("XDG_CONFIG_HOME"), home = keep("HOME");
  for (const auto& c : cases) {
    restore("NORVANE_CONFIG", c.config ? std::optional<std::string>(c.config) : std::nullopt);
    restore("XDG_CONFIG_HOME", std::string(c.xdg));
    restore("HOME", std::string(c.home));
    EXPECT_EQ(RegistryHive::CurrentUserPath(), c.want);
  }
  restore("NORVANE_CONFIG", config);
  restore("XDG_CONFIG_HOME", xdg);
  restore("HOME", home);
}

}  // namespace
}  // namespace norvane
