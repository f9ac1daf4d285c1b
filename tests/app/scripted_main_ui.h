// A TMainFormUi that answers from a script and records what was shown.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ui_services.h"

namespace norvane::test {

class ScriptedMainUi : public TMainFormUi {
 public:
  bool ConfirmYesNo(const std::string& text) override {
    questions.push_back(text);
    bool answer = !yesNo.empty() && yesNo.front();
    if (!yesNo.empty()) yesNo.pop_front();
    return answer;
  }
  TModalResult ConfirmYesNoCancel(const std::string& text) override {
    questions.push_back(text);
    TModalResult answer = yesNoCancel.empty() ? TModalResult::mrCancel : yesNoCancel.front();
    if (!yesNoCancel.empty()) yesNoCancel.pop_front();
    return answer;
  }
  void ShowInformation(const std::string& text) override { informations.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ProcessMessages() override { ++processed; }
  std::optional<std::string> ChooseFile(FileDialogKind, int) override { return Next(); }
  std::optional<std::string> ExecuteOpenDialog(TFileDialog& dialog) override {
    openDialogs.push_back(dialog);
    auto file = Next();
    if (file) dialog.FileName = *file;
    return file;
  }
  std::optional<std::string> ExecuteSaveDialog(TFileDialog& dialog) override {
    saveDialogs.push_back(dialog);
    auto file = Next();
    if (file) dialog.FileName = *file;
    return file;
  }
  void SetCursor(TCursor value) override { cursors.push_back(value); }
  void ShowPreview(const TFormPreview& form) override { previews.push_back(form); }
  // Runs the next script on the form; without one the close box closes it.
  void ShowModal(TModalForm& form) override {
    modalCaptions.push_back(form.Caption);
    if (!modals.empty()) {
      auto script = std::move(modals.front());
      modals.pop_front();
      script(form);
    }
    if (!form.Closed()) form.CloseBoxClick();
  }
  bool OpenAddress(const std::string& address) override {
    addresses.push_back(address);
    return openAddressWorks;
  }
  void Beep() override { ++beeps; }
  std::string FocusedControl() override { return focusedControl; }
  std::vector<std::string> ExecuteOpenFilesDialog(TFileDialog& dialog) override {
    openDialogs.push_back(dialog);
    std::vector<std::string> chosen;
    if (!fileLists.empty()) {
      chosen = std::move(fileLists.front());
      fileLists.pop_front();
    }
    if (!chosen.empty()) dialog.FileName = chosen.front();
    return chosen;
  }
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  std::string ClipboardText() override { return clipboard; }
  int FileIconIndex(const std::string& path) override { return iconIndex(path); }
  void ShowFindDialog(TFindDialog&) override { ++findDialogsShown; }

  TCursor cursor() const { return cursors.empty() ? TCursor::crDefault : cursors.back(); }

  std::deque<bool> yesNo;                        // default No
  std::deque<TModalResult> yesNoCancel;          // default Cancel
  std::deque<std::optional<std::string>> files;  // default: cancelled
  std::deque<std::function<void(TModalForm&)>> modals;
  std::string focusedControl;
  bool openAddressWorks = true;
  std::deque<std::vector<std::string>> fileLists;  // several files; default: cancelled
  std::string clipboard;
  std::function<int(const std::string& path)> iconIndex = [](const std::string&) { return 0; };
  int findDialogsShown = 0;

  std::vector<std::string> questions, informations, errors, messages;
  std::vector<TFileDialog> openDialogs, saveDialogs;
  std::vector<TCursor> cursors;
  std::vector<TFormPreview> previews;
  std::vector<std::string> modalCaptions, addresses;
  int beeps = 0;
  int processed = 0;

 private:
  std::optional<std::string> Next() {
    std::optional<std::string> file;
    if (!files.empty()) {
      file = files.front();
      files.pop_front();
    }
    return file;
  }
};

}  // namespace norvane::test
