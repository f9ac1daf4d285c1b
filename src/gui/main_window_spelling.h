// The spell checker of the desktop program, lent to the main window for as
// long as this object lives: the checker (its configuration file and user
// dictionary in the settings folder, the first language chosen), its
// dialogs in Qt, and TMainFormSpelling as the sending controller's check
// (before sending and Tools -> Spell Checker) and as the Tools commands'
// thesaurus and Options -> Spell Checker -> Configuration...
#pragma once

#include "app/spelling_services.h"
#include "gui/qt_spelling_ui.h"
#include "spell/spell_checker.h"

class QWidget;

namespace norvane {

class TMainForm;
class TMainFormUi;

class MainWindowSpelling {
 public:
  // Throws SpellError when the configuration file exists but cannot be read.
  MainWindowSpelling(TMainForm& form, TMainFormUi& ui, QWidget* window,
                     TSpellFiles files = DefaultSpellFiles());
  ~MainWindowSpelling();
  MainWindowSpelling(const MainWindowSpelling&) = delete;
  MainWindowSpelling& operator=(const MainWindowSpelling&) = delete;

  TSpellChecker Checker;
  QtSpellingUi Ui;
  TMainFormSpelling Spelling;

 private:
  TMainForm& form_;
};

}  // namespace norvane
