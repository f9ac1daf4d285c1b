#include "gui/main_window_spelling.h"

#include "app/main_form.h"

namespace norvane {

MainWindowSpelling::MainWindowSpelling(TMainForm& form, TMainFormUi& ui, QWidget* window, TSpellFiles files)
    : Checker(std::move(files)), Ui(ui, window), Spelling(form.Project, Checker, Ui), form_(form) {
  Checker.SelectFirstLanguage();
  form_.Sending.SpellChecker = &Spelling;
  form_.ToolsHelp.Spelling = &Spelling;
}

MainWindowSpelling::~MainWindowSpelling() {
  if (form_.Sending.SpellChecker == &Spelling) form_.Sending.SpellChecker = nullptr;
  if (form_.ToolsHelp.Spelling == &Spelling) form_.ToolsHelp.Spelling = nullptr;
}

}  // namespace norvane
