// `norvane import PROJECT.nvp FILE [--email-column NAME|POSITION]
// [--first-line data|header] [--replace] [--skip-duplicates]
// [--replace-unmappable]`: the import dialog's import without the dialog. The
// project file is created when it does not exist and saved atomically; the
// proposal used and the number of rows added are printed. A text file in
// UTF-8 is converted first; addresses already in the list or repeated in the
// file are reported, and left out with --skip-duplicates.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/mailing_checks.h"
#include "cli/commands.h"
#include "cli/recipient_file.h"
#include "cli/terminal_text.h"
#include "import/import_dialog.h"
#include "platform/codepage.h"
#include "project/project_file.h"
#include "project/run_journal.h"

namespace norvane::cli {

namespace {

struct ImportOptions {
  std::string project;
  std::string file;
  std::string emailColumn;  // empty: the proposal
  int firstLine = -1;       // -1: the proposal; 0 data; 1 header
  bool replace = false;
  bool skipDuplicates = false;
  bool replaceUnmappable = false;
};

ImportOptions ParseOptions(const Args& args) {
  ImportOptions options;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i], value;
    bool hasValue = false;
    if (std::size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      hasValue = true;
    }
    if (name == "--email-column" || name == "--first-line") {
      if (!hasValue) {
        if (i + 1 >= args.size()) throw std::invalid_argument(name + " needs a value");
        value = args[++i];
      }
      if (name == "--email-column") {
        if (value.empty()) throw std::invalid_argument("--email-column needs a column name or position");
        options.emailColumn = value;
      } else if (value == "data") {
        options.firstLine = 0;
      } else if (value == "header") {
        options.firstLine = 1;
      } else {
        throw std::invalid_argument("--first-line takes 'data' or 'header', not '" + value + "'");
      }
    } else if (name == "--replace" && !hasValue) {
      options.replace = true;
    } else if (name == "--skip-duplicates" && !hasValue) {
      options.skipDuplicates = true;
    } else if (name == "--replace-unmappable" && !hasValue) {
      options.replaceUnmappable = true;
    } else if (name.rfind("--", 0) == 0) {
      throw std::invalid_argument("unknown option " + name);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) throw std::invalid_argument("import needs a project file and a recipient file");
  options.project = positional[0];
  options.file = positional[1];
  return options;
}

// The terminal as the import's user interface: nobody presses Cancel, and
// progress shows on stderr when it is a terminal.
class TerminalUi : public ImportUi {
 public:
  explicit TerminalUi(const TProgressBar& bar) : bar_(bar), show_(::isatty(STDERR_FILENO) == 1) {}
  ~TerminalUi() override {
    if (shown_) std::fputs("\r                    \r", stderr);
  }
  bool ConfirmYesNo(const std::string&) override { return false; }
  void ShowInformation(const std::string& text) override { std::printf("%s\n", ForTerminal(text).c_str()); }
  void ProcessMessages() override {
    if (!show_ || bar_.Max <= 0) return;
    int percent = static_cast<int>(static_cast<long long>(bar_.Position) * 100 / bar_.Max);
    if (percent == last_) return;
    last_ = percent;
    shown_ = true;
    std::fprintf(stderr, "\rImporting... %3d%%", percent);
    std::fflush(stderr);
  }
  void SetBusyCursor(bool) override {}
  std::optional<std::string> ChooseFile(FileDialogKind, int) override { return std::nullopt; }

 private:
  const TProgressBar& bar_;
  bool show_;
  bool shown_ = false;
  int last_ = -1;
};

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

int ImportCommand(const Args& args) {
  ImportOptions options = ParseOptions(args);
  ProjectModel model;
  bool existing = Exists(options.project);
  // An import saves the project: not while a run writes it, and not before
  // the results of an interrupted run are in it.
  std::unique_ptr<TRunJournal> journal;
  if (existing) {
    journal = std::make_unique<TRunJournal>(options.project);
    if (!journal->TryLock()) throw std::runtime_error(LockedText(options.project));
    LoadProject(model, options.project);
    if (std::string text = RecoveryText(RecoverFromJournal(model, options.project)); !text.empty())
      std::printf("%s\n", ForTerminal(text).c_str());
  }

  TProgressBar progress;
  TerminalUi ui(progress);
  TImportDialog dialog(model, ui);
  dialog.FProgressBar = &progress;
  dialog.lbFilename = options.file;
  ConvertUtf8RecipientFile(dialog, options.file, options.replaceUnmappable);
  dialog.InspectFile();
  if (dialog.FFileKind == TFileKind::fkNone)
    throw std::invalid_argument(options.file + ": not a recipient file (.txt, .csv or .dbf)");

  if (!options.emailColumn.empty()) {
    dialog.cbEmail.ItemIndex = ChooseColumn(dialog.cbEmail.Items, options.emailColumn, options.file);
  } else if (!dialog.FProposalFound) {
    throw std::invalid_argument("no column of " + options.file +
                                " looks like the e-mail address; choose one with --email-column");
  }
  if (options.firstLine >= 0 && dialog.FFileKind == TFileKind::fkText)
    dialog.rgFirstLine.ItemIndex = options.firstLine;
  dialog.rgMode.ItemIndex = options.replace ? 1 : 0;

  int index = dialog.cbEmail.ItemIndex;
  std::printf("E-mail column: %s (column %d%s)\n", ForTerminal(dialog.cbEmail.Items[index]).c_str(),
              index + 1, options.emailColumn.empty() ? ", proposed" : "");
  if (dialog.FFileKind == TFileKind::fkText)
    std::printf("First line: %s\n", dialog.rgFirstLine.ItemIndex == 1 ? "header" : "data");

  std::size_t before = options.replace ? 0 : model.Items.size();
  dialog.RunImport();
  std::vector<DuplicateRow> duplicates = FindDuplicateAddresses(model, before);
  for (const DuplicateRow& duplicate : duplicates) {
    std::string where = duplicate.first < before ? "is already in the list on line " : "repeats line ";
    std::printf("Duplicate: %s (line %zu of the list) %s%zu\n",
                ForTerminal(model.Items[duplicate.row].Caption).c_str(), duplicate.row + 1, where.c_str(),
                duplicate.first + 1);
  }
  if (options.skipDuplicates)
    for (auto it = duplicates.rbegin(); it != duplicates.rend(); ++it)
      model.Items.erase(model.Items.begin() + static_cast<std::ptrdiff_t>(it->row));
  SaveProject(model, options.project);
  if (journal) journal->RecordSaved();
  std::printf("Added %s to %s%s\n", CountOf(model.Items.size() - before, "recipient").c_str(),
              options.project.c_str(), existing ? "" : " (new project)");
  if (!duplicates.empty())
    std::printf(
        "%s %s\n", CountOf(duplicates.size(), "duplicate").c_str(),
        options.skipDuplicates ? "left out (--skip-duplicates)" : "kept; --skip-duplicates leaves them out");
  return 0;
}

}  // namespace norvane::cli
