#include "gui/qt_spelling_ui.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>
#include <exception>

#include "app/ui_services.h"
#include "gui/ansi_text.h"
#include "gui/body_editor.h"
#include "gui/spell_check_view.h"
#include "gui/spell_config_view.h"
#include "gui/thesaurus_view.h"

namespace norvane {

template <typename View, typename Dialog>
void QtSpellingUi::Show(Dialog& dialog) {
  View view(dialog, window_, [this](const std::function<void()>& handler) {
    try {
      handler();
    } catch (const std::exception& error) {
      ShowError(error.what());
    }
  });
  view.Run();
}

void QtSpellingUi::ShowSpellCheck(TSpellCheckDialog& dialog) {
  Show<SpellCheckView>(dialog);
}

void QtSpellingUi::ShowThesaurus(TThesaurusDialog& dialog) {
  Show<ThesaurusView>(dialog);
}

void QtSpellingUi::ShowSpellConfig(TSpellConfigDialog& dialog) {
  Show<SpellConfigView>(dialog);
}

std::optional<std::string> QtSpellingUi::ChooseUserDictionary(const std::string& current) {
  // A save dialog: the person may name a user dictionary that does not exist yet.
  TFileDialog dialog;
  dialog.Title = "User Dictionary";
  dialog.Filter = "Word lists (*.txt)|*.txt|All files (*.*)|*.*";
  dialog.DefaultExt = "txt";
  dialog.FileName = current;
  return ui_.ExecuteSaveDialog(dialog);
}

void QtSpellingUi::ShowError(const std::string& text) {
  ui_.ShowError(ErrorBoxText(text));
}

std::size_t QtSpellingUi::CaretPosition(const std::string& control) {
  if (!window_) return 0;
  QWidget* widget = window_->findChild<QWidget*>(QString::fromStdString(control));
  if (auto* body = qobject_cast<BodyEditor*>(widget)) return static_cast<std::size_t>(body->AnsiSelStart());
  if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
    return BodyToAnsi(edit->toPlainText().left(edit->textCursor().selectionStart())).size();
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    int caret = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
    return ToAnsi(line->text().left(caret)).size();
  }
  return 0;
}

}  // namespace norvane
