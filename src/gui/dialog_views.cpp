#include "gui/dialog_views.h"

#include "app/main_form.h"
#include "gui/import_dialog_view.h"
#include "gui/modal_form_view.h"
#include "gui/wizard_dialog_view.h"
#include "import/form_wizard.h"
#include "import/import_dialog.h"
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
  const TWordTables* tables = mainForm != nullptr && mainForm->WordTables ? &*mainForm->WordTables : nullptr;
  const ViewGuard guard = GuardOf(mainForm, parent);
  auto run = [&](auto view) { return [&, view](auto& typed) { view(typed, tables, parent, guard); }; };
  if (ShowAs<TModalOf<TImportDialog>>(form, run(RunImportDialog))) return true;
  if (ShowAs<TModalOf<TFormWizard>>(form, run(RunWizardDialog))) return true;
  return false;
}

}  // namespace norvane
