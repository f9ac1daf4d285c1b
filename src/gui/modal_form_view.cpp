#include "gui/modal_form_view.h"

#include <QMessageBox>
#include <QPushButton>
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

QHBoxLayout* ModalFormView::OkCancelRow(const std::function<void()>& ok,
                                        const std::function<void()>& cancel) {
  auto* okButton = new QPushButton(QStringLiteral("OK"), this);
  okButton->setObjectName(QStringLiteral("Button1"));
  okButton->setDefault(true);
  auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("Button2"));
  connect(okButton, &QPushButton::clicked, this, ok);
  connect(cancelButton, &QPushButton::clicked, this, cancel);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(okButton);
  row->addWidget(cancelButton);
  return row;
}

}  // namespace norvane
