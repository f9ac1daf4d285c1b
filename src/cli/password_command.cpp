// `norvane password set|forget [--gateway HOST] [--user NAME] [--password-file FILE]`: the relay
// password in the secret store (the desktop's, or the owner-only file beside the settings),
// where `norvane send` and the main window find it. The relay host and user name default to the
// settings Connection/Gateway and Security/User. `set` reads the password from --password-file,
// NORVANE_SMTP_PASSWORD or, asked twice without echo, the terminal.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/security_settings.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/relay_password.h"
#include "cli/terminal_text.h"
#include "platform/codepage.h"
#include "platform/secret_store.h"
#include "settings/ini_data.h"

namespace norvane::cli {

namespace {

std::string Trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::string NewPassword(const std::optional<std::string>& passwordFile, const std::string& who) {
  if (std::optional<std::string> given = GivenPassword(passwordFile)) return *given;
  std::optional<std::string> first = AskPassword("Password for " + who + ": ");
  if (!first)
    throw std::invalid_argument(std::string("no terminal to ask on: give the password in ") +
                                kPasswordVariable + " or with --password-file");
  if (first->empty()) throw std::invalid_argument("an empty password is no password");
  std::optional<std::string> again = AskPassword("Again: ");
  if (!again || *again != *first) throw std::invalid_argument("the two passwords differ; nothing stored");
  return *first;
}

}  // namespace

int PasswordCommand(const Args& args) {
  OptionParser parser(args, {"--gateway", "--user", "--password-file"}, {});
  const std::vector<std::string>& verbs = parser.Positional();
  if (verbs.size() != 1 || (verbs[0] != "set" && verbs[0] != "forget"))
    throw std::invalid_argument("usage: norvane password set|forget [--gateway HOST] [--user NAME]");
  TINI ini;
  const TRelayOptions settings = ReadRelayOptions(ini);
  const std::string host =
      Trim(parser.Value("--gateway") ? Utf8ToAnsi(*parser.Value("--gateway")) : settings.Gateway);
  const std::string user = Trim(parser.Value("--user") ? Utf8ToAnsi(*parser.Value("--user")) : settings.User);
  if (host.empty()) throw std::invalid_argument("no relay host: give --gateway or set Connection/Gateway");
  if (user.empty()) throw std::invalid_argument("no user name: give --user or set Security/User");
  const std::string who = AnsiToUtf8(user) + " at " + AnsiToUtf8(host);

  std::unique_ptr<SecretStore> store = OpenSecretStore();
  if (verbs[0] == "set") {
    store->Store(host, user, NewPassword(parser.Value("--password-file"), who));
    std::printf("Password for %s stored in %s\n", EscapeControls(who).c_str(),
                EscapeControls(store->Where()).c_str());
    return 0;
  }
  if (!store->Forget(host, user)) {
    std::printf("No password for %s in %s\n", EscapeControls(who).c_str(),
                EscapeControls(store->Where()).c_str());
    return 1;
  }
  std::printf("Password for %s removed from %s\n", EscapeControls(who).c_str(),
              EscapeControls(store->Where()).c_str());
  return 0;
}

}  // namespace norvane::cli
