#include "cli/command_help.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace norvane::cli {

namespace {

struct Help {
  const char* command;
  const char* subcommand;  // "" for the command itself
  const char* usage;
  const char* text;
  const char* example;
};

const std::vector<Help>& AllHelp() {
  static const std::vector<Help> help = {
      {"new", "",
       "new PROJECT.nvp [--from ADDRESS] [--to TEXT] [--subject TEXT] [--body FILE|-] [--recipients FILE "
       "[--email-column NAME|POSITION] [--first-line data|header]] [--attach FILE]... [--force] "
       "[--replace-unmappable]",
       "Creates a mailing in one go, as the mailing wizard does: the sender is stored in the settings,\n"
       "the recipients are imported, the body is read from FILE (- for standard input). Text may be\n"
       "UTF-8; characters without a Windows-1252 form are refused unless --replace-unmappable.\n"
       "An existing file is replaced only with --force.",
       "norvane new offer.nvp --from 'Shop <shop@example.com>' --subject 'Hello <name>' \\\n"
       "      --body message.txt --recipients people.csv --attach prices.pdf"},
      {"edit", "",
       "edit PROJECT.nvp [--to TEXT] [--subject TEXT] [--body FILE|-] [--attach FILE]... "
       "[--detach NAME|POSITION]... [--replace-unmappable]",
       "Changes only what is named and saves the project atomically. Nothing is saved when any\n"
       "input is refused.",
       "norvane edit offer.nvp --subject 'Our offer for <name>' --detach 1 --attach new-prices.pdf"},
      {"recipients", "", "recipients PROJECT.nvp add|edit|delete|check|uncheck|invert|find ...",
       "Edits the recipient list; positions count from 1 as `norvane results` shows them.\n"
       "  add ADDRESS [--field NAME=VALUE]...\n"
       "  edit POSITION [--email ADDRESS] [--field NAME=VALUE]...\n"
       "  delete POSITION... | delete --checked\n"
       "  check|uncheck|invert --all | --failed | POSITION...\n"
       "  find TEXT [--match-case]\n"
       "Run `norvane recipients PROJECT.nvp COMMAND --help` for one of them.",
       "norvane recipients offer.nvp add ann@example.com --field name=Ann"},
      {"recipients", "add",
       "recipients PROJECT.nvp add ADDRESS [--field NAME=VALUE]... [--replace-unmappable]",
       "Appends a checked recipient. NAME is a column of the project; a blank address is refused.",
       "norvane recipients offer.nvp add bob@example.com --field name=Bob --field city=Oslo"},
      {"recipients", "edit", "recipients PROJECT.nvp edit POSITION [--email ADDRESS] [--field NAME=VALUE]...",
       "Changes the address or field values of one recipient; its result and check mark stay.",
       "norvane recipients offer.nvp edit 3 --email bob@example.org"},
      {"recipients", "delete", "recipients PROJECT.nvp delete POSITION... | delete --checked",
       "Deletes the recipients at the positions, or every checked one.",
       "norvane recipients offer.nvp delete 2 5"},
      {"recipients", "check", "recipients PROJECT.nvp check --all | --failed | POSITION...",
       "Checks recipients: all, those whose last attempt did not deliver, or the positions given.",
       "norvane recipients offer.nvp check --failed"},
      {"recipients", "uncheck", "recipients PROJECT.nvp uncheck --all | --failed | POSITION...",
       "Unchecks recipients, so a send leaves them out.", "norvane recipients offer.nvp uncheck --all"},
      {"recipients", "invert", "recipients PROJECT.nvp invert --all | --failed | POSITION...",
       "Turns checked recipients into unchecked ones and the other way round.",
       "norvane recipients offer.nvp invert --all"},
      {"recipients", "find", "recipients PROJECT.nvp find TEXT [--match-case]",
       "Lists the recipients whose address or fields hold TEXT (not their result); letter case\n"
       "is ignored unless --match-case. Exit status 1 when none does.",
       "norvane recipients offer.nvp find oslo"},
      {"show", "", "show PROJECT.nvp",
       "Shows the mailing: To, subject, the body's first lines, the merge tags and whether each has\n"
       "a column, attachments with size and whether each exists, columns and counts.\n"
       "Exit status 1 when a tag has no column or an attachment is missing.",
       "norvane show offer.nvp"},
      {"import", "",
       "import PROJECT.nvp FILE [--email-column NAME|POSITION] [--first-line data|header] [--replace] "
       "[--skip-duplicates] [--replace-unmappable]",
       "Imports recipients from a .txt, .csv or .dbf file, creating the project when it does not\n"
       "exist. UTF-8 text files are converted to Windows-1252. Addresses already in the list or\n"
       "repeated in the file are reported; --skip-duplicates leaves them out.",
       "norvane import offer.nvp people.csv --email-column Email --skip-duplicates"},
      {"send", "",
       "send PROJECT.nvp [--yes] [--test ADDRESS [--row N]] [--from ADDRESS] [--dns SERVERS] "
       "[--connections N] [--timeout SECONDS] [--gateway HOST] [--port PORT] [--tls starttls|implicit|none] "
       "[--ca-file FILE] [--user NAME] [--password-file FILE] [--resolver HOST[:PORT]] [--sandbox [--dir D]] "
       "[--reuse] [--retries N] [--retry-delay SECONDS]",
       "Sends the mailing to every checked recipient and writes each result into the project.\n"
       "Before a run it warns about an empty subject or body, tags without a column, missing\n"
       "attachments and addresses that would get the message twice; --yes goes ahead.\n"
       "--test ADDRESS sends one copy of row N's message (default 1) to ADDRESS and writes nothing.\n"
       "--reuse keeps a connection for the next message to the same host; --retries N tries a\n"
       "temporary failure up to N more times, --retry-delay SECONDS apart.\n"
       "Exit status: 0 all delivered, 1 some not, 2 no run.",
       "norvane send offer.nvp --test me@example.com --row 2\n  norvane send offer.nvp --sandbox"},
      {"preview", "", "preview PROJECT.nvp [--row N] [--raw [--8bit]]",
       "Shows the merged message of one recipient (default the first); --raw shows the bytes sent.",
       "norvane preview offer.nvp --row 2"},
      {"spell", "", "spell PROJECT.nvp [--lang CODE]",
       "Checks the spelling of the To line, subject and body; exit status 1 when a word is unknown.",
       "norvane spell offer.nvp --lang en_US"},
      {"results", "", "results PROJECT.nvp [--csv | --json] [--failed] [--detail]",
       "Lists every recipient with its check mark, address, last result and fields, as a table,\n"
       "as comma-separated values or as JSON (one object per row).",
       "norvane results offer.nvp --json --failed"},
      {"log", "", "log PROJECT.nvp [--row N | --address A]",
       "Shows the server dialogue of the last run from the run journal.", "norvane log offer.nvp --row 3"},
      {"sandbox", "", "sandbox [--dir D] [--dns-port P] [--smtp-port P] [--address A]",
       "Runs the local capture service (DNS and SMTP on the loopback address) until Ctrl-C;\n"
       "every message it receives is written to D as an .eml file.",
       "norvane sandbox --dir sandbox-mail"},
      {"config", "", "config get SECTION/KEY | set SECTION/KEY VALUE | list",
       "Reads and changes the settings; only known keys are accepted.",
       "norvane config set Connection/From 'Shop <shop@example.com>'"},
      {"config", "get", "config get SECTION/KEY", "Prints the stored value or the setting's default.",
       "norvane config get Connection/From"},
      {"config", "set", "config set SECTION/KEY VALUE", "Checks and stores a value.",
       "norvane config set Connection/Connections 20"},
      {"config", "list", "config list", "Lists every setting with its value.", "norvane config list"},
      {"password", "", "password set|forget [--gateway HOST] [--user NAME] [--password-file FILE]",
       "Stores or removes the relay password in the desktop's secret store.",
       "norvane password set --gateway smtp.example.com --user shop"},
      {"password", "set", "password set [--gateway HOST] [--user NAME] [--password-file FILE]",
       "Stores the relay password (asked on the terminal unless --password-file).",
       "norvane password set --user shop --password-file secret.txt"},
      {"password", "forget", "password forget [--gateway HOST] [--user NAME]",
       "Removes the stored relay password.", "norvane password forget --user shop"},
      {"dkim", "", "dkim keygen ... | check ...",
       "Makes a signing key and its DNS record, or checks the published record against the key.",
       "norvane dkim keygen --domain example.com --selector mail"},
      {"dkim", "keygen",
       "dkim keygen --domain D --selector S [--algorithm rsa|ed25519] [--out FILE] [--force]",
       "Writes a new private key and prints the TXT record to publish.",
       "norvane dkim keygen --domain example.com --selector mail --algorithm ed25519"},
      {"dkim", "check", "dkim check --domain D --selector S [--key FILE] [--resolver HOST[:PORT]]",
       "Looks up the published record and checks that it matches the key.",
       "norvane dkim check --domain example.com --selector mail"},
  };
  return help;
}

bool AsksForHelp(const Args& args) {
  for (const std::string& arg : args)
    if (arg == "--help" || arg == "-h") return true;
  return false;
}

}  // namespace

bool PrintHelpIfAsked(const std::string& command, const Args& args) {
  if (!AsksForHelp(args)) return false;
  const Help* chosen = nullptr;
  for (const Help& entry : AllHelp()) {
    if (command != entry.command) continue;
    if (!*entry.subcommand) {
      if (!chosen) chosen = &entry;
      continue;
    }
    // The subcommand is the first word (config, password, dkim) or the second (recipients).
    for (std::size_t i = 0; i < args.size() && i < 2; ++i)
      if (args[i] == entry.subcommand) chosen = &entry;
  }
  if (!chosen) return false;
  std::printf("Usage: norvane %s\n\n%s\n\nExample:\n  %s\n", chosen->usage, chosen->text, chosen->example);
  return true;
}

}  // namespace norvane::cli
