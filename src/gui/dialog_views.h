// The dialogs' Qt views, found by the logic class of the form to show. The
// main window's ShowModal asks here first; a form without a view is the
// caller's to close.
#pragma once

class QWidget;

namespace norvane {

class TMainForm;
class TModalForm;
class TWordTables;

// Runs the view of `form` modally over `parent` until the form has closed and
// returns true, or returns false at once when no view shows that form.
// `mainForm` may be null; views that need the main window's logic (its
// project, its words) use it.
bool ShowDialogView(TModalForm& form, TMainForm* mainForm, QWidget* parent);

// The main window's word tables; null without a main window or when none could be read.
const TWordTables* WordTablesOf(TMainForm* mainForm);

}  // namespace norvane
