#include "app/main_form.h"

#include <exception>

#include "platform/codepage.h"
#include "project/preview.h"

namespace norvane {

namespace {

// The recently used file was not opened (a run, or Cancel in the question).
struct NotOpened {};

}  // namespace

TMainForm::TMainForm(TMainFormUi& ui, TINI& ini, RegistryHive hive, EventLoop& loop)
    : MostRecentUsedList1(std::move(hive)),
      Sending(Project, Window, ui, ini, loop),
      Commands(Project, Window, ui, Sending, MostRecentUsedList1),
      RecipientCommands(Project, Window, ui),
      AttachmentCommands(Project, Window, ui),
      MessageCommands(Project, Window, ui),
      ToolsHelp(Project, Window, ui, ini, Sending, Commands),
      ui_(ui),
      ini_(ini) {
  Commands.Busy = [this] { return Busy(); };
  Commands.RefreshAttachmentIcons = [this] { AttachmentCommands.RefreshAttachmentIcons(); };
  RecipientCommands.Busy = [this] { return Busy(); };
  AttachmentCommands.Busy = [this] { return Sending.Busy(); };
  MostRecentUsedList1.MenuToAttach = &Window.File1;
  MostRecentUsedList1.MenuIndex = kMruMenuIndex;
  // Leaving the event by an exception stops the list from moving the entry
  // to the top: a file that did not open is not the most recent one.
  MostRecentUsedList1.OnSelectFilename = [this](TMostRecentUsedList&, const std::string& filename) {
    if (!Commands.MostRecentUsedList1SelectFilename(filename)) throw NotOpened{};
  };
  handlers_ = {
      {"acNew", [this] { Commands.acNewExecute(); }},
      {"acOpen", [this] { Commands.acOpenExecute(); }},
      {"acSave", [this] { Commands.acSaveExecute(); }},
      {"acSaveAs", [this] { Commands.acSaveAsExecute(); }},
      {"acImportMessage", [this] { MessageCommands.acImportMessageExecute(); }},
      {"acPreview", [this] { acPreviewExecute(); }},
      {"acStart", [this] { Sending.acStartExecute(); }},
      {"acAbort", [this] { Sending.acAbortExecute(); }},
      {"acRecipientAdd", [this] { RecipientCommands.acRecipientAddExecute(); }},
      {"acRecipientEdit", [this] { RecipientCommands.acRecipientEditExecute(); }},
      {"acRecipientDelete", [this] { RecipientCommands.acRecipientDeleteExecute(); }},
      {"acRecipientDeleteSelected", [this] { RecipientCommands.acRecipientDeleteSelectedExecute(); }},
      {"acCheckAll", [this] { RecipientCommands.acCheckAllExecute(); }},
      {"acUnCheckAll", [this] { RecipientCommands.acUnCheckAllExecute(); }},
      {"acInvertSelection", [this] { RecipientCommands.acInvertSelectionExecute(); }},
      {"acCheck", [this] { RecipientCommands.acCheckExecute(); }},
      {"acFind", [this] { RecipientCommands.acFindExecute(); }},
      {"acFindNext", [this] { RecipientCommands.acFindNextExecute(); }},
      {"acInsertAttachment", [this] { AttachmentCommands.acInsertAttachmentExecute(); }},
      {"acOptions", [this] { ToolsHelp.acOptionsExecute(); }},
      {"acSpellChecker", [this] { ToolsHelp.acSpellCheckerExecute(); }},
      {"acThesaurus", [this] { ToolsHelp.acThesaurusExecute(); }},
      {"acImportRecipient", [this] { ToolsHelp.acImportRecipientExecute(); }},
      {"acContent", [this] { ToolsHelp.acContentExecute(); }},
      {"acTipOfThDay", [this] { ToolsHelp.acTipOfThDayExecute(); }},
      {"acGettingStarted", [this] { ToolsHelp.acGettingStartedExecute(); }},
      {"acWizard", [this] { ToolsHelp.acWizardExecute(); }},
      {"acHomePage", [this] { ToolsHelp.acHomePageExecute(); }},
      {"acAbout", [this] { ToolsHelp.acAboutExecute(); }},
  };
  Guarded([&] {
    MostRecentUsedList1.SetRegistryKey(kSettingsKey);
    MostRecentUsedList1.Loaded();
  });
}

void TMainForm::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ui_.ShowError(ErrorBoxText(error.what()));
  }
}

bool TMainForm::ExecuteAction(std::string_view name) {
  TAction* action = Window.Actions.Find(name);
  auto handler = handlers_.find(name);
  if (action == nullptr || !action->Enabled || handler == handlers_.end()) return false;
  Guarded(handler->second);
  return true;
}

void TMainForm::MostRecentUsedList1Click(int id) {
  try {
    Guarded([&] { MostRecentUsedList1.ClickItem(id); });
  } catch (const NotOpened&) {
  }
}

bool TMainForm::Busy() const {
  return Sending.Running();
}

void TMainForm::FormCreate(const std::vector<std::string>& args) {
  Guarded([&] { WordTables = TWordTables::ReadInstalled(); });
  Guarded([&] { ToolsHelp.PrepareTips(); });
  Project.ContentType = kContentText;
  Window.AcceptFiles = true;
  Window.EnableEditing(true);
  Window.ListView1SelectItem(-1, false);
  Guarded([&] { Window.Maximized = ini_.isMaximized().AsBoolean(); });
  Project.FModified = false;
  bool opened = false;
  if (!args.empty() && args[0].size() > 4 && AnsiLowerCase(args[0].substr(args[0].size() - 4)) == ".nvp") {
    Guarded([&] {
      Commands.LoadProject(args[0]);
      opened = true;
      MostRecentUsedList1.AddFilename(args[0]);
    });
  }
  if (!opened) Commands.acNewExecute();
}

bool TMainForm::FormCloseQuery() {
  if (Busy()) return false;
  bool close = false;
  Guarded([&] { close = Commands.AskSaveChanges(); });
  return close;
}

void TMainForm::FormDestroy() {
  Guarded([&] { ini_.isMaximized().SetAsBoolean(Window.Maximized); });
  Guarded([&] { MostRecentUsedList1.Save(); });
}

void TMainForm::acPreviewExecute() {
  int row = Window.Selected;
  if (row < 0 || static_cast<std::size_t>(row) >= Project.Items.size()) return;
  TFormPreview form;
  ui_.SetCursor(TCursor::crHourGlass);
  try {
    form.Lines = PreviewLines(Project, row, ini_.ilFrom().Text());
  } catch (...) {
    ui_.SetCursor(TCursor::crDefault);
    throw;
  }
  ui_.SetCursor(TCursor::crDefault);
  ui_.ShowPreview(form);
}

}  // namespace norvane
