// Each dialog opens from its command with its word table's texts, in English
// and, with the start language German, in German.
#include <gtest/gtest.h>

#include <vector>

#include "dialog_test_support.h"
#include "main_form_fixture.h"
#include "modal_script.h"

namespace norvane {
namespace {

using test::Shown;

struct Caption {
  const char* widget;
  const char* english;
  const char* german;  // UTF-8
};

struct DialogCase {
  const char* action;
  std::vector<Caption> captions;
  const char* closeButton;
};

const std::vector<DialogCase>& Dialogs() {
  static const std::vector<DialogCase> dialogs = {
      {"acOptions",
       {{"%Form%", "Options", "Optionen"},
        {"TabSheet1", "Connection", "Verbindungen"},
        {"TabSheet2", "DNS", "DNS"},
        {"btConfigure", "Spell Checker", "Rechtschreibpr\u00FCfung"},
        {"Label3", "&Connections:", "&Verbindungen:"},
        {"Label2", "&From:", "&Von:"},
        {"edSpecifyHost", "Sp&ecify a host name", "&Eingabe eines Host-Namens"},
        {"Button3", "&Configuration...", "&Konfiguration..."},
        {"Button2", "Cancel", "Abbruch"}},
       "Button2"},
      {"acGettingStarted",
       {{"%Form%", "Getting Started", "So geht's los"},
        {"Label1", "What do you want to do?", "Was wollen Sie tun?"},
        {"rdScript", "&Load an existent mailing project!", "&Bestehendes Mail-Projekt laden!"},
        {"btBrowse", "&Browse...", "&W\u00E4hlen..."},
        {"chDontShowAgain", "&Don't show this dialog box again", "&Diesen Dialog nicht mehr zeigen"},
        {"btCancel", "Cancel", "Abbruch"}},
       "btCancel"},
      {"acRecipientAdd",
       {{"%Form%", "New Recipient", "New Recipient"},  // the command's caption, not the table's
        {"Button1", "OK", "OK"},
        {"Button2", "Cancel", "Abbruch"}},
       "Button2"},
      {"acAbout",
       {{"%Form%", "About Norvane", "About Norvane"},
        {"ProductName", "Norvane", "Norvane"},
        {"OKButton", "OK", "OK"}},
       "OKButton"},
      // The tip window takes its texts from the main window, which sets them in English.
      {"acTipOfThDay",
       {{"%Form%", "Tip of The Day", "Tip of The Day"},
        {"TipHelp", "Did you know that...", "Did you know that..."},
        {"Next", "&Next Tip", "&Next Tip"},
        {"Last", "&Previous Tip", "&Previous Tip"},
        {"NotShowAtStart", "&Don't show tips at startup", "&Don't show tips at startup"}},
       "Ok"},
  };
  return dialogs;
}

TEST(DialogTexts, EachDialogOpensFromItsCommandInEnglishAndInGerman) {
  for (uint8_t language : {0, 1}) {
    test::StartLanguageScope scope(language);
    test::MainFormFixture fixture;  // the German tables are applied as windows load
    for (const DialogCase& dialog : Dialogs()) {
      SCOPED_TRACE(std::string(dialog.action) + (language == 0 ? " English" : " German"));
      test::ModalScript script;
      bool opened = false;
      script.Then([&](QWidget& shown) {
        opened = true;
        for (const Caption& caption : dialog.captions) {
          EXPECT_EQ(Shown(shown, caption.widget),
                    QString::fromUtf8(language == 0 ? caption.english : caption.german))
              << caption.widget;
        }
        test::Click(shown, dialog.closeButton);
      });
      EXPECT_TRUE(fixture.form->ExecuteAction(dialog.action));
      EXPECT_TRUE(opened);
      EXPECT_TRUE(script.Done());
      EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
  }
}

}  // namespace
}  // namespace norvane
