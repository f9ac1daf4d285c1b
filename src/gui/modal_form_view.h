// The frame of every dialog view: it shows a logic form modally, runs each
// of the person's actions through the form's handler, shows the form's
// fields again and closes once the form says it has ended. The close box
// and Escape go to the form too, which may refuse (a question, a running
// import). Errors a handler raises go to the guard, which shows them the
// way the main window shows every error, so none escapes into Qt's loop.
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <functional>

namespace norvane {

class TModalForm;
class TMainForm;

using ViewGuard = std::function<void(const std::function<void()>&)>;

// The main window's error box when there is a main window, else a plain one.
ViewGuard GuardOf(TMainForm* mainForm, QWidget* parent);

class ModalFormView : public QDialog {
  Q_OBJECT

 public:
  ModalFormView(TModalForm& form, QWidget* parent, ViewGuard guard);

  // Shows the fields and returns once the form has ended.
  void Run();

 protected:
  // Runs a handler of the form (errors to the guard), then shows the fields
  // again or closes.
  void Forward(const std::function<void()>& handler);
  virtual void ShowFields() = 0;
  // The row of "OK" (the default button, Button1) and "Cancel" (Button2) at
  // the dialog's right, each running its function when clicked.
  QHBoxLayout* OkCancelRow(const std::function<void()>& ok, const std::function<void()>& cancel);
  // Dialogs whose logic ends by other means than ModalResult override both.
  virtual bool FormEnded() const;
  virtual void CloseBox();
  void reject() override;

  TModalForm& form_;

 private:
  ViewGuard guard_;
};

}  // namespace norvane
