// `norvane show PROJECT.nvp`: the mailing as a person checks it before a
// send: To line, subject, the body's first lines, the merge tags and whether
// each has a column, the attachments with their size and whether each file
// is there, the columns and the counts. Results of an interrupted run still
// in the journal are counted as recovered; the file is not changed.
//
// Exit status: 0 ready to send, 1 a tag without a column or a missing
// attachment, 2 no project to show.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/mailing_checks.h"
#include "app/sending_controller.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/terminal_text.h"
#include "project/project_file.h"
#include "project/run_journal.h"

namespace norvane::cli {

namespace {

constexpr std::size_t kBodyLinesShown = 5;

std::string Line(const std::string& label, const std::string& ansi) {
  return label + ForTerminal(ansi) + "\n";
}

}  // namespace

int ShowCommand(const Args& args) {
  OptionParser parser(args, {}, {});
  if (parser.Positional().size() != 1) throw std::invalid_argument("show needs one project file");
  const std::string& project = parser.Positional()[0];
  ProjectModel model;
  LoadProject(model, project);
  if (std::string text = RecoveryText(ReplayJournal(model, TRunJournal::Read(project, true))); !text.empty())
    std::fprintf(stderr, "%s\n", ForTerminal(text).c_str());

  bool incomplete = false;
  std::string out = "Project: " + project + "\n";
  out += Line("To:      ", model.To);
  out += Line("Subject: ", model.Subject.empty() ? "(empty)" : model.Subject);

  std::vector<std::string> lines = SplitLines(model.Body);
  out += "Body:    " + (lines.empty() ? std::string("(empty)") : CountOf(lines.size(), "line")) + "\n";
  for (std::size_t i = 0; i < lines.size() && i < kBodyLinesShown; ++i) out += Line("  | ", lines[i]);
  if (lines.size() > kBodyLinesShown) out += "  | ...\n";

  std::vector<std::string> tags = MergeTagsUsed(model);
  out += tags.empty() ? "Tags:    none\n" : "Tags:\n";
  for (const std::string& tag : tags) {
    bool filled = TagHasColumn(model, tag);
    incomplete = incomplete || !filled;
    out += Line("  ", tag + (filled ? "" : "  NO COLUMN: sent as it is"));
  }

  std::vector<std::size_t> missing = MissingAttachments(model);
  out += model.Attachments.empty() ? "Attachments: none\n" : "Attachments:\n";
  for (std::size_t i = 0; i < model.Attachments.size(); ++i) {
    const TAttachmentItem& item = model.Attachments[i];
    std::string path = item.FullPath(model.FProjectFileName);
    std::string state;
    if (std::find(missing.begin(), missing.end(), i) != missing.end()) {
      state = "MISSING";
      incomplete = true;
    } else {
      struct stat info;
      state =
          ::stat(path.c_str(), &info) == 0 ? CountOf(static_cast<std::size_t>(info.st_size), "byte") : "?";
    }
    out += "  " + std::to_string(i + 1) + "  " + ForTerminal(item.Caption) + "  " + state + "  (" +
           ForTerminal(path) + ")\n";
  }

  std::string columns;
  for (const TListColumn& column : model.Columns)
    columns += (columns.empty() ? "" : ", ") + ForTerminal(column.Caption);
  out += "Columns: " + columns + "\n";

  std::size_t checked = 0, delivered = 0, failed = 0, untried = 0;
  for (const TListItem& item : model.Items) {
    checked += item.Checked();
    if (item.ImageIndex == kImageDelivered)
      ++delivered;
    else if (item.ImageIndex == kImageFailed || item.ImageIndex == kImageSending)
      ++failed;
    else
      ++untried;
  }
  out += "Recipients: " + CountOf(model.Items.size(), "recipient") + ", " + std::to_string(checked) +
         " checked; " + std::to_string(delivered) + " delivered, " + std::to_string(failed) + " failed, " +
         std::to_string(untried) + " never tried\n";
  std::vector<DuplicateRow> duplicates = FindDuplicateAddresses(model, 0, true);
  if (!duplicates.empty())
    out += "Duplicates: " + CountOf(duplicates.size(), "checked address", "checked addresses") +
           " also on an earlier row\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (incomplete)
    std::fprintf(stderr, "norvane show: %s is not ready to send (see NO COLUMN and MISSING above)\n",
                 project.c_str());
  return incomplete ? 1 : 0;
}

}  // namespace norvane::cli
