#include <cstdio>
#include <cstring>
#include <exception>

#include "cli/command_help.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"

namespace norvane::cli {

int SandboxCommand(const Args& args);
int ImportCommand(const Args& args);
int SendCommand(const Args& args);
int PreviewCommand(const Args& args);
int ResultsCommand(const Args& args);
int ConfigCommand(const Args& args);
int LogCommand(const Args& args);
int SpellCommand(const Args& args);
int PasswordCommand(const Args& args);
int DkimCommand(const Args& args);
int NewCommand(const Args& args);
int EditCommand(const Args& args);
int RecipientsCommand(const Args& args);
int ShowCommand(const Args& args);

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      {"new",
       "new PROJECT.nvp [--from ADDRESS] [--to TEXT] [--subject TEXT] [--body FILE|-] [--recipients FILE "
       "[--email-column C] [--first-line data|header]] [--attach FILE]... [--force]",
       NewCommand},
      {"edit",
       "edit PROJECT.nvp [--to TEXT] [--subject TEXT] [--body FILE|-] [--attach FILE]... [--detach "
       "NAME|POSITION]...",
       EditCommand},
      {"recipients", "recipients PROJECT.nvp add|edit|delete|check|uncheck|invert|find ...",
       RecipientsCommand},
      {"show", "show PROJECT.nvp", ShowCommand},
      {"sandbox", "sandbox [--dir D] [--dns-port P] [--smtp-port P] [--address A]", SandboxCommand},
      {"import",
       "import PROJECT.nvp FILE [--email-column NAME|POSITION] [--first-line data|header] [--replace] "
       "[--skip-duplicates]",
       ImportCommand},
      {"send",
       "send PROJECT.nvp [--yes] [--test ADDRESS [--row N]] [--from ADDRESS] [--dns SERVERS] [--connections "
       "N] [--timeout SECONDS] "
       "[--gateway HOST] [--port PORT] [--tls starttls|implicit|none] [--ca-file FILE] [--user NAME] "
       "[--password-file FILE] [--resolver HOST[:PORT]] [--sandbox [--dir D]]",
       SendCommand},
      {"preview", "preview PROJECT.nvp [--row N] [--raw [--8bit]]", PreviewCommand},
      {"spell", "spell PROJECT.nvp [--lang CODE]", SpellCommand},
      {"results", "results PROJECT.nvp [--csv | --json] [--failed] [--detail]", ResultsCommand},
      {"log", "log PROJECT.nvp [--row N | --address A]", LogCommand},
      {"config", "config get SECTION/KEY | set SECTION/KEY VALUE | list", ConfigCommand},
      {"password", "password set|forget [--gateway HOST] [--user NAME] [--password-file FILE]",
       PasswordCommand},
      {"dkim",
       "dkim keygen --domain D --selector S [--algorithm rsa|ed25519] [--out FILE] [--force] | "
       "check --domain D --selector S [--key FILE] [--resolver HOST[:PORT]]",
       DkimCommand},
  };
  return commands;
}

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "Norvane %s - mass e-mailer with mail merge\n\nUsage:\n", NORVANE_VERSION);
  std::fprintf(out, "  norvane --version\n  norvane --help\n");
  for (const Command& command : AllCommands()) std::fprintf(out, "  norvane %s\n", command.usage);
  std::fprintf(out, "\n`norvane COMMAND --help` shows a command's options and an example.\n");
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
  if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 || std::strcmp(name, "help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  for (const Command& command : AllCommands()) {
    if (std::strcmp(name, command.name) != 0) continue;
    Args args(argv + 2, argv + argc);
    if (PrintHelpIfAsked(name, args)) return 0;
    try {
      return command.run(args);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "norvane: %s\n", EscapeControls(error.what(), true).c_str());
      return 2;
    }
  }
  std::fprintf(stderr, "norvane: unknown command '%s'\n\n", EscapeControls(name).c_str());
  PrintUsage(stderr);
  return 2;
}
