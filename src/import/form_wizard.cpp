#include "import/form_wizard.h"

#include <sys/stat.h>

#include <stdexcept>

#include "import/message_file.h"
#include "settings/ini_data.h"

namespace norvane {

namespace {

bool FileExists(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

[[noreturn]] void FileNotFound(const std::string& path) {
  throw std::runtime_error("File not found " + path);
}

}  // namespace

const std::array<const char*, 7>& TFormWizard::PageNames() {
  static const std::array<const char*, 7> names = {"Welcome",         "From",        "Subject", "Datasource",
                                                   "Field selection", "Mesage file", "Finish"};
  return names;
}

TFormWizard::TFormWizard(ProjectModel& model, TINI& ini, ImportUi& ui) : model_(model), ini_(ini), ui_(ui) {
  FImportDialog = std::make_unique<TImportDialog>(model_, ui_);
  FImportDialog->FProgressBar = &PBar;
  FImportDialog->BuildFieldMenu = [this] {
    if (BuildFieldMenu) BuildFieldMenu();
  };
  FNextCaption = btNextCaption;
  NewProject = [this] { model_.NewProject(); };
  cbDatasourceType.Items = {"Plain Text (TXT)", "Comma separated values (CSV)",
                            "dBase III compatible table (DBF)"};
  cbDatasourceType.ItemIndex = 0;
  edFrom = ini_.ilFrom().Text();
}

TFormWizard::~TFormWizard() = default;

void TFormWizard::FormShow() {
  PageIndex = kPageWelcome;
  UpdateButtons();
}

void TFormWizard::UpdateButtons() {
  btBackEnabled = PageIndex > kPageWelcome;
  btNextCaption = PageIndex == kPageFinish ? kCreateCaption : FNextCaption;
}

void TFormWizard::ChangeTab(int direction) {
  const bool next = direction > 0;
  const int page = PageIndex;
  if (next && page == kPageSubject && edSubject.empty()) ui_.ShowInformation(kNoSubject);
  if (next && page == kPageDatasource) {
    if (!edFilename.empty()) {
      if (!FileExists(edFilename)) FileNotFound(edFilename);
      ReadSourceFields();
    } else {
      ui_.ShowInformation(kNoDatasource);
    }
  }
  if (next && page == kPageMessageFile && rbFromExistent && !FileExists(edMessageFile))
    FileNotFound(edMessageFile);
  if (next && page == kPageFrom && edFrom.find('@') == std::string::npos)
    throw std::runtime_error(kInvalidFrom);
  if (next && page == kPageFieldSelection && FieldListBox.ItemIndex < 0)
    throw std::runtime_error(kChooseEmailField);

  int target = page;
  // Without a data file there is no field to choose: page 4 is passed over both ways.
  if (next && page == kPageDatasource && edFilename.empty()) ++target;
  if (!next && page == kPageMessageFile && edFilename.empty()) --target;
  if (next && page == kPageFinish) {
    CreateProject();
    Closed = true;
    return;
  }
  target += direction;
  if (target >= kPageWelcome && target <= kPageFinish) PageIndex = target;
  UpdateButtons();
}

void TFormWizard::btBrowseClick() {
  if (auto path = ui_.ChooseFile(FileDialogKind::kImportRecipient, cbDatasourceType.ItemIndex + 1))
    edFilename = *path;
}

void TFormWizard::Button1Click() {
  if (auto path = ui_.ChooseFile(FileDialogKind::kImportMessage, 1)) {
    ChooseFromExistent();
    edMessageFile = *path;
  }
}

void TFormWizard::btCancelClick() {
  if (ui_.ConfirmYesNo(kLeaveWizardQuestion)) Closed = true;
}

void TFormWizard::ReadSourceFields() {
  TImportDialog& dialog = *FImportDialog;
  dialog.lbFilename = edFilename;
  dialog.InspectFile();
  FieldListBox.Items = dialog.cbEmail.Items;
  rgFirstLine.Enabled = dialog.rgFirstLine.Enabled;
  rgFirstLine.ItemIndex = dialog.rgFirstLine.ItemIndex;
  FieldListBox.ItemIndex = dialog.FProposalFound ? dialog.cbEmail.ItemIndex : -1;
}

void TFormWizard::CreateProject() {
  NewProject();
  ini_.ilFrom().SetText(edFrom);
  if (!edSubject.empty()) model_.SetSubject(edSubject);
  if (rbFromExistent && FileExists(edMessageFile)) model_.SetBody(ReadMessageFile(edMessageFile));
  if (!edFilename.empty()) {
    TImportDialog& dialog = *FImportDialog;
    dialog.cbEmail.ItemIndex = FieldListBox.ItemIndex;
    dialog.rgFirstLine.ItemIndex = rgFirstLine.ItemIndex;
    dialog.RunImport();
  }
}

}  // namespace norvane
