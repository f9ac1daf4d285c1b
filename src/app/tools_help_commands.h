// The Tools and Help menus and the recipient import command: options, spell
// checker and thesaurus, help pages, tip of the day, getting started, the
// mailing wizard, the maker's web site and the About box; and the two
// start-up hooks, PrepareTips (while the main window is created) and
// StartupDialogs (once it has been enabled). Handlers throw for TMainForm to
// show the error; a Cancel ends a command silently.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/project_commands.h"
#include "app/sending_controller.h"
#include "app/ui_services.h"
#include "platform/system_info.h"
#include "project/project_model.h"
#include "settings/ini_data.h"
#include "ui/tips.h"

namespace norvane {

// What the main window needs of the spell checker beyond the check itself
// (TSpellCheck); a build without one leaves TToolsHelpCommands::Spelling null.
class TSpellingServices {
 public:
  virtual ~TSpellingServices() = default;
  // Offers synonyms for the word at the caret of `control` ("edTo", "edSubject", "Memo1").
  virtual void Thesaurus(const std::string& control) = 0;
  // The spell checker's configuration dialog; it keeps its own configuration.
  virtual void ShowConfiguration() = 0;
};

// The two menus as the actions they run, in order; "-" is a separator.
inline constexpr std::array<const char*, 4> kToolsMenu = {"acOptions", "-", "acSpellChecker", "acThesaurus"};
inline constexpr std::array<const char*, 8> kHelpMenu = {"acContent", "-", "acTipOfThDay", "acGettingStarted",
                                                         "acWizard",  "-", "acHomePage",   "acAbout"};

inline constexpr char kTipsFileName[] = "tips.txt";
// The help contents, below a folder of FileFolders.
inline constexpr char kHelpContentsPage[] = "help/index.html";

// "file://" and the path with every byte but letters, digits, "-._~/" written as %XX.
std::string FileAddress(const std::string& path);

class TToolsHelpCommands {
 public:
  TToolsHelpCommands(ProjectModel& model, TMainWindow& window, TMainFormUi& ui, TINI& ini,
                     TSendingController& sending, TProjectCommands& commands);
  TToolsHelpCommands(const TToolsHelpCommands&) = delete;
  TToolsHelpCommands& operator=(const TToolsHelpCommands&) = delete;

  // The tip component, holding the built-in tips until PrepareTips.
  TTips Tips;
  // "Open Recipient List"; remembers the folder between uses.
  TFileDialog ImportRecipientDialog;
  TSpellingServices* Spelling = nullptr;
  // Where tips.txt and the help pages are looked for, first match wins: the
  // program's folder, the data folder, the source tree's data folder.
  std::vector<std::string> FileFolders;
  // What the About box shows.
  std::string BuildVersion;
  std::function<SystemInfo()> ReadSystem = ReadSystemInfo;

  // Start-up: tips.txt from the first folder that has one replaces the
  // built-in tips; then the dialog's texts. A tips.txt that cannot be read
  // keeps the built-in tips and is reported (thrown) after the texts are set.
  void PrepareTips();
  // The tip of the day, then getting started, each when its setting asks.
  void StartupDialogs();

  // The Tools menu opens: the thesaurus only for the To box, the subject box
  // and the body editor.
  void Tools1Click();
  void acOptionsExecute();
  void acSpellCheckerExecute();
  void acThesaurusExecute();
  void acImportRecipientExecute();
  void acContentExecute();
  void acTipOfThDayExecute() { ShowTips(); }
  void ShowTips();
  void acGettingStartedExecute();
  void acWizardExecute();
  void acHomePageExecute();
  void acAboutExecute();

 private:
  void OpenAddress(const std::string& address);

  ProjectModel& model_;
  TMainWindow& window_;
  TMainFormUi& ui_;
  TINI& ini_;
  TSendingController& sending_;
  TProjectCommands& commands_;
};

}  // namespace norvane
