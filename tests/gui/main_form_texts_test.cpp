// The main window's own texts come from its word table in the start language.
#include "gui/main_form_texts.h"

#include <gtest/gtest.h>

#include "ui/base_multi_lang.h"

namespace norvane {
namespace {

TEST(MainFormTexts, MenusLabelsAndToolbarHintsFollowTheStartLanguage) {
  const std::optional<TWordTables> tables = TWordTables::ReadInstalled();
  struct Case {
    uint8_t language;
    const char* file;
    const char* to;
    const char* previewHint;
  };
  for (const Case& c :
       {Case{0, "&File", "&To:", "Preview message"}, Case{1, "&Datei", "&An:", "Vorschau der Nachricht"}}) {
    const uint8_t saved = StartLanguage;
    StartLanguage = c.language;
    const MainFormTexts texts = ReadMainFormTexts(tables);
    StartLanguage = saved;
    EXPECT_EQ(texts.Caption("File1"), c.file);
    EXPECT_EQ(texts.Caption("Label1"), c.to);
    EXPECT_EQ(texts.Hints.at("ToolButton2"), c.previewHint);
  }
  // Without a table the English texts stand.
  EXPECT_EQ(ReadMainFormTexts(std::nullopt).Caption("Help1"), "&Help");
}

}  // namespace
}  // namespace norvane
