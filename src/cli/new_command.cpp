// `norvane new PROJECT.nvp [--from ADDRESS] [--to TEXT] [--subject TEXT]
// [--body FILE|-] [--recipients FILE [--email-column C] [--first-line
// data|header]] [--attach FILE]... [--force] [--replace-unmappable]`: the
// mailing wizard without its pages. The same TFormWizard is walked from its
// first page to Create!, so its checks hold (a sender with "@", an existing
// recipient file, an e-mail column) and the sender goes into the settings as
// the wizard stores it; the body, the To line and the attachments then go
// through the main window's commands, and the project is saved atomically.
// An existing file is replaced only with --force.
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/attachment_commands.h"
#include "app/message_commands.h"
#include "cli/attachment_paths.h"
#include "cli/command_line_ui.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/recipient_file.h"
#include "cli/terminal_text.h"
#include "cli/text_input.h"
#include "import/form_wizard.h"
#include "project/project_file.h"
#include "project/run_journal.h"
#include "settings/ini_data.h"

namespace norvane::cli {

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// One page forward; the wizard's refusals in the terminal's words.
void Next(TFormWizard& wizard, const std::string& recipients) {
  try {
    wizard.ChangeTab(+1);
  } catch (const std::runtime_error& error) {
    std::string text = error.what();
    if (text == kInvalidFrom)
      throw std::invalid_argument(
          "no sender address: give --from ADDRESS, or set it once with `norvane config set Connection/From "
          "ADDRESS`");
    if (text == kChooseEmailField)
      throw std::invalid_argument("no column of " + recipients +
                                  " looks like the e-mail address; choose one with --email-column");
    if (text.rfind("File not found ", 0) == 0) throw std::invalid_argument(recipients + ": no such file");
    throw;
  }
}

}  // namespace

int NewCommand(const Args& args) {
  OptionParser parser(
      args,
      {"--from", "--to", "--subject", "--body", "--recipients", "--email-column", "--first-line", "--attach"},
      {"--force", "--replace-unmappable"});
  if (parser.Positional().size() != 1) throw std::invalid_argument("new needs one project file to create");
  const std::string& project = parser.Positional()[0];
  const bool replace = parser.Has("--replace-unmappable");
  const bool existing = Exists(project);
  if (existing && !parser.Has("--force"))
    throw std::invalid_argument(project + " already exists; give --force to replace it");
  std::optional<std::string> recipients = parser.Value("--recipients");
  if (!recipients && (parser.Has("--email-column") || parser.Has("--first-line")))
    throw std::invalid_argument("--email-column and --first-line go with --recipients");
  int firstLine = -1;
  if (auto value = parser.Value("--first-line")) {
    if (*value != "data" && *value != "header")
      throw std::invalid_argument("--first-line takes 'data' or 'header', not '" + *value + "'");
    firstLine = *value == "header" ? 1 : 0;
  }

  // Every input read and checked before anything is written.
  std::optional<std::string> to, body;
  if (auto text = parser.Value("--to")) to = AnsiFromArgument(*text, "--to", replace);
  if (auto file = parser.Value("--body")) body = ReadBody(*file, replace);
  std::vector<std::string> attach;
  for (const std::string& file : parser.All("--attach")) attach.push_back(AttachmentPath(file, project));

  // A project replaced while a run writes it would get the run's results.
  std::unique_ptr<TRunJournal> journal;
  if (existing) {
    journal = std::make_unique<TRunJournal>(project);
    if (!journal->TryLock()) throw std::runtime_error(LockedText(project));
  }

  TINI ini;
  ProjectModel model;
  TMainWindow window;
  CommandLineUi ui("new");
  TFormWizard wizard(model, ini, ui);
  wizard.BuildFieldMenu = [&] { window.BuildFieldMenu(model); };
  wizard.FormShow();
  if (auto from = parser.Value("--from")) wizard.edFrom = AnsiFromArgument(*from, "--from", replace);
  if (auto subject = parser.Value("--subject"))
    wizard.edSubject = AnsiFromArgument(*subject, "--subject", replace);
  const std::string file = recipients.value_or("");
  if (recipients) {
    if (!Exists(file)) throw std::invalid_argument(file + ": no such file");
    if (FileKindOfPath(file) == TFileKind::fkNone)
      throw std::invalid_argument(file + ": not a recipient file (.txt, .csv or .dbf)");
    wizard.edFilename = file;
    ConvertUtf8RecipientFile(*wizard.FImportDialog, file, replace);
  }

  Next(wizard, file);  // Welcome
  Next(wizard, file);  // From: the sender needs an "@"
  Next(wizard, file);  // Subject: an empty one is noted, not refused
  Next(wizard, file);  // Datasource: the file is read, its columns offered
  if (recipients) {
    if (auto column = parser.Value("--email-column"))
      wizard.FieldListBox.ItemIndex = ChooseColumn(wizard.FieldListBox.Items, *column, file);
    if (firstLine >= 0 && wizard.rgFirstLine.Enabled) wizard.rgFirstLine.ItemIndex = firstLine;
    Next(wizard, file);  // Field selection
  }
  Next(wizard, file);  // Message file: a new message
  Next(wizard, file);  // Finish: Create!

  TMessageCommands message(model, window, ui);
  TAttachmentCommands attachments(model, window, ui);
  if (body) message.ImportMessageText(*body);
  if (to) model.SetTo(*to);
  for (const std::string& path : attach) attachments.AddAttachment(path);
  SaveProject(model, project);
  if (journal) journal->RecordSaved();
  std::printf("Created %s: %s, %s\n", project.c_str(), CountOf(model.Items.size(), "recipient").c_str(),
              CountOf(model.Attachments.size(), "attachment").c_str());
  return 0;
}

}  // namespace norvane::cli
