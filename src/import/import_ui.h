// What the import dialog and the mailing wizard need from the person in front
// of them: questions, messages, the file dialogs, the busy pointer and a
// chance for waiting events (a Cancel click) to be handled during long loops.
// The GUI implements it with real windows, the command line on the terminal,
// tests with a script.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace norvane {

// The main window's two open-file dialogs the import and the wizard use.
enum class FileDialogKind {
  kImportRecipient,  // "Open Recipient List": text, comma-separated values, dBase tables
  kImportMessage,    // "Import Message": text files, all files
};

class ImportUi {
 public:
  virtual ~ImportUi() = default;
  // "Confirm" box with Yes and No; true for Yes.
  virtual bool ConfirmYesNo(const std::string& text) = 0;
  // "Information" box with OK.
  virtual void ShowInformation(const std::string& text) = 0;
  // Handles the events that are waiting, without waiting for more.
  virtual void ProcessMessages() = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  // The chosen path, or nothing when the person cancels. `filterIndex` counts from 1.
  virtual std::optional<std::string> ChooseFile(FileDialogKind kind, int filterIndex) = 0;
};

// A progress bar as plain values; the view draws Position between Min and Max.
struct TProgressBar {
  int Min = 0;
  int Max = 100;
  int Position = 0;
  int Step = 1;

  void StepIt() { Position = Position + Step > Max ? Max : Position + Step; }
};

// A drop-down list without free text.
struct TComboBoxState {
  std::vector<std::string> Items;
  int ItemIndex = -1;
  bool Enabled = true;
};

// A choice of two or more.
struct TRadioGroupState {
  int ItemIndex = 0;
  bool Enabled = true;
};

}  // namespace norvane
