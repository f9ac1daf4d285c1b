// `norvane send PROJECT.nvp`: the main window's Send without the window. The
// project's checked recipients are delivered with the settings (or the
// options that replace them for this run), each outcome is printed and
// written into its row, and the project is saved atomically every few
// seconds during the run and once at its end. A relay that wants a password
// gets it from --password-file, NORVANE_SMTP_PASSWORD, the secret store or,
// last, the terminal (asked without echo). Every outcome is in the run
// journal before it is printed, so a killed process loses nothing it
// reported: the next command that opens the project recovers it. Ctrl-C is
// Stop. With --sandbox the local
// capture service runs in the same process and receives everything.
//
// Before a run the mailing is checked (an empty subject or body, tags
// without a column, missing attachments, an address on two checked rows) and
// each finding is a question that --yes answers. --test ADDRESS sends one
// copy of one row's message to ADDRESS instead: the row's fields are merged,
// no other row is touched and nothing is written into the project.
//
// Exit status: 0 every checked recipient delivered, 1 some not, 2 no run (or a
// run stopped because its results could not be recorded).
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/delivery_settings.h"
#include "app/mailing_checks.h"
#include "app/main_window.h"
#include "app/sending_controller.h"
#include "cli/commands.h"
#include "cli/option_parser.h"
#include "cli/relay_password.h"
#include "cli/terminal_main_ui.h"
#include "cli/terminal_spell_check.h"
#include "cli/terminal_text.h"
#include "net/host_lookup.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/event_loop.h"
#include "platform/secret_store.h"
#include "project/merge.h"
#include "project/project_file.h"
#include "project/run_journal.h"
#include "sandbox/sandbox.h"
#include "settings/ini_data.h"
#include "spell/spell_checker.h"

namespace norvane::cli {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

constexpr uint32_t kSaveEveryMs = 5000;
constexpr uint32_t kProgressEveryMs = 250;

struct SendOptions {
  std::string project;
  bool yes = false;
  bool sandbox = false;
  std::string sandboxDir = "sandbox-mail";
  std::optional<std::string> resolver;
  std::optional<std::string> passwordFile;
  std::optional<std::string> testAddress;  // ANSI
  long testRow = 1;
  TRunOverrides overrides;
};

// "A B", "A,B", each optionally "HOST:PORT" (one port for all of them).
void ParseDnsOption(const std::string& text, TRunOverrides& overrides) {
  std::string servers;
  std::optional<std::string> port;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(" ,", start);
    if (end == std::string::npos) end = text.size();
    std::string server = text.substr(start, end - start);
    start = end + 1;
    if (server.empty()) continue;
    if (std::size_t colon = server.find(':'); colon != std::string::npos) {
      std::string thisPort = server.substr(colon + 1);
      if (port && *port != thisPort)
        throw std::invalid_argument("--dns: every server must use the same port");
      port = thisPort;
      server.resize(colon);
    }
    servers += (servers.empty() ? "" : " ") + server;
  }
  if (servers.empty()) throw std::invalid_argument("--dns needs at least one server");
  overrides.Dns = servers;
  if (port) overrides.DnsPort = *port;
}

SendOptions ParseOptions(const Args& args) {
  OptionParser parser(
      args,
      {"--from", "--dns", "--connections", "--timeout", "--gateway", "--port", "--resolver", "--dir", "--tls",
       "--ca-file", "--user", "--password-file", "--test", "--row", "--retries", "--retry-delay"},
      {"--yes", "--sandbox", "--reuse"});
  if (parser.Positional().size() != 1) throw std::invalid_argument("send needs one project file");
  SendOptions options;
  options.project = parser.Positional()[0];
  options.yes = parser.Has("--yes");
  if (auto address = parser.Value("--test")) {
    options.testAddress = TrimText(Utf8ToAnsi(*address));
    if (ExtractEmailAddress(*options.testAddress).empty())
      throw std::invalid_argument("--test needs the address to send the test copy to");
  }
  if (parser.Has("--row") && !options.testAddress) throw std::invalid_argument("--row goes with --test");
  options.testRow = parser.Number("--row", 1, 1L << 30).value_or(1);
  options.sandbox = parser.Has("--sandbox");
  if (auto dir = parser.Value("--dir")) {
    if (!options.sandbox) throw std::invalid_argument("--dir goes with --sandbox");
    if (dir->empty()) throw std::invalid_argument("--dir needs a folder");
    options.sandboxDir = *dir;
  }
  TRunOverrides& o = options.overrides;
  if (auto from = parser.Value("--from")) o.From = Utf8ToAnsi(*from);
  if (auto dns = parser.Value("--dns")) ParseDnsOption(*dns, o);
  if (auto n = parser.Number("--connections", 1, 100000)) o.Connections = static_cast<int32_t>(*n);
  if (auto n = parser.Number("--timeout", 1, 86400)) o.TimeOut = static_cast<int32_t>(*n);
  if (auto gateway = parser.Value("--gateway")) o.gateway = *gateway;
  if (auto port = parser.Number("--port", 1, 65535)) o.Port = std::to_string(*port);
  options.resolver = parser.Value("--resolver");
  if (auto tls = parser.Value("--tls")) {
    if (!ParseGatewayTls(*tls)) throw std::invalid_argument(std::string("--tls takes ") + kGatewayTlsWords);
    o.GatewayTls = *tls;
  }
  if (auto caFile = parser.Value("--ca-file")) o.CaFile = *caFile;
  if (parser.Has("--reuse")) o.ReuseSessions = true;
  if (auto n = parser.Number("--retries", 0, kMaxRetries)) o.Retries = static_cast<int32_t>(*n);
  if (auto n = parser.Number("--retry-delay", 0, kMaxRetryDelay)) o.RetryDelay = static_cast<int32_t>(*n);
  if (auto user = parser.Value("--user")) o.User = Utf8ToAnsi(*user);
  options.passwordFile = parser.Value("--password-file");
  if (options.sandbox && (o.Dns || o.gateway || o.Port || options.resolver))
    throw std::invalid_argument("--sandbox sets the DNS servers, the port and the resolver itself");
  return options;
}

// The relay password of this run, when the relay wants one and the secret
// store has none: from the file, the environment or the terminal.
void ProvideRelayPassword(TSendingController& controller, const std::optional<std::string>& passwordFile) {
  const TRelaySetup relay = controller.RelaySetup();
  if (relay.User.empty()) return;
  if (std::optional<std::string> given = GivenPassword(passwordFile)) {
    controller.Overrides.Password = *given;
    return;
  }
  if (OpenSecretStore()->Lookup(relay.Gateway, relay.User)) return;  // the controller takes it from there
  std::optional<std::string> asked =
      AskPassword("Password for " + AnsiToUtf8(relay.User) + " at " + AnsiToUtf8(relay.Gateway) + ": ");
  if (!asked)
    throw std::runtime_error("No password for " + relay.User + " at " + relay.Gateway + ": give it in " +
                             kPasswordVariable +
                             " or with --password-file, or store it with 'norvane password set'");
  controller.Overrides.Password = *asked;
}

// The mailing of a test send: row `row`'s fields with `address` as its
// address, the only recipient, checked and untried; attachments found where
// the project's run would find them; no file name, so the run keeps no
// journal and nothing refers back to the project's file.
void PrepareTestCopy(const ProjectModel& model, std::size_t row, const std::string& address,
                     ProjectModel& copy) {
  copy.Columns = model.Columns;
  copy.To = model.To;
  copy.Subject = model.Subject;
  copy.Body = model.Body;
  copy.ContentType = model.ContentType;
  TListItem item = model.Items[row];
  item.Caption = address;
  item.StateIndex = 1;
  item.ImageIndex = kImageNone;
  item.SetSubItem(0, "");
  copy.Items = {std::move(item)};
  copy.Attachments.clear();
  for (const TAttachmentItem& attachment : model.Attachments) {
    std::string path = attachment.FullPath(model.FProjectFileName);
    std::filesystem::path absolute = std::filesystem::absolute(path);
    copy.Attachments.push_back({absolute.filename().string(), absolute.parent_path().string() + "/", -1});
  }
  copy.FProjectFileName.clear();
}

// The start checks speak of the window's menus; on the terminal the same
// advice names the option and the command.
std::string TerminalWords(std::string text) {
  static const std::string menu = " (Tools | Options)";
  if (text.size() >= menu.size() && text.compare(text.size() - menu.size(), menu.size(), menu) == 0)
    text.replace(text.size() - menu.size(), menu.size(),
                 ": give --from ADDRESS, or set it once with `norvane config set Connection/From ADDRESS`");
  if (text == "Please open / fill the recipient list before")
    text = "The project has no recipients: add them with `norvane import` or `norvane recipients ... add`";
  return text;
}

std::string Duration(double seconds) {
  long s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

// The status bar's panels plus the rate and the time left, redrawn in place.
class ProgressLine {
 public:
  explicit ProgressLine(bool enabled) : enabled_(enabled) {}
  ~ProgressLine() { Clear(); }

  void Show(const TMainWindow& window, const TSendingController& controller, std::size_t recipients) {
    if (!enabled_) return;
    std::string line;
    for (const std::string& panel : window.StatusPanels) line += (line.empty() ? "" : "  ") + panel;
    double elapsed = static_cast<uint32_t>(CurrentClock().TickCount() - controller.FStartTick) / 1000.0;
    int done = controller.FGood + controller.FBad;
    if (done > 0 && elapsed > 0) {
      double rate = done / elapsed;
      char text[96];
      std::snprintf(text, sizeof text, "  %.1f/s  left %s", rate,
                    Duration((static_cast<double>(recipients) - done) / rate).c_str());
      line += text;
    }
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    std::fflush(stderr);
    shown_ = true;
  }
  void Clear() {
    if (!shown_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
  }

 private:
  bool enabled_;
  bool shown_ = false;
};

}  // namespace

int SendCommand(const Args& args) {
  SendOptions options;
  try {
    options = ParseOptions(args);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "norvane send: %s\n", error.what());
    return 2;
  }

  TINI ini;
  SetTheIni(&ini);
  struct IniReset {
    ~IniReset() { SetTheIni(nullptr); }
  } iniReset;
  EventLoop& loop = EventLoop::Default();
  TerminalMainUi ui("send", options.yes);
  ProjectModel model;
  ProjectModel testCopy;
  const bool testing = options.testAddress.has_value();
  ProjectModel& runModel = testing ? testCopy : model;
  TMainWindow window;
  TSendingController controller(runModel, window, ui, ini, loop);
  controller.Overrides = options.overrides;

  // One run at a time: the journal is the lock, taken before the project is
  // read so that no other run can save it in between, and held to the end.
  std::unique_ptr<TRunJournal> journal;
  const bool journaling = JournalEnabled(ini);
  std::error_code ignored;
  const bool hadJournal = std::filesystem::exists(TRunJournal::PathFor(options.project), ignored);
  try {
    // A test copy only reads the project (saved atomically by any run), so it takes no lock.
    if (std::filesystem::exists(options.project, ignored) && !testing) {
      journal = std::make_unique<TRunJournal>(options.project, loop);
      if (!journal->TryLock()) throw TStartError(LockedText(options.project));
      controller.Journal = journal.get();
    }
    LoadProject(model, options.project);
    JournalRecovery recovery = testing ? ReplayJournal(model, TRunJournal::Read(options.project, true))
                                       : RecoverFromJournal(model, options.project);
    if (std::string text = RecoveryText(recovery); !text.empty()) ui.ShowInformation(text);
    if (recovery.total() > 0 && !testing) {
      SaveProject(model, options.project);
      if (journaling) journal->RecordSaved();
    }
    if (testing) {
      if (options.testRow > static_cast<long>(model.Items.size()))
        throw TStartError("--row " + std::to_string(options.testRow) + ": the project holds " +
                          CountOf(model.Items.size(), "recipient"));
      PrepareTestCopy(model, static_cast<std::size_t>(options.testRow - 1), *options.testAddress, testCopy);
    }
  } catch (const std::exception& error) {
    // A file that is no project gets no journal left beside it.
    if (journal && !hadJournal && model.FProjectFileName.empty()) {
      journal.reset();
      std::filesystem::remove(TRunJournal::PathFor(options.project), ignored);
    }
    ui.ShowError(ErrorBoxText(error.what()));
    return 2;
  }

  std::unique_ptr<Sandbox> sandbox;
  if (options.sandbox) {
    SandboxOptions sandboxOptions;
    sandboxOptions.folder = options.sandboxDir;
    sandbox = std::make_unique<Sandbox>(sandboxOptions, loop);
    sandbox->Start();
    controller.Overrides.Dns = sandboxOptions.address;
    controller.Overrides.DnsPort = std::to_string(sandbox->dnsPort());
    controller.Overrides.Port = std::to_string(sandbox->smtpPort());
    controller.Overrides.gateway = std::string();  // a relay from the settings must not take the copies
    options.resolver = sandboxOptions.address + ":" + std::to_string(sandbox->dnsPort());
    std::printf("Sandbox: DNS %s port %u, SMTP port %u, messages in %s\n", sandboxOptions.address.c_str(),
                sandbox->dnsPort(), sandbox->smtpPort(), sandbox->folderPath().c_str());
  }
  struct ResolverReset {
    bool active = false;
    ~ResolverReset() {
      if (active) ResetResolverServers();
    }
  } resolverReset;
  if (options.resolver) {
    SetResolverServers(*options.resolver);
    resolverReset.active = true;
  }

  // Each outcome on stdout as it arrives, so a log or a pipe sees the run.
  bool finished = false, aborted = false;
  std::size_t recipients = 0;
  ProgressLine progress(::isatty(STDERR_FILENO) == 1);
  TSmtpRelayServer& engine = controller.SmtpRelayServer1;
  auto processed = engine.OnEMailProcessed;
  engine.OnEMailProcessed = [&](TSmtpRelayServer* sender, int index, int err,
                                const std::vector<std::string>& log) {
    processed(sender, index, err, log);
    if (index < 0 || static_cast<std::size_t>(index) >= engine.Recipients().size()) return;
    const TRecipientLine& line = engine.Recipients()[index];
    if (line.Tag < 0 || static_cast<std::size_t>(line.Tag) >= runModel.Items.size()) return;
    progress.Clear();
    std::printf("%s: %s\n", ForTerminal(line.Address).c_str(),
                ForTerminal(runModel.Items[static_cast<std::size_t>(line.Tag)].SubItem(0)).c_str());
    std::fflush(stdout);
  };
  // A recipient waiting for another try is no outcome yet, but a log should show why it waits.
  auto deferred = engine.OnDeferred;
  engine.OnDeferred = [&](TSmtpRelayServer* sender, int index, int retry, int retries, int err,
                          const std::vector<std::string>& log) {
    deferred(sender, index, retry, retries, err, log);
    if (index < 0 || static_cast<std::size_t>(index) >= engine.Recipients().size()) return;
    progress.Clear();
    std::printf("%s: %s after %s\n", ForTerminal(engine.Recipients()[index].Address).c_str(),
                RetryWaitingText(retry, retries).c_str(), ResultText(err).c_str());
    std::fflush(stdout);
  };
  auto onFinished = engine.OnFinished;
  engine.OnFinished = [&](TSmtpRelayServer* sender, bool wasAborted) {
    finished = true;
    aborted = wasAborted;
    onFinished(sender, wasAborted);
  };

  stopRequested = 0;
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  struct SignalReset {
    ~SignalReset() {
      std::signal(SIGINT, SIG_DFL);
      std::signal(SIGTERM, SIG_DFL);
    }
  } signalReset;

  // The mailing's own checks, each a question before anything goes out.
  for (const std::string& warning : SendWarnings(runModel)) {
    std::fprintf(stderr, "norvane send: %s\n", ForTerminal(warning).c_str());
    if (!ui.ConfirmYesNo("Send anyway?")) {
      if (!options.yes && ::isatty(STDIN_FILENO) != 1)
        std::fprintf(stderr, "norvane send: no terminal to answer; --yes answers Yes\n");
      std::fprintf(stderr, "norvane send: nothing sent\n");
      return 2;
    }
  }

  try {
    ProvideRelayPassword(controller, options.passwordFile);
  } catch (const std::exception& error) {
    ui.ShowError(ErrorBoxText(error.what()));
    return 2;
  }

  // The spell check before sending, when the setting asks for it: unknown
  // words are listed and count as a cancelled check (see TerminalSpellCheck).
  std::unique_ptr<TSpellChecker> speller;
  std::unique_ptr<TerminalSpellCheck> spellCheck;
  try {
    if (ini.ilRunSpellChecker().AsBoolean()) {
      speller = std::make_unique<TSpellChecker>();
      speller->SelectFirstLanguage();
      spellCheck = std::make_unique<TerminalSpellCheck>(*speller, model);
      controller.SpellChecker = spellCheck.get();
    }
    controller.acStartExecute();
  } catch (const std::exception& error) {
    ui.ShowError(ErrorBoxText(TerminalWords(error.what())));
    return 2;
  }
  if (!controller.Running()) {
    // Without a terminal the question after the spell check was not asked;
    // say which one stopped the run.
    if (controller.FSpellCancelled && !options.yes && ::isatty(STDIN_FILENO) != 1)
      std::fprintf(stderr,
                   "norvane send: The spell checker has been aborted.  Send the message anyway? "
                   "(no terminal to answer; --yes answers Yes)\n");
    std::fprintf(stderr, "norvane send: nothing sent\n");
    return 2;
  }
  recipients = engine.Recipients().size();
  if (testing)
    std::printf("Sending a test copy of row %ld of %s to %s; the project is not changed\n", options.testRow,
                options.project.c_str(), ForTerminal(*options.testAddress).c_str());
  else
    std::printf("Sending to %s of %s\n", CountOf(recipients, "recipient").c_str(), options.project.c_str());
  std::fflush(stdout);

  bool saveFailed = false;
  auto save = [&](bool duringRun) {
    if (testing) return true;
    try {
      SaveProject(model, options.project, ProjectSaveOptions{duringRun});
      if (journaling) journal->RecordSaved(!duringRun);
      return true;
    } catch (const std::exception& error) {
      progress.Clear();
      saveFailed = true;
      // Results that cannot be saved must not pile up: the run stops as Stop does.
      if (duringRun)
        controller.StopForFailure(
            std::string("The results of this run cannot be saved, so it was stopped: ") + error.what());
      else
        ui.ShowError(ErrorBoxText(error.what()));
      return false;
    }
  };
  uint32_t lastSave = CurrentClock().TickCount();
  uint32_t lastProgress = 0;
  bool stopping = false;
  while (!finished) {
    loop.RunOnce(100);
    if (stopRequested && !stopping) {
      stopping = true;
      progress.Clear();
      std::fprintf(stderr, "Stopping... (Ctrl-C again ends at once; the last save is kept)\n");
      // A second Ctrl-C should end a stop that hangs; the periodic saves make that safe.
      std::signal(SIGINT, SIG_DFL);
      controller.acAbortExecute();
    }
    uint32_t now = CurrentClock().TickCount();
    if (!finished && static_cast<uint32_t>(now - lastSave) >= kSaveEveryMs) {
      save(true);
      lastSave = now;
    }
    if (!finished && static_cast<uint32_t>(now - lastProgress) >= kProgressEveryMs) {
      progress.Show(window, controller, recipients);
      lastProgress = now;
    }
  }
  progress.Clear();
  bool saved = save(false);
  if (sandbox) {
    std::printf("Messages are in %s (index: %s)\n", sandbox->folderPath().c_str(),
                sandbox->indexPath().c_str());
    sandbox->Stop();
  }
  std::string summary;
  for (const std::string& panel : window.StatusPanels) summary += (summary.empty() ? "" : "  ") + panel;
  std::printf("%s%s\n", summary.c_str(), aborted ? "  (stopped)" : "");
  if (!saved || saveFailed || !controller.JournalFailure().empty()) return 2;
  return controller.FGood == static_cast<int32_t>(recipients) ? 0 : 1;
}

}  // namespace norvane::cli
