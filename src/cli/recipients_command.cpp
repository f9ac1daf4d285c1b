// `norvane recipients PROJECT.nvp add|edit|delete|check|uncheck|invert|find`:
// the recipient list's editing commands of the main window, run through the
// same TRecipientCommands on the project's rows. A change is saved
// atomically at the end; a refused command (a blank address, an unknown
// column, a position that does not exist, a character without a
// Windows-1252 form) saves nothing. Positions count from 1, as `results`
// shows the rows.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/recipient_commands.h"
#include "cli/command_line_ui.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/project_session.h"
#include "cli/terminal_text.h"
#include "cli/text_input.h"
#include "platform/codepage.h"

namespace norvane::cli {

namespace {

std::size_t Position(const std::string& text, std::size_t count) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 1 || static_cast<std::size_t>(value) > count)
    throw std::invalid_argument("no recipient at position '" + text + "' (the list holds " +
                                CountOf(count, "recipient") + ")");
  return static_cast<std::size_t>(value) - 1;
}

// "--field NAME=VALUE" as a grid line and its value, by the column's caption (letter case aside).
std::vector<std::pair<std::size_t, std::string>> Fields(const ProjectModel& model,
                                                        const std::vector<std::string>& given, bool replace) {
  std::vector<std::pair<std::size_t, std::string>> out;
  for (const std::string& field : given) {
    std::size_t equals = field.find('=');
    if (equals == std::string::npos || equals == 0)
      throw std::invalid_argument("--field takes NAME=VALUE, not '" + field + "'");
    std::string name = AnsiFromArgument(field.substr(0, equals), "--field", replace);
    std::size_t line = 0;
    for (std::size_t k = 2; k < model.Columns.size() && line == 0; ++k)
      if (AnsiEqualsIgnoreCase(model.Columns[k].Caption, name)) line = k - 1;
    if (line == 0) {
      std::string known;
      for (std::size_t k = 2; k < model.Columns.size(); ++k)
        known += (known.empty() ? "" : ", ") + ForTerminal(model.Columns[k].Caption);
      throw std::invalid_argument("no column '" + field.substr(0, equals) +
                                  "' in the project (columns: " + (known.empty() ? "none" : known) + ")");
    }
    out.emplace_back(
        line, AnsiFromArgument(field.substr(equals + 1), "--field " + field.substr(0, equals), replace));
  }
  return out;
}

std::string CheckedSummary(const ProjectModel& model) {
  std::size_t checked = std::count_if(model.Items.begin(), model.Items.end(),
                                      [](const TListItem& item) { return item.Checked(); });
  return std::to_string(checked) + " of " + CountOf(model.Items.size(), "recipient") + " checked";
}

}  // namespace

int RecipientsCommand(const Args& args) {
  OptionParser parser(args, {"--field", "--email"},
                      {"--checked", "--all", "--failed", "--replace-unmappable", "--match-case"});
  const auto& positional = parser.Positional();
  if (positional.size() < 2)
    throw std::invalid_argument(
        "recipients needs a project file and a command (add, edit, delete, check, "
        "uncheck, invert, find); see norvane recipients --help");
  const std::string& project = positional[0];
  const std::string& action = positional[1];
  std::vector<std::string> operands(positional.begin() + 2, positional.end());
  const bool replace = parser.Has("--replace-unmappable");
  static const std::set<std::string> known = {"add", "edit", "delete", "check", "uncheck", "invert", "find"};
  if (!known.count(action))
    throw std::invalid_argument("unknown recipients command '" + action +
                                "' (add, edit, delete, check, uncheck, invert, find)");

  ProjectSession session(project);
  ProjectModel& model = session.model;
  TMainWindow window;
  CommandLineUi ui("recipients");
  TRecipientCommands commands(model, window, ui);
  const std::size_t count = model.Items.size();

  if (action == "find") {
    if (operands.size() != 1) throw std::invalid_argument("recipients find needs one text to look for");
    commands.FindDialog1.FindText = AnsiFromArgument(operands[0], "the text to find", replace);
    commands.FindDialog1.MatchCase = parser.Has("--match-case");
    int found = 0;
    for (;;) {
      try {
        commands.acFindNextExecute();
      } catch (const std::runtime_error& notFound) {
        if (found == 0) {
          std::fprintf(stderr, "%s\n", ForTerminal(notFound.what()).c_str());
          return 1;
        }
        break;
      }
      ++found;
      const TListItem& item = model.Items[static_cast<std::size_t>(window.Selected)];
      std::printf("%d  %s  %s\n", window.Selected + 1, item.Checked() ? "[x]" : "[ ]",
                  ForTerminal(item.Caption).c_str());
    }
    return 0;  // nothing changed, nothing saved
  }

  if (action == "add") {
    if (operands.size() != 1) throw std::invalid_argument("recipients add needs one address");
    std::string address = AnsiFromArgument(operands[0], "the address", replace);
    auto fields = Fields(model, parser.All("--field"), replace);
    ui.FillProperties = [&](TFormProperties& form) {
      form.VerticalGrid[0].Value = address;
      for (const auto& [line, value] : fields) form.VerticalGrid[line].Value = value;
    };
    commands.acRecipientAddExecute();
    if (ui.errors > 0) return 2;
    std::printf("Added %s as recipient %zu of %zu\n", ForTerminal(model.Items.back().Caption).c_str(),
                model.Items.size(), model.Items.size());
  } else if (action == "edit") {
    if (operands.size() != 1) throw std::invalid_argument("recipients edit needs one position");
    std::size_t row = Position(operands[0], count);
    std::optional<std::string> address;
    if (auto email = parser.Value("--email")) address = AnsiFromArgument(*email, "--email", replace);
    auto fields = Fields(model, parser.All("--field"), replace);
    if (!address && fields.empty()) throw std::invalid_argument("recipients edit needs --email or --field");
    ui.FillProperties = [&](TFormProperties& form) {
      if (address) form.VerticalGrid[0].Value = *address;
      for (const auto& [line, value] : fields) form.VerticalGrid[line].Value = value;
    };
    window.Selected = static_cast<int>(row);
    commands.acRecipientEditExecute();
    if (ui.errors > 0) return 2;
    std::printf("Recipient %zu is now %s\n", row + 1, ForTerminal(model.Items[row].Caption).c_str());
  } else if (action == "delete") {
    if (parser.Has("--checked")) {
      if (!operands.empty())
        throw std::invalid_argument("recipients delete takes positions or --checked, not both");
      commands.acRecipientDeleteSelectedExecute();
    } else {
      if (operands.empty()) throw std::invalid_argument("recipients delete needs positions or --checked");
      std::set<std::size_t> rows;
      for (const std::string& operand : operands) rows.insert(Position(operand, count));
      // From the last, so the positions still to delete stay where they were.
      for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        window.Selected = static_cast<int>(*it);
        commands.acRecipientDeleteExecute();
      }
    }
    std::printf("Deleted %s; %s left\n", CountOf(count - model.Items.size(), "recipient").c_str(),
                CountOf(model.Items.size(), "recipient").c_str());
  } else {
    const bool all = parser.Has("--all"), failed = parser.Has("--failed");
    if (all + failed + !operands.empty() != 1)
      throw std::invalid_argument("recipients " + action + " needs one of --all, --failed or positions");
    if (all) {
      if (action == "check") commands.acCheckAllExecute();
      if (action == "uncheck") commands.acUnCheckAllExecute();
      if (action == "invert") commands.acInvertSelectionExecute();
    } else {
      std::set<std::size_t> rows;
      for (const std::string& operand : operands) rows.insert(Position(operand, count));
      if (failed)
        for (std::size_t row = 0; row < count; ++row)
          if (model.Items[row].ImageIndex == kImageFailed || model.Items[row].ImageIndex == kImageSending)
            rows.insert(row);
      for (std::size_t row : rows) {
        bool checked = model.Items[row].Checked();
        if ((action == "check" && checked) || (action == "uncheck" && !checked)) continue;
        window.Selected = static_cast<int>(row);
        commands.acCheckExecute();
      }
    }
    std::printf("%s\n", CheckedSummary(model).c_str());
  }
  session.Save();
  return 0;
}

}  // namespace norvane::cli
