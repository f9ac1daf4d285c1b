// The main window's side of a run: the start checks, the delivery engine
// (SmtpRelayServer1) configured from the settings and the project, the merged
// texts of each recipient, every outcome written back into its row, the
// progress counters of the status bar and the window's editing state around
// the run. The engine does the network work; this class never touches it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/security_settings.h"
#include "app/ui_services.h"
#include "engine/relay_server.h"
#include "platform/event_loop.h"
#include "project/project_model.h"
#include "project/run_journal.h"
#include "settings/ini_data.h"

namespace norvane {

// What the controller sets on the engine before a run.
struct TRunSetup {
  std::string HeaderFrom;  // the sender setting as stored
  std::string From;        // its bare address
  std::string Dns;         // primary and secondary joined by a blank, trimmed
  std::string Signon;      // the domain of From, or the host setting
  struct Recipient {
    std::string Address;
    int Row;
  };
  std::vector<Recipient> Recipients;  // the checked rows, in row order
  int32_t Connections = 0;
  int32_t TimeOut = 0;
  TContentType ContentType = ctPlainText;
  std::vector<std::string> Attachments;  // full paths, in list order
  std::string subject;                   // the template, unmerged
};

// Values that replace the settings for one run (the command line's options);
// empty ones leave the setting in force.
struct TRunOverrides {
  std::optional<std::string> From;     // the sender, as the setting would hold it
  std::optional<std::string> Dns;      // the MX DNS servers, blank-separated
  std::optional<std::string> DnsPort;  // their UDP port
  std::optional<int32_t> Connections;
  std::optional<int32_t> TimeOut;
  std::optional<std::string> gateway;     // relay host instead of the mail exchangers
  std::optional<std::string> Port;        // the SMTP port of every host
  std::optional<std::string> GatewayTls;  // starttls, implicit or none
  std::optional<std::string> CaFile;      // trusted besides the system's authorities
  std::optional<std::string> User;        // for the relay
  std::optional<std::string> Password;    // of that user, for this run only (never stored)
  std::optional<bool> ReuseSessions;      // Connection / ReuseSessions
  std::optional<int32_t> Retries;         // Delivery / Retries
  std::optional<int32_t> RetryDelay;      // Delivery / RetryDelay, seconds
};

// The row text of a recipient waiting for try `retry` + 1 after a temporary failure.
std::string RetryWaitingText(int retry, int retries);

// A start check failed; what() is the message for the error box.
class TStartError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The spell check of the three texts. Returns false when the person cancels;
// it may correct the text in place.
class TSpellCheck {
 public:
  virtual ~TSpellCheck() = default;
  virtual bool Check(std::string& text) = 0;
};

// The result text of an outcome code.
std::string ResultText(int err);

// The elapsed time of a run as the status bar shows it: whole seconds between
// the two 32-bit ticks (modulo 2^32) as a time of day in the locale's time format.
std::string ElapsedText(uint32_t startTick, uint32_t nowTick);

// "Elapsed:", "Total:", ... at rest and the counters during and after a run.
inline constexpr char kDeliveredText[] = "Delivered and available to the recipient!";
inline constexpr char kSendingText[] = "Sending... (waiting acknowledgement)";
inline constexpr char kAbortedText[] = "Aborted by user";

class TSendingController {
 public:
  TSendingController(ProjectModel& model, TMainWindow& window, TMainFormUi& ui, TINI& ini,
                     EventLoop& loop = EventLoop::Default());
  TSendingController(const TSendingController&) = delete;
  TSendingController& operator=(const TSendingController&) = delete;

  TSmtpRelayServer SmtpRelayServer1;
  TRunOverrides Overrides;

  // The spell checker; none means every check completes without cancelling.
  TSpellCheck* SpellChecker = nullptr;

  // The run journal. An owner that keeps the project locked beyond the run
  // (`norvane send`) opens it and sets it here; otherwise a run of a project
  // that has a file name opens its own when the setting asks for it and
  // closes it at the end. While a journal is in use every outcome is written
  // to it before its row changes, and a failed write stops the run.
  TRunJournal* Journal = nullptr;
  // The reason the journal failed during the last run; empty when it did not.
  const std::string& JournalFailure() const { return journalFailure_; }

  // Send: the checks, the engine configured and started. Errors (a failed
  // check, the engine refusing to start) are thrown for the error box; after
  // a failed engine start the window is back in its idle state.
  void acStartExecute();
  // Stop: the engine aborts; its sessions report "Aborted by user".
  void acAbortExecute();

  // The relay and TLS setup of the next run: the settings with the overrides
  // in force. Throws TStartError for a TLS word it does not know.
  TRelaySetup RelaySetup();
  // The password of the relay user: the override, else the one in the
  // secret store. Throws TStartError when there is none or the store fails.
  std::string RelayPassword(const TRelaySetup& relay);

  // Steps 1 to 8 of Send: the checks and the spell check. Throws TStartError
  // with the message of the first failed check; returns nothing when the
  // person declines to send after a cancelled spell check.
  std::optional<TRunSetup> PrepareRun();
  // The run journal opened (throws TStartError when the project is locked by
  // another run or its folder takes no new file), then steps 9, 10 and 12: the
  // window enters the running state, counters reset. `setup` is remembered for
  // the engine events of the run.
  void BeginRun(const TRunSetup& setup);

  // acSpellCheckerExecute: To line, subject, body, stopping at a cancel.
  void acSpellCheckerExecute();

  // The engine's events. Unknown recipient indexes are ignored.
  void SmtpRelayServer1GetData(int recipientIndex, std::string& headerTo, std::string& subject,
                               std::vector<std::string>& body);
  void SmtpRelayServer1EMailProcessed(int recipientIndex, int err,
                                      const std::vector<std::string>& transcript = {});
  // Just before the final "." of a message: the hand-over is journaled. Throws
  // when it cannot be, so that the message is not sent.
  void SmtpRelayServer1HandingOver(int recipientIndex);
  // Not the final outcome: the row says it waits; the journal gets this try's
  // outcome, which the next try's hand-over and outcome supersede.
  void SmtpRelayServer1Deferred(int recipientIndex, int retry, int retries, int err,
                                const std::vector<std::string>& transcript = {});
  void SmtpRelayServer1Finished(bool aborted);
  // Adds the Message-ID and the Date zone when the setting asks for them, and
  // the List-Unsubscribe lines of the recipient when Message/ListUnsubscribe is set.
  void SmtpRelayServer1ProcessHeader(int recipientIndex, std::vector<std::string>& hdrLines);

  // Back to the idle state after a run or a failed start.
  void EndSending();
  // The project was saved to `filename`: the journal learns that the file
  // holds its records (the run's own journal while a run writes one).
  void ProjectSaved(const std::string& filename);
  // Stops the run as Stop does, once, and shows why.
  void StopForFailure(const std::string& reason);
  void ResetProgress();
  void UpdateProgress();

  // The window is in its running state (from the start until the end of the run).
  bool Running() const { return running_; }
  // A run is under way: the window runs or the engine still has sessions.
  bool Busy() const { return running_ || SmtpRelayServer1.Busy(); }
  // Called with the row whenever one changes and should be scrolled into view.
  std::function<void(int row)> OnRowChanged;

  uint32_t FStartTick = 0;
  int32_t FWaiting = 0;
  int32_t FGood = 0;
  int32_t FBad = 0;
  bool FSpellCancelled = false;

 private:
  TListItem* RowOf(int recipientIndex, int* row = nullptr);
  // The journal of this run: the owner's, or one of our own. Throws JournalError.
  void OpenJournal();
  void JournalFailed(const std::string& reason);

  ProjectModel& model_;
  TMainWindow& window_;
  TMainFormUi& ui_;
  TINI& ini_;
  EventLoop& loop_;
  std::vector<int> rows_;           // the row of every recipient of the run
  TRunJournal* journal_ = nullptr;  // in use for this run
  std::unique_ptr<TRunJournal> ownJournal_;
  std::set<int> handedOver_;  // recipient indexes whose message went out, outcome pending
  std::string journalFailure_;
  bool stoppedForFailure_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool running_ = false;
  bool standardHeaders_ = true;
  std::string fromDomain_;
  std::string listUnsubscribe_;  // the setting, for every copy of the run
};

// The setting Delivery / Journal (default true).
bool JournalEnabled(TINI& ini);
inline constexpr char kJournalSection[] = "Delivery";
inline constexpr char kJournalKey[] = "Journal";
inline constexpr char kJournalDefault[] = "true";

// Splits a text into lines at CR LF, CR or LF; a final line break adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace norvane
