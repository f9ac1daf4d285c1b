#include "app/main_form.h"

#include <exception>

#include "platform/codepage.h"
#include "project/preview.h"

namespace norvane {

TMainForm::TMainForm(TMainFormUi& ui, TINI& ini, RegistryHive hive, EventLoop& loop)
    : MostRecentUsedList1(std::move(hive)),
      Sending(Project, Window, ui, ini, loop),
      Commands(Project, Window, ui, Sending, MostRecentUsedList1),
      ui_(ui),
      ini_(ini) {
  Commands.Busy = [this] { return Busy(); };
  MostRecentUsedList1.MenuToAttach = &Window.File1;
  MostRecentUsedList1.MenuIndex = kMruMenuIndex;
  MostRecentUsedList1.OnSelectFilename = [this](TMostRecentUsedList&, const std::string& filename) {
    Guarded([&] { Commands.MostRecentUsedList1SelectFilename(filename); });
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

bool TMainForm::Busy() const {
  return Sending.Running();
}

void TMainForm::FormCreate(const std::vector<std::string>& args) {
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
