// Everything the main window needs from the person in front of it: the
// message boxes, the two project file dialogs, the mouse pointer, the preview
// window and a chance for waiting events to run. The GUI implements it with
// real windows, the command line on the terminal, tests with a script; no
// rule of the program lives behind it.
//
// It extends the import's interface so the same object serves the import
// dialog and the mailing wizard when the main window opens them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_ui.h"
#include "platform/modal_form.h"
#include "project/preview.h"

namespace norvane {

struct TFindDialog;

enum class TModalResult { mrYes, mrNo, mrCancel };

enum class TCursor { crDefault, crHourGlass, crAppStart };

// A file dialog as data: what the view shows and what it remembers between uses.
struct TFileDialog {
  std::string Title;
  std::string Filter;            // "Description|pattern|Description|pattern..."
  std::string DefaultExt;        // without the dot
  std::string FileName;          // the name proposed, then the name chosen
  bool MustExist = false;        // open dialog: only existing files
  bool OverwritePrompt = false;  // save dialog: ask before replacing a file
};

// The modal "Preview Message" window: lines shown read-only in a fixed-pitch
// font, without wrapping, the caret at the start.
struct TFormPreview {
  std::string Caption = "Preview Message";
  std::vector<PreviewLine> Lines;
};

// ShowModal (from ModalUi) shows every dialog: options, tips, getting
// started, About box, and the import dialog and wizard through TModalOf.
class TMainFormUi : public ImportUi, public ModalUi {
 public:
  // "Confirm" box with Yes, No and Cancel.
  virtual TModalResult ConfirmYesNoCancel(const std::string& text) = 0;
  // The error box: caption "Norvane", stop icon, OK. `text` is final (see ErrorBoxText).
  virtual void ShowError(const std::string& text) = 0;
  // A message window without icon, caption "Norvane", OK ("Finished!").
  virtual void ShowMessage(const std::string& text) = 0;
  // Shows the dialog; the chosen path (also left in dialog.FileName), or
  // nothing when the person cancels.
  virtual std::optional<std::string> ExecuteOpenDialog(TFileDialog& dialog) = 0;
  virtual std::optional<std::string> ExecuteSaveDialog(TFileDialog& dialog) = 0;
  virtual void SetCursor(TCursor cursor) = 0;
  virtual void ShowPreview(const TFormPreview& form) = 0;
  // Opens a web address (or a file:// address) in the default browser; false when it could not.
  virtual bool OpenAddress(const std::string& address) = 0;
  // The system's short sound.
  virtual void Beep() = 0;
  // The name of the control with the keyboard focus ("edTo", "edSubject", "Memo1",
  // "ListView1", ...); empty when none of the main window's controls has it.
  virtual std::string FocusedControl() = 0;
  // An open dialog where several files may be chosen: the chosen paths in the
  // dialog's order, none when the person cancels.
  virtual std::vector<std::string> ExecuteOpenFilesDialog(TFileDialog& dialog) = 0;
  // The clipboard's text (ANSI bytes); setting it replaces what it held.
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual std::string ClipboardText() = 0;
  // The index of the file's small icon in the desktop's icon list, as the
  // desktop reports it for the file's type.
  virtual int FileIconIndex(const std::string& path) = 0;
  // Shows the find dialog without blocking; its find button runs the
  // owner's FindDialog1Find. Showing it again brings it to the front.
  virtual void ShowFindDialog(TFindDialog& dialog) = 0;

  void SetBusyCursor(bool busy) final { SetCursor(busy ? TCursor::crHourGlass : TCursor::crDefault); }
};

inline constexpr char kErrorCaption[] = "Norvane";

// The text of the error box for an error message: a full stop is appended
// when the last character's code is above that of "." ("Nothing to send" ->
// "Nothing to send.", while a message ending in ")" or "." stays).
std::string ErrorBoxText(std::string_view message);

}  // namespace norvane
