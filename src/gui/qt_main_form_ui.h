// TMainFormUi with Qt: the message boxes, the file dialogs, the busy pointer,
// the preview window, the clipboard, the focused control's name, the
// browser, the system sound and nested dispatch. Two seams let tests answer
// without a person, as a person would: BoxHook gets every message box and
// returns the button pressed; FileDialogHook gets every file dialog and
// returns the chosen paths (none for Cancel). Left empty, real windows show.
#pragma once

#include <QIcon>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/ui_services.h"
#include "platform/event_loop.h"

class QWidget;

namespace norvane {

class TMainForm;

struct MessageBoxRequest {
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

enum class FileDialogMode { kOpen, kOpenMany, kSave };

struct FileDialogRequest {
  FileDialogMode mode = FileDialogMode::kOpen;
  QString title;
  QStringList nameFilters;
  int filterIndex = 0;  // from 0
  QString defaultSuffix;
  QString fileName;
  bool overwritePrompt = false;
};

class QtMainFormUi : public TMainFormUi {
 public:
  explicit QtMainFormUi(EventLoop& loop = EventLoop::Default());

  // The window the boxes and dialogs belong to, and the form whose dialogs
  // the import asks for (ChooseFile).
  void SetParent(QWidget* parent) { parent_ = parent; }
  void SetForm(TMainForm* form) { form_ = form; }

  // Runs before any box or dialog shows, so the window behind it shows the
  // logic's present state (a run's end before "Finished!", ...).
  std::function<void()> BeforeModal;

  std::function<QMessageBox::StandardButton(const MessageBoxRequest&)> BoxHook;
  std::function<QStringList(const FileDialogRequest&)> FileDialogHook;

  bool ConfirmYesNo(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ProcessMessages() override { loop_.ProcessMessages(); }
  std::optional<std::string> ChooseFile(FileDialogKind kind, int filterIndex) override;

  TModalResult ConfirmYesNoCancel(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  std::optional<std::string> ExecuteOpenDialog(TFileDialog& dialog) override;
  std::optional<std::string> ExecuteSaveDialog(TFileDialog& dialog) override;
  void SetCursor(TCursor cursor) override;
  void ShowPreview(const TFormPreview& form) override;
  bool OpenAddress(const std::string& address) override;
  void Beep() override;
  std::string FocusedControl() override;
  std::vector<std::string> ExecuteOpenFilesDialog(TFileDialog& dialog) override;
  void SetClipboardText(const std::string& text) override;
  std::string ClipboardText() override;
  int FileIconIndex(const std::string& path) override;
  // The desktop's icon of the file type FileIconIndex gave `index`.
  QIcon FileIcon(int index) const;
  // Non-modal; its find button runs the recipient search of the form.
  void ShowFindDialog(TFindDialog& dialog) override;
  void ShowModal(TModalForm& form) override;

 private:
  QMessageBox::StandardButton Box(MessageBoxRequest request);
  QStringList FileDialog(const FileDialogRequest& request);
  QStringList RunFileDialog(TFileDialog& dialog, FileDialogMode mode);

  EventLoop& loop_;
  QWidget* parent_ = nullptr;
  TMainForm* form_ = nullptr;
  bool cursorOverridden_ = false;
  std::map<QString, int> iconIndexes_;
};

// The message box text: the logic's line breaks (CR LF, CR) as Qt's.
QString BoxText(const std::string& ansi);

}  // namespace norvane
