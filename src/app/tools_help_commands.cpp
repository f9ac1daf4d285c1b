#include "app/tools_help_commands.h"

#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "app/about_box.h"
#include "app/setting_rules.h"
#include "import/form_wizard.h"
#include "import/import_dialog.h"
#include "platform/locale_formats.h"
#include "settings/form_options.h"
#include "ui/form_get_started.h"
#include "ui/home_page.h"

namespace norvane {

namespace {

// data/ of the source tree, for a program run from its build folder; only an
// absolute build path says where the tree is.
std::string SourceDataFolder() {
  std::filesystem::path source(__FILE__);
  if (!source.is_absolute()) return {};
  return (source.parent_path().parent_path().parent_path() / "data").string();
}

bool IsTextControl(const std::string& control) {
  return control == "edTo" || control == "edSubject" || control == "Memo1";
}

}  // namespace

std::string FileAddress(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string address = "file://";
  for (char c : path) {
    unsigned char byte = static_cast<unsigned char>(c);
    bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                 (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~' ||
                 byte == '/';
    if (plain) {
      address += c;
    } else {
      address += '%';
      address += kHex[byte >> 4];
      address += kHex[byte & 15];
    }
  }
  return address;
}

TToolsHelpCommands::TToolsHelpCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui, TINI& ini,
                                       TSendingController& sending, TProjectCommands& commands)
    : FileFolders{ProgramDirectory(), DataDirectory(), SourceDataFolder()},
      BuildVersion(NORVANE_VERSION),
      model_(model),
      window_(window),
      ui_(ui),
      ini_(ini),
      sending_(sending),
      commands_(commands) {
  Tips.SetTips(BuiltInTips());
  ImportRecipientDialog = {
      "Open Recipient List",
      "Text files (*.txt)|*.txt|Comma Separated Values (*.csv)|*.csv|dBase tables (*.dbf)|*.dbf",
      "txt",
      "",
      true,
      false};
}

void TToolsHelpCommands::PrepareTips() {
  std::exception_ptr failure;
  try {
    for (const std::string& folder : FileFolders) {
      if (folder.empty()) continue;
      if (auto tips = LoadTipsFile(folder + "/" + kTipsFileName)) {
        Tips.SetTips(*tips);
        break;
      }
    }
  } catch (const TipsFileError&) {
    failure = std::current_exception();
  }
  Tips.CaptionOK = "OK";
  Tips.CaptionDontShowTips = "&Don't show tips at startup";
  Tips.CaptionNextTip = "&Next Tip";
  Tips.CaptionPreviosTip = "&Previous Tip";
  Tips.TipHelp = "Did you know that...";
  Tips.Title = "Tip of The Day";
  Tips.TipWelcome = "Welcome to Norvane!";
  if (failure) std::rethrow_exception(failure);
}

void TToolsHelpCommands::StartupDialogs() {
  if (ini_.riShowTipOfTheDay().AsBoolean()) ShowTips();
  if (ini_.riShowGettingStartedDialog().AsBoolean()) acGettingStartedExecute();
}

void TToolsHelpCommands::Tools1Click() {
  window_.Actions.acThesaurus.Enabled = IsTextControl(ui_.FocusedControl());
}

void TToolsHelpCommands::acOptionsExecute() {
  TFormOptions form(ini_);
  form.CheckSetting = [this](const std::string& section, const std::string& key, const std::string& value) {
    return CheckedSettingValue(section, key, value, value, ini_.INIArquivo1());
  };
  form.OnSpellCheckerConfiguration = [this] {
    if (Spelling) Spelling->ShowConfiguration();
  };
  ui_.ShowModal(form);
}

void TToolsHelpCommands::acSpellCheckerExecute() {
  sending_.acSpellCheckerExecute();
}

void TToolsHelpCommands::acThesaurusExecute() {
  std::string control = ui_.FocusedControl();
  if (Spelling && IsTextControl(control)) Spelling->Thesaurus(control);
}

void TToolsHelpCommands::acImportRecipientExecute() {
  ImportRecipientDialog.FileName.clear();
  auto path = ui_.ExecuteOpenDialog(ImportRecipientDialog);
  if (!path) return;
  TImportDialog dialog(model_, ui_);
  dialog.BuildFieldMenu = [this] { window_.BuildFieldMenu(model_); };
  dialog.lbFilename = *path;
  dialog.FormShow();
  TModalOf<TImportDialog> modal(dialog);
  ui_.ShowModal(modal);
}

void TToolsHelpCommands::acContentExecute() {
  for (const std::string& folder : FileFolders) {
    if (folder.empty()) continue;
    std::string page = folder + "/" + kHelpContentsPage;
    std::error_code error;
    if (std::filesystem::is_regular_file(page, error)) return OpenAddress(FileAddress(page));
  }
  throw std::runtime_error(std::string("The help pages were not found (") + kHelpContentsPage +
                           " beside the program or in " +
                           (DataDirectory().empty() ? "its data folder" : DataDirectory()) + ")");
}

void TToolsHelpCommands::ShowTips() {
  Tips.NotShowAtStart = !ini_.riShowTipOfTheDay().AsBoolean();
  Tips.Execute(ui_);
  ini_.riShowTipOfTheDay().SetAsBoolean(!Tips.NotShowAtStart);
}

void TToolsHelpCommands::acGettingStartedExecute() {
  TFormGetStarted form(ini_.riProjectsDirectory().Text());
  form.chDontShowAgain = !ini_.riShowGettingStartedDialog().AsBoolean();
  ui_.Beep();
  ui_.ShowModal(form);
  if (form.ModalResult != TModalFormResult::mrOk) return;
  ini_.riShowGettingStartedDialog().SetAsBoolean(!form.chDontShowAgain);
  if (form.btBrowseFocused) {
    commands_.acOpenExecute();
  } else if (form.rbWizard) {
    acWizardExecute();
  } else if (form.rdScript) {
    std::string path = form.SelectedProjectPath();
    // The project at hand may have been changed since start-up (the dialog is
    // also on the Help menu): it is not replaced unasked.
    if (!path.empty() && commands_.AskSaveChanges()) commands_.LoadProject(path);
  }
}

void TToolsHelpCommands::acWizardExecute() {
  // The wizard replaces the project at hand; this is the last moment an
  // answer can still keep it.
  if (!commands_.AskSaveChanges()) return;
  TFormWizard wizard(model_, ini_, ui_);
  wizard.NewProject = [this] { commands_.NewProject(); };
  wizard.BuildFieldMenu = [this] { window_.BuildFieldMenu(model_); };
  wizard.FormShow();
  TModalOf<TFormWizard> modal(wizard);
  ui_.ShowModal(modal);
}

void TToolsHelpCommands::acHomePageExecute() {
  OpenAddress(kHomePageAddress);
}

void TToolsHelpCommands::acAboutExecute() {
  TAboutBox box(BuildVersion, ReadSystem(), CurrentLocaleFormats().ThousandSeparator);
  ui_.ShowModal(box);
}

void TToolsHelpCommands::OpenAddress(const std::string& address) {
  if (!ui_.OpenAddress(address)) throw std::runtime_error("Cannot open " + address + " in the web browser");
}

}  // namespace norvane
