// A dialog window shown modally, as the platform's windowing offers it: the
// logic object holds the window's state and handlers, the view shows it and
// forwards clicks, and ModalUi::ShowModal returns once a handler (or the
// close box) has set ModalResult. Each window's logic derives from TModalForm
// so that one general service can show every dialog.
#pragma once

#include <string>

namespace norvane {

enum class TModalFormResult { mrNone, mrOk, mrCancel };

// The two system colours a dialog paints an edit box or list with: the
// window colour when it takes input, the button face when it is disabled.
enum class TSystemColor { clWindow, clBtnFace };

class TModalForm {
 public:
  virtual ~TModalForm() = default;

  std::string Caption;
  TModalFormResult ModalResult = TModalFormResult::mrNone;

  bool Closed() const { return ModalResult != TModalFormResult::mrNone; }
  // The close box in the title bar (and Escape where no button is the cancel button).
  virtual void CloseBoxClick() { ModalResult = TModalFormResult::mrCancel; }
};

// Shows a dialog whose logic class closes itself by other means (a Closed
// flag of its own) through the same service: the view finds the form in
// `Form` and sets ModalResult when the dialog ends.
template <typename Form>
class TModalOf : public TModalForm {
 public:
  explicit TModalOf(Form& form) : Form_(form) { Caption = form.Caption; }
  Form& Form_;
};

class ModalUi {
 public:
  virtual ~ModalUi() = default;
  // Shows `form` and returns when it has closed (form.ModalResult set).
  virtual void ShowModal(TModalForm& form) = 0;
};

}  // namespace norvane
