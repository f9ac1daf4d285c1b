// The main window's user interface on a terminal, for the commands that run
// the main window's logic headless: messages and errors on stderr (text
// converted from the ANSI code page), questions answered by an option or
// asked on the terminal, no dialogs (a file dialog counts as cancelled).
#pragma once

#include <string>
#include <vector>

#include "app/ui_services.h"

namespace norvane::cli {

class TerminalMainUi : public TMainFormUi {
 public:
  // `assumeYes`: every Yes/No question is answered Yes without asking.
  explicit TerminalMainUi(std::string command, bool assumeYes = false);

  bool ConfirmYesNo(const std::string& text) override;
  TModalResult ConfirmYesNoCancel(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  void ProcessMessages() override {}
  std::optional<std::string> ChooseFile(FileDialogKind, int) override { return std::nullopt; }
  std::optional<std::string> ExecuteOpenDialog(TFileDialog&) override { return std::nullopt; }
  std::optional<std::string> ExecuteSaveDialog(TFileDialog&) override { return std::nullopt; }
  void SetCursor(TCursor) override {}
  void ShowPreview(const TFormPreview&) override {}
  // No dialogs on the terminal: each closes as with its close box.
  void ShowModal(TModalForm& form) override { form.CloseBoxClick(); }
  bool OpenAddress(const std::string&) override { return false; }
  void Beep() override {}
  std::string FocusedControl() override { return {}; }
  std::vector<std::string> ExecuteOpenFilesDialog(TFileDialog&) override { return {}; }
  // A clipboard of the process's own: nothing outside sees it.
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }
  std::string ClipboardText() override { return clipboard_; }
  int FileIconIndex(const std::string&) override { return -1; }
  void ShowFindDialog(TFindDialog&) override {}

  int errors = 0;

 private:
  std::string command_;
  bool assumeYes_;
  std::string clipboard_;
};

}  // namespace norvane::cli
