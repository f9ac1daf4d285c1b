// The word tables of every window, one data file each in a "lang" folder,
// read once at start; each window's MultiLang1 loads its own when the window
// is created:
//   TMultiLang MultiLang1(tree, &prompts);
//   MultiLang1.Load(tables.Of(kImportDialogWords));  // applies StartLanguage
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/base_multi_lang.h"

namespace norvane {

// Window names; the file of each is "<name>.txt".
inline constexpr char kMainFormWords[] = "main_form";
inline constexpr char kFormOptionsWords[] = "form_options";
inline constexpr char kFormPropertiesWords[] = "form_properties";
inline constexpr char kFormPreviewWords[] = "form_preview";
inline constexpr char kAboutBoxWords[] = "about_box";
inline constexpr char kImportDialogWords[] = "import_dialog";
inline constexpr char kFormWizardWords[] = "form_wizard";
inline constexpr char kFormGetStartedWords[] = "form_get_started";
inline constexpr char kFindDialogWords[] = "find_dialog";

const std::vector<std::string>& WindowWordTableNames();

// Where the "lang" folder is looked for, in this order: $NORVANE_DATA/lang
// (when `dataVariable` is not empty), "data/lang" beside the program,
// "share/norvane/lang" beside the program's folder (an installed program),
// and the source tree's data/lang (a program run from its build folder).
std::vector<std::string> LanguageFolderCandidates(std::string_view dataVariable,
                                                  std::string_view programDirectory);
// The first candidate that holds the main window's table.
std::optional<std::string> FindLanguageFolder(const std::vector<std::string>& candidates);

class TWordTables {
 public:
  // Reads every window's table from `folder`. Throws TWordTableError naming
  // the file (and line) that is missing or broken.
  static TWordTables ReadFolder(const std::string& folder);
  // Finds the folder from $NORVANE_DATA and the running program, and reads it.
  static TWordTables ReadInstalled();

  // Throws TWordTableError for a window without a table.
  const TMultiLangDesign& Of(std::string_view window) const;
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
  std::map<std::string, TMultiLangDesign, std::less<>> tables_;
};

}  // namespace norvane
