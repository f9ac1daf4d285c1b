#include "gui/modal_form_view.h"

#include <QMessageBox>
#include <exception>

#include "app/main_form.h"
#include "app/ui_services.h"
#include "gui/ansi_text.h"
#include "platform/modal_form.h"

namespace norvane {

ViewGuard GuardOf(TMainForm* mainForm, QWidget* parent) {
  if (mainForm) return [mainForm](const std::function<void()>& handler) { mainForm->Guarded(handler); };
  return [parent](const std::function<void()>& handler) {
    try {
      handler();
    } catch (const std::exception& error) {
      QMessageBox::critical(parent, QString::fromLatin1(kErrorCaption), FromAnsi(ErrorBoxText(error.what())));
    }
  };
}

ModalFormView::ModalFormView(TModalForm& form, QWidget* parent, ViewGuard guard)
    : QDialog(parent), form_(form), guard_(std::move(guard)) {
  setModal(true);
  setWindowTitle(FromAnsi(form.Caption));
}

void ModalFormView::Run() {
  ShowFields();
  if (FormEnded()) return;
  exec();
}

void ModalFormView::Forward(const std::function<void()>& handler) {
  guard_(handler);
  if (FormEnded()) {
    done(form_.ModalResult == TModalFormResult::mrOk ? Accepted : Rejected);
    return;
  }
  ShowFields();
}

bool ModalFormView::FormEnded() const {
  return form_.Closed();
}

void ModalFormView::CloseBox() {
  form_.CloseBoxClick();
}

void ModalFormView::reject() {
  Forward([this] { CloseBox(); });
}

}  // namespace norvane
