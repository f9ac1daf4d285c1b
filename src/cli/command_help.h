// `--help` and `-h` for every command and subcommand: its usage, what it
// does in a few lines and an example, on standard output.
#pragma once

#include <string>

#include "cli/commands.h"

namespace norvane::cli {

// When `args` (the words after the command's name) ask for help, prints the
// help of the command or of the subcommand they name and returns true.
bool PrintHelpIfAsked(const std::string& command, const Args& args);

}  // namespace norvane::cli
