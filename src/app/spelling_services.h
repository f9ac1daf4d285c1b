// The spell checker and thesaurus as the main window uses them: the check of
// one text control for the sending controller (TSpellCheck, run on the To
// line, the subject and the body in turn), and for the Tools commands and the
// Options dialog the thesaurus on the focused text box and the spell
// checker's configuration dialog (TSpellingServices). The dialogs reach the
// person through TSpellingUi; the checker itself is the spell area's.
#pragma once

#include <cstddef>
#include <string>

#include "app/sending_controller.h"
#include "app/tools_help_commands.h"
#include "project/project_model.h"
#include "spell/spell_check_dialog.h"
#include "spell/spell_checker.h"
#include "spell/spell_config_dialog.h"
#include "spell/thesaurus_dialog.h"

namespace norvane {

// The three spelling dialogs, and the caret of a text box for the thesaurus.
class TSpellingUi : public TSpellCheckUi, public TThesaurusUi, public TSpellConfigUi {
 public:
  // The caret's byte offset in the text of "edTo", "edSubject" or "Memo1".
  virtual std::size_t CaretPosition(const std::string& control) = 0;
};

class TMainFormSpelling : public TSpellCheck, public TSpellingServices {
 public:
  TMainFormSpelling(ProjectModel& model, TSpellChecker& checker, TSpellingUi& ui)
      : model_(model), checker_(checker), ui_(ui) {}

  // The check dialog over `text` until the end or Cancel; false on Cancel.
  // Throws SpellError when no dictionary can be loaded.
  bool Check(std::string& text) override { return checker_.Check(text, ui_); }
  // The thesaurus for the word at the caret of the control; Replace changes
  // the project's text of that control. Other controls are ignored.
  void Thesaurus(const std::string& control) override;
  void ShowConfiguration() override;

 private:
  ProjectModel& model_;
  TSpellChecker& checker_;
  TSpellingUi& ui_;
};

}  // namespace norvane
