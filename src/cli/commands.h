// The subcommands of the `norvane` command. Each returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace norvane::cli {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;  // one line, after "norvane "
  int (*run)(const Args& args);
};

// Every command the program knows, in the order `norvane --help` lists them.
const std::vector<Command>& AllCommands();

}  // namespace norvane::cli
