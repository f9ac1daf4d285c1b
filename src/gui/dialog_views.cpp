#include "gui/dialog_views.h"

#include "platform/modal_form.h"

namespace norvane {

namespace {

// Calls `show` with the form as `Form` when it is one.
template <typename Form, typename Show>
bool ShowAs(TModalForm& form, Show show) {
  auto* typed = dynamic_cast<Form*>(&form);
  if (typed == nullptr) return false;
  show(*typed);
  return true;
}

}  // namespace

bool ShowDialogView(TModalForm& form, TMainForm* mainForm, QWidget* parent) {
  (void)form;
  (void)mainForm;
  (void)parent;
  return false;
}

}  // namespace norvane
