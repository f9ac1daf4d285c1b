#include <cstdio>
#include <cstring>
#include <exception>

#include "cli/commands.h"

namespace norvane::cli {

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {};
  return commands;
}

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "Norvane %s - mass e-mailer with mail merge\n\nUsage:\n", NORVANE_VERSION);
  std::fprintf(out, "  norvane --version\n  norvane --help\n");
  for (const Command& command : AllCommands()) std::fprintf(out, "  norvane %s\n", command.usage);
}

}  // namespace
}  // namespace norvane::cli

int main(int argc, char** argv) {
  using namespace norvane::cli;
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const char* name = argv[1];
  if (std::strcmp(name, "--version") == 0 || std::strcmp(name, "version") == 0) {
    std::printf("norvane %s\n", NORVANE_VERSION);
    return 0;
  }
  if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  for (const Command& command : AllCommands()) {
    if (std::strcmp(name, command.name) != 0) continue;
    try {
      return command.run(Args(argv + 2, argv + argc));
    } catch (const std::exception& error) {
      std::fprintf(stderr, "norvane: %s\n", error.what());
      return 2;
    }
  }
  std::fprintf(stderr, "norvane: unknown command '%s'\n\n", name);
  PrintUsage(stderr);
  return 2;
}
