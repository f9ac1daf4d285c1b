#include "settings/ini_components.h"

#include <gtest/gtest.h>

#include "platform/atomic_file.h"
#include "settings/ini_data.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr char kKey[] = "software\\Kalvento\\Norvane";

// Any write while this is alive fails, so "nothing was written" is observable.
struct ForbidWrites {
  ForbidWrites() { AtomicFile::FailAfterBytesForTesting(0); }
  ~ForbidWrites() { AtomicFile::FailAfterBytesForTesting(-1); }
};

TEST(TINITest, FreshProfileReadsEveryDeclaredDefaultAndStoresOnlyTheKey) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  TINI ini(hive);
  EXPECT_TRUE(hive.KeyExists(kKey));
  {
    ForbidWrites forbid;  // reading never writes
    EXPECT_EQ(ini.ilConnections().AsInteger(), 200);
    EXPECT_EQ(ini.ilTimeOut().AsInteger(), 30);
    EXPECT_EQ(ini.ilFrom().Text(), "");
    EXPECT_EQ(ini.ilHost().Text(), "");
    EXPECT_EQ(ini.ilDNS1().Text(), "");
    EXPECT_EQ(ini.ilDNS2().Text(), "");
    EXPECT_EQ(ini.ilHostFromDomain().AsInteger(), 1);
    EXPECT_FALSE(ini.isMaximized().AsBoolean());
    EXPECT_TRUE(ini.riShowTipOfTheDay().AsBoolean());
    EXPECT_TRUE(ini.riShowGettingStartedDialog().AsBoolean());
    EXPECT_EQ(ini.riLanguage().Text(), "English");
    EXPECT_TRUE(ini.ilRunSpellChecker().AsBoolean());
    EXPECT_EQ(ini.riProjectsDirectory().Text(), ".");
  }
  EXPECT_TRUE(hive.ValueNames(kKey).empty());
  for (const char* section : {"Connection", "DNS", "Environment", "Spelling", "Directories"})
    EXPECT_FALSE(hive.KeyExists(JoinRegistryPath(kKey, section))) << section;
}

TEST(TINITest, ReadsOnceWritesAtOnceAndOnlyOnChange) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  hive.WriteString(JoinRegistryPath(kKey, "Connection"), "From", "Ann <a@b.test>");
  hive.WriteString(JoinRegistryPath(kKey, "Environment"), "Maximized", "False");
  TINI ini(hive);
  EXPECT_EQ(ini.ilFrom().Text(), "Ann <a@b.test>");
  // Another program's change is not seen once the line has been read.
  hive.WriteString(JoinRegistryPath(kKey, "Connection"), "From", "other");
  EXPECT_EQ(ini.ilFrom().Text(), "Ann <a@b.test>");
  {
    ForbidWrites forbid;
    EXPECT_NO_THROW(ini.ilFrom().SetText("Ann <a@b.test>"));
  }
  ini.ilFrom().SetText("Bob <b@c.test>");
  EXPECT_EQ(hive.ReadString(JoinRegistryPath(kKey, "Connection"), "From"), "Bob <b@c.test>");

  EXPECT_FALSE(ini.isMaximized().AsBoolean());
  ini.isMaximized().SetAsBoolean(false);  // "False" -> "false" is a change of text
  EXPECT_EQ(hive.ReadString(JoinRegistryPath(kKey, "Environment"), "Maximized"), "false");
  ini.ilConnections().SetAsInteger(-12);
  EXPECT_EQ(hive.ReadString(JoinRegistryPath(kKey, "Connection"), "Connections"), "-12");
}

// A change is judged against the stored value, not the declared default: a
// line set back to its default before its first read must still be written.
TEST(TINITest, SettingBeforeTheFirstReadComparesWithTheStoredValue) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  const std::string connection = JoinRegistryPath(kKey, "Connection");
  hive.WriteString(connection, "Connections", "50");
  hive.WriteString(connection, "From", "Ann <a@b.test>");
  hive.WriteString(connection, "TimeOut", "45");
  {
    TINI ini(hive);
    ini.ilConnections().SetText("200");  // the declared default
    ini.ilFrom().SetText("");            // likewise
    ini.ilTimeOut().SetAsInteger(30);
  }
  EXPECT_EQ(hive.ReadString(connection, "Connections"), "200");
  EXPECT_EQ(hive.ReadString(connection, "From"), "");
  EXPECT_EQ(hive.ReadString(connection, "TimeOut"), "30");

  TINI again(hive);
  ForbidWrites forbid;  // the stored text again: nothing to write
  EXPECT_NO_THROW(again.ilConnections().SetText("200"));
  EXPECT_EQ(again.ilConnections().Text(), "200");
}

// A value of another type cannot be read, but setting the line replaces it.
TEST(TINITest, SettingReplacesAValueOfAnotherType) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  WriteFile(hive.filePath(),
            "REGEDIT4\n[HKEY_CURRENT_USER\\software\\Kalvento\\Norvane\\Connection]\n"
            "\"TimeOut\"=dword:00000010\n");
  TINI ini(hive);
  ini.ilTimeOut().SetText("30");
  EXPECT_EQ(hive.ReadString(JoinRegistryPath(kKey, "Connection"), "TimeOut"), "30");
  EXPECT_EQ(ini.ilTimeOut().AsInteger(), 30);
}

TEST(TINITest, ValueOfAnotherTypeFailsEveryReadAndFailedWriteKeepsTheText) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  WriteFile(hive.filePath(),
            "REGEDIT4\n[HKEY_CURRENT_USER\\software\\Kalvento\\Norvane\\Connection]\n"
            "\"TimeOut\"=dword:00000010\n");
  TINI ini(hive);
  EXPECT_THROW(ini.ilTimeOut().AsInteger(), RegistryError);
  EXPECT_THROW(ini.ilTimeOut().Text(), RegistryError);  // not silently the default afterwards

  {
    ForbidWrites forbid;
    EXPECT_THROW(ini.ilHost().SetText("mx.test"), RegistryError);
  }
  EXPECT_EQ(ini.ilHost().Text(), "mx.test");
}

TEST(TINILinhaTest, AsIntegerTakesTheValidLeadingPart) {
  struct Case {
    const char* text;
    int32_t want;
  } cases[] = {
      {"200", 200},
      {"  42", 42},
      {"-5", -5},
      {"+7", 7},
      {"$1F", 31},
      {"$ff", 255},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"$", 0},
      {" -", 0},
      {"1 2", 1},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", 214748364},  // the digit that would overflow ends the number
      {"0x10", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingInteger(c.text), c.want) << '"' << c.text << '"';
}

TEST(TINILinhaTest, AsBooleanUsesTheFilesWordsInAnyCase) {
  TempDir dir;
  TINIArquivo file(RegistryHive(dir.File("Norvane.reg")));
  file.SetFileName("k");
  TINISecao section("S", &file);
  TINILinha line(&section, "V", "");
  struct Case {
    TICLanguage language;
    const char* text;
    bool want;
  } cases[] = {
      {TICLanguage::iclEnglish, "TRUE", true},     {TICLanguage::iclEnglish, "True", true},
      {TICLanguage::iclEnglish, "1", false},       {TICLanguage::iclEnglish, "Sim", false},
      {TICLanguage::iclEnglish, "true ", false},   {TICLanguage::iclPortuguese, "SIM", true},
      {TICLanguage::iclPortuguese, "true", false}, {TICLanguage::iclPortuguese, "N\xC3O", false},
  };
  for (const auto& c : cases) {
    file.SetLanguage(c.language);
    line.SetText(c.text);
    EXPECT_EQ(line.AsBoolean(), c.want) << c.text;
  }
  file.SetLanguage(TICLanguage::iclPortuguese);
  line.SetAsBoolean(false);
  EXPECT_EQ(line.Text(), "N\xE3o");
  file.SetLanguage(TICLanguage::iclEnglish);
  line.SetAsBoolean(true);
  EXPECT_EQ(line.Text(), "true");
}

TEST(TINIComponentsTest, PartnersForgetDestroyedComponentsAndLinesWithoutFileStayInMemory) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  auto file = std::make_unique<TINIArquivo>(hive);
  file->SetFileName("\\k");
  auto section = std::make_unique<TINISecao>("S", file.get());
  TINILinha line(section.get(), "V", "default");
  {
    TINILinha other(section.get(), "W", "");
    EXPECT_EQ(section->Lines().size(), 2u);
  }
  EXPECT_EQ(section->Lines(), std::vector<TINILinha*>{&line});

  file.reset();
  EXPECT_EQ(section->ArquivoAssociado(), nullptr);
  line.SetText("memory only");
  EXPECT_EQ(line.Text(), "memory only");
  EXPECT_FALSE(hive.KeyExists("k\\S"));

  section.reset();
  EXPECT_EQ(line.SecaoAssociada(), nullptr);
  EXPECT_EQ(line.Text(), "memory only");
}

TEST(TINIComponentsTest, SectionMovesBetweenFilesAndAutoApplyOffKeepsChangesInMemory) {
  TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  TINIArquivo first(hive), second(hive);
  first.SetFileName("a");
  second.SetFileName("b");
  TINISecao section("S", &first);
  section.SetArquivoAssociado(&second);
  EXPECT_TRUE(first.Sections().empty());
  EXPECT_EQ(second.Sections(), std::vector<TINISecao*>{&section});

  second.SetAutoApply(false);
  TINILinha line(&section, "V", "");
  line.SetText("x");
  EXPECT_EQ(hive.ReadString("b\\S", "V"), std::nullopt);
  second.SetAutoApply(true);
  line.SetText("y");
  EXPECT_EQ(hive.ReadString("b\\S", "V"), "y");
}

TEST(TINITest, GlobalModuleMustBeInstalled) {
  SetTheIni(nullptr);
  EXPECT_THROW(TheIni(), std::logic_error);
  TempDir dir;
  TINI ini(RegistryHive(dir.File("Norvane.reg")));
  SetTheIni(&ini);
  EXPECT_EQ(&TheIni(), &ini);
  SetTheIni(nullptr);
}

}  // namespace
}  // namespace norvane
