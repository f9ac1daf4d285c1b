#include "gui/qt_main_form_ui.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>

#include "app/main_form.h"
#include "gui/ansi_text.h"
#include "gui/dialog_views.h"
#include "gui/file_filter.h"
#include "gui/find_dialog_view.h"
#include "gui/preview_window.h"

namespace norvane {

namespace {

// Paths are the file system's bytes, not project text.
QString FromPath(const std::string& path) {
  return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

std::string ToPath(const QString& path) {
  return path.toLocal8Bit().toStdString();
}

// The controls TMainFormUi::FocusedControl may name.
bool IsNamedControl(const QString& name) {
  static const QStringList names = {QStringLiteral("edTo"), QStringLiteral("edSubject"),
                                    QStringLiteral("Memo1"), QStringLiteral("ListView1"),
                                    QStringLiteral("lvAttachments")};
  return names.contains(name);
}

}  // namespace

QString BoxText(const std::string& ansi) {
  QString text = FromAnsi(ansi);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QtMainFormUi::QtMainFormUi(EventLoop& loop) : loop_(loop) {}

QMessageBox::StandardButton QtMainFormUi::Box(MessageBoxRequest request) {
  if (BeforeModal) BeforeModal();
  if (BoxHook) return BoxHook(request);
  QMessageBox box(request.icon, request.caption, request.text, request.buttons, parent_);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool QtMainFormUi::ConfirmYesNo(const std::string& text) {
  return Box({QStringLiteral("Confirm"), BoxText(text), QMessageBox::Question,
              QMessageBox::Yes | QMessageBox::No}) == QMessageBox::Yes;
}

TModalResult QtMainFormUi::ConfirmYesNoCancel(const std::string& text) {
  switch (Box({QStringLiteral("Confirm"), BoxText(text), QMessageBox::Question,
               QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel})) {
    case QMessageBox::Yes:
      return TModalResult::mrYes;
    case QMessageBox::No:
      return TModalResult::mrNo;
    default:
      return TModalResult::mrCancel;
  }
}

void QtMainFormUi::ShowInformation(const std::string& text) {
  Box({QStringLiteral("Information"), BoxText(text), QMessageBox::Information, QMessageBox::Ok});
}

void QtMainFormUi::ShowError(const std::string& text) {
  Box({QString::fromLatin1(kErrorCaption), BoxText(text), QMessageBox::Critical, QMessageBox::Ok});
}

void QtMainFormUi::ShowMessage(const std::string& text) {
  Box({QString::fromLatin1(kErrorCaption), BoxText(text), QMessageBox::NoIcon, QMessageBox::Ok});
}

QStringList QtMainFormUi::FileDialog(const FileDialogRequest& request) {
  if (BeforeModal) BeforeModal();
  if (FileDialogHook) return FileDialogHook(request);
  QFileDialog dialog(parent_, request.title);
  dialog.setNameFilters(request.nameFilters);
  if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
    dialog.selectNameFilter(request.nameFilters[request.filterIndex]);
  dialog.setDefaultSuffix(request.defaultSuffix);
  switch (request.mode) {
    case FileDialogMode::kOpen:
      dialog.setFileMode(QFileDialog::ExistingFile);
      break;
    case FileDialogMode::kOpenMany:
      dialog.setFileMode(QFileDialog::ExistingFiles);
      break;
    case FileDialogMode::kSave:
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
      break;
  }
  if (!request.fileName.isEmpty()) {
    QFileInfo info(request.fileName);
    if (info.isAbsolute()) dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QStringList QtMainFormUi::RunFileDialog(TFileDialog& dialog, FileDialogMode mode) {
  FileDialogRequest request;
  request.mode = mode;
  request.title = FromAnsi(dialog.Title);
  request.nameFilters = QtNameFilters(dialog.Filter);
  request.defaultSuffix = FromAnsi(dialog.DefaultExt);
  request.fileName = FromPath(dialog.FileName);
  request.overwritePrompt = dialog.OverwritePrompt;
  QStringList chosen = FileDialog(request);
  if (!chosen.isEmpty()) dialog.FileName = ToPath(chosen.front());
  return chosen;
}

std::optional<std::string> QtMainFormUi::ExecuteOpenDialog(TFileDialog& dialog) {
  QStringList chosen = RunFileDialog(dialog, FileDialogMode::kOpen);
  if (chosen.isEmpty()) return std::nullopt;
  return ToPath(chosen.front());
}

std::optional<std::string> QtMainFormUi::ExecuteSaveDialog(TFileDialog& dialog) {
  QStringList chosen = RunFileDialog(dialog, FileDialogMode::kSave);
  if (chosen.isEmpty()) return std::nullopt;
  return ToPath(chosen.front());
}

std::vector<std::string> QtMainFormUi::ExecuteOpenFilesDialog(TFileDialog& dialog) {
  std::vector<std::string> paths;
  for (const QString& path : RunFileDialog(dialog, FileDialogMode::kOpenMany)) paths.push_back(ToPath(path));
  return paths;
}

std::optional<std::string> QtMainFormUi::ChooseFile(FileDialogKind kind, int filterIndex) {
  if (form_ == nullptr) return std::nullopt;
  TFileDialog& dialog = kind == FileDialogKind::kImportRecipient ? form_->ToolsHelp.ImportRecipientDialog
                                                                 : form_->Window.ImportMessageDialog;
  FileDialogRequest request;
  request.title = FromAnsi(dialog.Title);
  request.nameFilters = QtNameFilters(dialog.Filter);
  request.filterIndex = filterIndex - 1;
  request.defaultSuffix = FromAnsi(dialog.DefaultExt);
  QStringList chosen = FileDialog(request);
  if (chosen.isEmpty()) return std::nullopt;
  dialog.FileName = ToPath(chosen.front());
  return dialog.FileName;
}

void QtMainFormUi::SetCursor(TCursor cursor) {
  if (cursorOverridden_) {
    QApplication::restoreOverrideCursor();
    cursorOverridden_ = false;
  }
  if (cursor == TCursor::crDefault) return;
  QApplication::setOverrideCursor(cursor == TCursor::crHourGlass ? Qt::WaitCursor : Qt::BusyCursor);
  cursorOverridden_ = true;
}

void QtMainFormUi::ShowPreview(const TFormPreview& form) {
  if (BeforeModal) BeforeModal();
  PreviewWindow window(form, parent_);
  window.exec();
}

bool QtMainFormUi::OpenAddress(const std::string& address) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtMainFormUi::Beep() {
  QApplication::beep();
}

std::string QtMainFormUi::FocusedControl() {
  for (QWidget* widget = QApplication::focusWidget(); widget != nullptr; widget = widget->parentWidget())
    if (IsNamedControl(widget->objectName())) return widget->objectName().toStdString();
  return {};
}

void QtMainFormUi::SetClipboardText(const std::string& text) {
  QApplication::clipboard()->setText(FromAnsi(text));
}

std::string QtMainFormUi::ClipboardText() {
  return ToAnsi(QApplication::clipboard()->text());
}

int QtMainFormUi::FileIconIndex(const std::string& path) {
  // The desktop has no numbered icon list: the index is that of the file
  // type's icon name among those met so far, stable for the program's run.
  QString name = QMimeDatabase().mimeTypeForFile(FromPath(path)).iconName();
  auto [it, added] = iconIndexes_.emplace(name, static_cast<int>(iconIndexes_.size()));
  return it->second;
}

QIcon QtMainFormUi::FileIcon(int index) const {
  const QIcon plain = QFileIconProvider().icon(QFileIconProvider::File);
  for (const auto& [name, i] : iconIndexes_)
    if (i == index) return QIcon::fromTheme(name, plain);
  return plain;
}

void QtMainFormUi::ShowFindDialog(TFindDialog& dialog) {
  ShowFindDialogView(
      dialog,
      [this] {
        if (form_ != nullptr) form_->Guarded([this] { form_->RecipientCommands.FindDialog1Find(); });
      },
      WordTablesOf(form_), parent_);
}

void QtMainFormUi::ShowModal(TModalForm& form) {
  if (BeforeModal) BeforeModal();
  // A form without a view closes as with its close box; the commands that
  // would open one are disabled (actions_without_view.h).
  if (!ShowDialogView(form, form_, parent_) && !form.Closed()) form.CloseBoxClick();
}

}  // namespace norvane
