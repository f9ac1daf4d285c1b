#include "cli/terminal_main_ui.h"

#include <unistd.h>

#include <cstdio>

#include "cli/terminal_text.h"

namespace norvane::cli {

namespace {

// Reads one answer from the terminal; anything but y/yes is No.
bool AskTerminal(const std::string& question) {
  if (::isatty(STDIN_FILENO) != 1) return false;
  std::fprintf(stderr, "%s [y/N] ", ForTerminal(question).c_str());
  std::fflush(stderr);
  char line[64];
  if (!std::fgets(line, sizeof line, stdin)) return false;
  return line[0] == 'y' || line[0] == 'Y';
}

}  // namespace

TerminalMainUi::TerminalMainUi(std::string command, bool assumeYes)
    : command_(std::move(command)), assumeYes_(assumeYes) {}

bool TerminalMainUi::ConfirmYesNo(const std::string& text) {
  if (assumeYes_) {
    std::fprintf(stderr, "%s yes (--yes)\n", ForTerminal(text).c_str());
    return true;
  }
  return AskTerminal(text);
}

TModalResult TerminalMainUi::ConfirmYesNoCancel(const std::string&) {
  // Nothing headless leaves unsaved work behind a question.
  return TModalResult::mrCancel;
}

void TerminalMainUi::ShowInformation(const std::string& text) {
  std::printf("%s\n", ForTerminal(text, true).c_str());
}

void TerminalMainUi::ShowError(const std::string& text) {
  ++errors;
  std::fprintf(stderr, "norvane %s: %s\n", command_.c_str(), ForTerminal(text, true).c_str());
}

void TerminalMainUi::ShowMessage(const std::string& text) {
  std::printf("%s\n", ForTerminal(text, true).c_str());
}

}  // namespace norvane::cli
