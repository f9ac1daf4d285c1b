// Environment / Language picks the word tables' start language.
#include "ui/start_language.h"

#include <gtest/gtest.h>

#include "settings/ini_data.h"
#include "support/temp_dir.h"
#include "ui/base_multi_lang.h"

namespace norvane {
namespace {

TEST(StartLanguageSetting, NamesTheLanguageAndFallsBackToEnglish) {
  struct Case {
    const char* stored;  // null: never written
    uint8_t language;
  };
  const Case cases[] = {
      {nullptr, 0}, {"English", 0}, {"German", 1}, {"german", 1}, {" German ", 1},
      {"de", 1},    {"1", 1},       {"0", 0},      {"", 0},       {"Klingon", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored == nullptr ? "(missing)" : c.stored);
    test::TempDir dir;
    TINI ini(RegistryHive(dir.File("Norvane.reg")));
    if (c.stored != nullptr) ini.riLanguage().SetText(c.stored);
    EXPECT_EQ(StartLanguageSetting(ini), c.language);
  }
}

TEST(StartLanguageSetting, ApplyingItSetsTheStartLanguageFromTheStoredValue) {
  test::TempDir dir;
  RegistryHive hive(dir.File("Norvane.reg"));
  {
    TINI ini(hive);
    ini.riLanguage().SetText("German");
  }
  TINI again(hive);
  ApplyStartLanguageSetting(again);
  EXPECT_EQ(StartLanguage, 1);
  again.riLanguage().SetText("English");
  ApplyStartLanguageSetting(again);
  EXPECT_EQ(StartLanguage, 0);
}

}  // namespace
}  // namespace norvane
