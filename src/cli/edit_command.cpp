// `norvane edit PROJECT.nvp [--to TEXT] [--subject TEXT] [--body FILE|-]
// [--attach FILE]... [--detach NAME|POSITION]... [--replace-unmappable]`:
// changes only what is named, through the main window's message and
// attachment commands, and saves atomically. Every input is checked before
// the first change, so a refusal leaves the file as it was.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <string>

#include "app/attachment_commands.h"
#include "app/message_commands.h"
#include "cli/attachment_paths.h"
#include "cli/command_line_ui.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/project_session.h"
#include "cli/terminal_text.h"
#include "cli/text_input.h"
#include "platform/codepage.h"

namespace norvane::cli {

namespace {

// The attachment positions (from 0) named by file name or position from 1.
std::set<int> DetachPositions(const ProjectModel& model, const std::vector<std::string>& named) {
  std::set<int> out;
  for (const std::string& name : named) {
    std::string ansi = Utf8ToAnsi(name);
    bool found = false;
    for (std::size_t i = 0; i < model.Attachments.size(); ++i)
      if (model.Attachments[i].Caption == ansi || model.Attachments[i].FullPath() == ansi) {
        out.insert(static_cast<int>(i));
        found = true;
      }
    char* end = nullptr;
    long position = std::strtol(name.c_str(), &end, 10);
    if (!found && !name.empty() && *end == '\0' && position >= 1 &&
        static_cast<std::size_t>(position) <= model.Attachments.size()) {
      out.insert(static_cast<int>(position - 1));
      found = true;
    }
    if (!found)
      throw std::invalid_argument("--detach: no attachment '" + name + "' (the project has " +
                                  CountOf(model.Attachments.size(), "attachment") + ")");
  }
  return out;
}

}  // namespace

int EditCommand(const Args& args) {
  OptionParser parser(args, {"--to", "--subject", "--body", "--attach", "--detach"},
                      {"--replace-unmappable"});
  if (parser.Positional().size() != 1) throw std::invalid_argument("edit needs one project file");
  const std::string& project = parser.Positional()[0];
  const bool replace = parser.Has("--replace-unmappable");
  if (!parser.Has("--to") && !parser.Has("--subject") && !parser.Has("--body") && !parser.Has("--attach") &&
      !parser.Has("--detach"))
    throw std::invalid_argument(
        "edit needs something to change: --to, --subject, --body, --attach or --detach");

  // Every input read and checked before the project is touched.
  std::optional<std::string> to, subject, body;
  if (auto text = parser.Value("--to")) to = AnsiFromArgument(*text, "--to", replace);
  if (auto text = parser.Value("--subject")) subject = AnsiFromArgument(*text, "--subject", replace);
  if (auto file = parser.Value("--body")) body = ReadBody(*file, replace);
  std::vector<std::string> attach;
  for (const std::string& file : parser.All("--attach")) attach.push_back(AttachmentPath(file, project));

  ProjectSession session(project);
  ProjectModel& model = session.model;
  std::set<int> detach = DetachPositions(model, parser.All("--detach"));
  TMainWindow window;
  CommandLineUi ui("edit");
  TMessageCommands message(model, window, ui);
  TAttachmentCommands attachments(model, window, ui);

  if (body) message.ImportMessageText(*body);
  if (to) model.SetTo(*to);
  if (subject) model.SetSubject(*subject);
  window.AttachmentsSelected = detach;
  if (!detach.empty()) attachments.DeleteSelectedAttachments();
  for (const std::string& file : attach) attachments.AddAttachment(file);
  session.Save();
  std::printf("Saved %s\n", project.c_str());
  return 0;
}

}  // namespace norvane::cli
