// An ImportUi that answers from a script and records what it was asked.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "import/import_ui.h"

namespace norvane::test {

class ScriptedUi : public ImportUi {
 public:
  bool ConfirmYesNo(const std::string& text) override {
    questions.push_back(text);
    bool answer = answers.empty() ? false : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void ShowInformation(const std::string& text) override { informations.push_back(text); }
  void ProcessMessages() override {
    ++processed;
    if (onProcess) onProcess(processed);
  }
  void SetBusyCursor(bool value) override { busy = value; }
  std::optional<std::string> ChooseFile(FileDialogKind kind, int filterIndex) override {
    dialogs.push_back({kind, filterIndex});
    std::optional<std::string> file;
    if (!files.empty()) {
      file = files.front();
      files.pop_front();
    }
    return file;
  }

  std::deque<bool> answers;
  std::deque<std::optional<std::string>> files;
  std::function<void(int)> onProcess;  // called with the count of ProcessMessages so far

  std::vector<std::string> questions;
  std::vector<std::string> informations;
  std::vector<std::pair<FileDialogKind, int>> dialogs;
  int processed = 0;
  bool busy = false;
};

}  // namespace norvane::test
