#include "ui/word_tables.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "ui/word_table_file.h"

namespace norvane {

namespace fs = std::filesystem;

const std::vector<std::string>& WindowWordTableNames() {
  static const std::vector<std::string> names{
      kMainFormWords,     kFormOptionsWords, kFormPropertiesWords, kFormPreviewWords, kAboutBoxWords,
      kImportDialogWords, kFormWizardWords,  kFormGetStartedWords, kFindDialogWords,
  };
  return names;
}

std::vector<std::string> LanguageFolderCandidates(std::string_view dataVariable,
                                                  std::string_view programDirectory) {
  std::vector<std::string> candidates;
  if (!dataVariable.empty()) candidates.push_back((fs::path(dataVariable) / "lang").string());
  if (!programDirectory.empty()) {
    fs::path program(programDirectory);
    candidates.push_back((program / "data" / "lang").string());
    candidates.push_back((program.parent_path() / "share" / "norvane" / "lang").string());
  }
  // This file's own place in the source tree: src/ui/ -> data/lang. Only an
  // absolute build path says where the tree is.
  fs::path source(__FILE__);
  if (source.is_absolute())
    candidates.push_back((source.parent_path().parent_path().parent_path() / "data" / "lang").string());
  return candidates;
}

std::optional<std::string> FindLanguageFolder(const std::vector<std::string>& candidates) {
  for (const std::string& folder : candidates) {
    std::error_code error;
    if (fs::is_regular_file(fs::path(folder) / (std::string(kMainFormWords) + ".txt"), error)) return folder;
  }
  return std::nullopt;
}

TWordTables TWordTables::ReadFolder(const std::string& folder) {
  TWordTables tables;
  tables.folder_ = folder;
  for (const std::string& name : WindowWordTableNames())
    tables.tables_.emplace(name, ReadWordTableFile((fs::path(folder) / (name + ".txt")).string()));
  return tables;
}

TWordTables TWordTables::ReadInstalled() {
  const char* data = std::getenv("NORVANE_DATA");
  std::error_code error;
  fs::path program = fs::read_symlink("/proc/self/exe", error);
  std::vector<std::string> candidates =
      LanguageFolderCandidates(data ? data : "", error ? std::string() : program.parent_path().string());
  std::optional<std::string> folder = FindLanguageFolder(candidates);
  if (!folder) {
    std::string tried;
    for (const std::string& candidate : candidates) tried += (tried.empty() ? "" : ", ") + candidate;
    throw TWordTableError("No word tables found (looked in " + tried + ")");
  }
  return ReadFolder(*folder);
}

const TMultiLangDesign& TWordTables::Of(std::string_view window) const {
  auto it = tables_.find(window);
  if (it == tables_.end()) throw TWordTableError("No word table for the window " + std::string(window));
  return it->second;
}

}  // namespace norvane
