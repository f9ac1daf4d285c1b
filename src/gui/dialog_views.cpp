#include "gui/dialog_views.h"

#include "app/about_box.h"
#include "app/form_properties.h"
#include "app/main_form.h"
#include "gui/about_box_view.h"
#include "gui/get_started_dialog_view.h"
#include "gui/import_dialog_view.h"
#include "gui/modal_form_view.h"
#include "gui/options_dialog_view.h"
#include "gui/properties_dialog_view.h"
#include "gui/tips_dialog_view.h"
#include "gui/wizard_dialog_view.h"
#include "import/form_wizard.h"
#include "import/import_dialog.h"
#include "platform/modal_form.h"
#include "settings/form_options.h"
#include "ui/form_get_started.h"
#include "ui/tips.h"

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

const TWordTables* WordTablesOf(TMainForm* mainForm) {
  return mainForm != nullptr && mainForm->WordTables ? &*mainForm->WordTables : nullptr;
}

bool ShowDialogView(TModalForm& form, TMainForm* mainForm, QWidget* parent) {
  const TWordTables* tables = WordTablesOf(mainForm);
  const ViewGuard guard = GuardOf(mainForm, parent);
  auto run = [&](auto view) { return [&, view](auto& typed) { view(typed, tables, parent, guard); }; };
  if (ShowAs<TFormOptions>(form, run(RunOptionsDialog))) return true;
  if (ShowAs<TFormProperties>(form, run(RunPropertiesDialog))) return true;
  if (ShowAs<TFormGetStarted>(form, run(RunGetStartedDialog))) return true;
  if (ShowAs<TAboutBox>(form, run(RunAboutBox))) return true;
  if (ShowAs<TTipForm>(form, [&](TTipForm& tips) { RunTipsDialog(tips, parent, guard); })) return true;
  if (ShowAs<TModalOf<TImportDialog>>(form, run(RunImportDialog))) return true;
  if (ShowAs<TModalOf<TFormWizard>>(form, run(RunWizardDialog))) return true;
  return false;
}

}  // namespace norvane
