// TSpellingUi with Qt: the check, thesaurus and configuration dialogs shown
// modally over the main window, the caret of its text boxes (found by the
// names the logic uses: edTo, edSubject, Memo1), and the error box and the
// user dictionary's file dialog lent by the main window's UI, so that its
// test seams answer them too.
#pragma once

#include "app/spelling_services.h"

class QWidget;

namespace norvane {

class TMainFormUi;

class QtSpellingUi : public TSpellingUi {
 public:
  // `window` holds the text boxes and is the dialogs' parent.
  QtSpellingUi(TMainFormUi& ui, QWidget* window) : ui_(ui), window_(window) {}

  void ShowSpellCheck(TSpellCheckDialog& dialog) override;
  void ShowThesaurus(TThesaurusDialog& dialog) override;
  void ShowSpellConfig(TSpellConfigDialog& dialog) override;
  std::optional<std::string> ChooseUserDictionary(const std::string& current) override;
  void ShowError(const std::string& text) override;
  std::size_t CaretPosition(const std::string& control) override;

 private:
  template <typename View, typename Dialog>
  void Show(Dialog& dialog);

  TMainFormUi& ui_;
  QWidget* window_;
};

}  // namespace norvane
