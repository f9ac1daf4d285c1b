#include "app/sending_controller.h"

#include <ctime>

#include "app/delivery_settings.h"
#include "app/list_unsubscribe.h"
#include "app/message_settings.h"
#include "app/standard_headers.h"
#include "net/tls_errors.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/folder_check.h"
#include "platform/secret_store.h"
#include "project/journal_replay.h"
#include "project/merge.h"

namespace norvane {

std::string ResultText(int err) {
  switch (err) {
    case 0:
      return kDeliveredText;
    case -1:
      return "Failed: Invalid DNS";
    case -2:
      return "Failed: Time Out - Recipient's SMTP Server didn't respond";
    case -3:
      return "Failed: Could not perform the OPEN command";
    case -4:
      return "Failed: Could not perform the RCPT command";
    case -5:
      return "Failed: Could not perform the MAILFROM command";
    case -6:
      return "Failed: Could not perform the QUIT command";
    case -7:
      return "Failed: Could not perform the DATA command";
    case -8:
      return kAbortedText;
    case kResultBadAddress:
      return "Failed: Invalid e-mail address";
    case kResultNullMx:
      return "Failed: the domain accepts no mail";
    case 450:
    case 550:
    case 553:
      return "Failed: Mailbox unavailable";
    case 452:
    case 552:
      return "Failed: Exceeded storage allocation";
    case 551:
      return "Failed: User not local";
    case 554:
      return "Failed: Transaction failed";
    case 11001:
      return "Failed: Invalid DNS";
    case 535:
      return "Failed: The relay refused the user name or password";
    case kTlsHandshakeFailed:
      return "Failed: TLS handshake failed";
    case kTlsCertificateUntrusted:
      return "Failed: The server's TLS certificate is not trusted";
    case kTlsWrongHost:
      return "Failed: The server's TLS certificate is for another host";
    case kTlsProtocolError:
      return "Failed: TLS broke off";
    case kSmtpStartTlsNotOffered:
      return "Failed: The server does not offer STARTTLS";
    case kSmtpAuthNotOffered:
      return "Failed: The relay offers no password login (AUTH PLAIN or LOGIN)";
    case kSmtpAuthWithoutTls:
      return "Failed: The password is only sent over TLS";
    case kSmtpStartTlsInjection:
      return "Failed: The server sent data it should not have after STARTTLS";
  }
  if (err < 0) return "Failed: Error " + std::to_string(err);
  return "Failed: Recipient's  SMTP server returned error " + std::to_string(err);
}

std::string ElapsedText(uint32_t startTick, uint32_t nowTick) {
  uint32_t seconds = static_cast<uint32_t>(nowTick - startTick) / 1000;
  std::tm time{};
  time.tm_hour = static_cast<int>(seconds / 3600 % 24);
  time.tm_min = static_cast<int>(seconds / 60 % 60);
  time.tm_sec = static_cast<int>(seconds % 60);
  char text[64];
  std::size_t length = std::strftime(text, sizeof text, "%X", &time);
  return std::string(text, length);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

TSendingController::TSendingController(ProjectModel& model, TMainWindow& window, TMainFormUi& ui, TINI& ini,
                                       EventLoop& loop)
    : SmtpRelayServer1(loop), model_(model), window_(window), ui_(ui), ini_(ini), loop_(loop) {
  SmtpRelayServer1.OnGetData = [this](TSmtpRelayServer*, int index, std::string& headerTo,
                                      std::string& subject, std::vector<std::string>& body) {
    SmtpRelayServer1GetData(index, headerTo, subject, body);
  };
  SmtpRelayServer1.OnEMailProcessed = [this](TSmtpRelayServer*, int index, int err,
                                             const std::vector<std::string>& transcript) {
    SmtpRelayServer1EMailProcessed(index, err, transcript);
  };
  SmtpRelayServer1.OnHandingOver = [this](TSmtpRelayServer*, int index) {
    SmtpRelayServer1HandingOver(index);
  };
  SmtpRelayServer1.OnDeferred = [this](TSmtpRelayServer*, int index, int retry, int retries, int err,
                                       const std::vector<std::string>& transcript) {
    SmtpRelayServer1Deferred(index, retry, retries, err, transcript);
  };
  SmtpRelayServer1.OnFinished = [this](TSmtpRelayServer*, bool aborted) {
    SmtpRelayServer1Finished(aborted);
  };
  SmtpRelayServer1.OnProcessHeader = [this](TSmtpRelayServer*, int index, std::vector<std::string>& lines) {
    SmtpRelayServer1ProcessHeader(index, lines);
  };
}

TRelaySetup TSendingController::RelaySetup() {
  TRelayOptions options = ReadRelayOptions(ini_);
  if (Overrides.gateway) options.Gateway = *Overrides.gateway;
  if (Overrides.GatewayTls) options.GatewayTls = *Overrides.GatewayTls;
  if (Overrides.CaFile) options.CaFile = *Overrides.CaFile;
  if (Overrides.User) options.User = *Overrides.User;
  try {
    TRelaySetup relay = MakeRelaySetup(options);
    if (Overrides.Port) relay.Port = *Overrides.Port;
    return relay;
  } catch (const std::invalid_argument& error) {
    throw TStartError(error.what());
  }
}

std::string TSendingController::RelayPassword(const TRelaySetup& relay) {
  if (relay.User.empty()) return {};
  if (Overrides.Password) return *Overrides.Password;
  std::optional<std::string> password;
  try {
    password = OpenSecretStore()->Lookup(relay.Gateway, relay.User);
  } catch (const SecretStoreError& error) {
    throw TStartError(error.what());
  }
  if (!password)
    throw TStartError("No password is stored for " + relay.User + " at " + relay.Gateway +
                      ". Store it in the Options dialog or with 'norvane password set'.");
  return *password;
}

void TSendingController::acStartExecute() {
  if (Busy()) return;
  std::optional<TRunSetup> setup = PrepareRun();
  if (!setup) return;
  const TRelaySetup relay = RelaySetup();
  const std::string password = RelayPassword(relay);
  TSmtpRelayServer& engine = SmtpRelayServer1;
  engine.HeaderFrom = setup->HeaderFrom;
  engine.From = setup->From;
  engine.SetDns(setup->Dns);
  engine.Signon = setup->Signon;
  std::vector<TRecipientLine> lines;
  for (const auto& recipient : setup->Recipients) lines.push_back({recipient.Address, recipient.Row});
  engine.SetRecipients(std::move(lines));
  BeginRun(*setup);
  try {
    engine.SetConnections(setup->Connections);
    engine.SetTimeOut(setup->TimeOut);
    engine.ContentType = setup->ContentType;
    engine.SetAttachments(setup->Attachments);
    engine.Setsubject(setup->subject);
    engine.Setgateway(relay.Gateway);
    engine.Port = relay.Port;
    engine.DirectTls = relay.DirectTls;
    engine.GatewayTls = relay.GatewayTls;
    engine.CaFile = relay.CaFile;
    engine.User = relay.User;
    engine.Password = password;
    engine.DnsPort = Overrides.DnsPort.value_or("53");
    engine.Format = ReadMessageFormat(ini_);
    engine.MxPreferenceOrder = MxPreferenceOrderEnabled(ini_);
    const TDeliverySettings delivery = ReadDeliverySettings(ini_);
    engine.CacheAnswers = delivery.CacheAnswers;
    engine.ReuseSessions = Overrides.ReuseSessions.value_or(delivery.ReuseSessions);
    engine.MessagesPerSession = delivery.MessagesPerSession;
    engine.DomainConnections = delivery.DomainConnections;
    engine.DomainPace = delivery.DomainPace;
    engine.Retries = Overrides.Retries.value_or(delivery.Retries);
    engine.RetryDelay = Overrides.RetryDelay.value_or(delivery.RetryDelay);
    engine.Start();
  } catch (...) {
    EndSending();
    throw;
  }
}

void TSendingController::acAbortExecute() {
  SmtpRelayServer1.Abort();
}

bool JournalEnabled(TINI& ini) {
  TINIArquivo& file = ini.INIArquivo1();
  std::string text = file.ReadString(kJournalSection, kJournalKey, kJournalDefault);
  return AnsiLowerCase(text) == AnsiLowerCase(file.TrueWord());
}

void TSendingController::OpenJournal() {
  journal_ = nullptr;
  ownJournal_.reset();
  journalFailure_.clear();
  handedOver_.clear();
  const std::string& project = model_.FProjectFileName;
  if (Journal) {
    // The owner holds the lock; the setting decides whether records go in.
    if (JournalEnabled(ini_)) journal_ = Journal;
  } else if (!project.empty()) {
    // The journal file is the run lock, also when no records go into it.
    try {
      ownJournal_ = std::make_unique<TRunJournal>(project, loop_);
    } catch (const JournalError& error) {
      throw TStartError(error.what());
    }
    if (!ownJournal_->TryLock()) {
      ownJournal_.reset();
      throw TStartError(LockedText(project));
    }
    if (JournalEnabled(ini_)) journal_ = ownJournal_.get();
  }
  if (!project.empty()) {
    // The results go into this folder: the journal at once, the project at every save.
    try {
      CheckFolderTakesNewFile(project, 64 * 1024);
    } catch (const FolderCheckError& error) {
      ownJournal_.reset();
      journal_ = nullptr;
      throw TStartError(error.what());
    }
  }
  if (journal_) journal_->OnSyncFailed = [this](const std::string& reason) { JournalFailed(reason); };
}

void TSendingController::JournalFailed(const std::string& reason) {
  if (!journalFailure_.empty()) return;
  journalFailure_ = reason;
  // Stopping from inside a session's callback would tear the session down under
  // itself; the loop does it next, and meanwhile no message is handed over.
  loop_.Post([this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    StopForFailure("The results of this run cannot be recorded, so it was stopped: " + journalFailure_);
  });
}

void TSendingController::ProjectSaved(const std::string& filename) {
  if (journal_ && filename == model_.FProjectFileName)
    journal_->RecordSaved();
  else
    MarkJournalSaved(filename);
}

void TSendingController::StopForFailure(const std::string& reason) {
  if (stoppedForFailure_) return;
  stoppedForFailure_ = true;
  if (Busy()) acAbortExecute();
  ui_.ShowError(ErrorBoxText(reason));
}

void TSendingController::SmtpRelayServer1ProcessHeader(int recipientIndex,
                                                       std::vector<std::string>& hdrLines) {
  if (standardHeaders_) AddStandardHeaders(hdrLines, fromDomain_, CurrentClock().Now());
  int row = -1;
  if (!listUnsubscribe_.empty() && RowOf(recipientIndex, &row))
    AddListUnsubscribe(hdrLines, listUnsubscribe_, model_, row);
}

std::optional<TRunSetup> TSendingController::PrepareRun() {
  if (model_.Items.empty()) throw TStartError("Please open / fill the recipient list before");
  TRunSetup setup;
  setup.HeaderFrom = Overrides.From ? *Overrides.From : ini_.ilFrom().Text();
  setup.From = ExtractEmailAddress(setup.HeaderFrom);
  setup.Dns =
      Overrides.Dns ? TrimText(*Overrides.Dns) : TrimText(ini_.ilDNS1().Text() + " " + ini_.ilDNS2().Text());
  setup.Signon = ini_.ilHostFromDomain().AsInteger() == 1 ? ExtractDomain(setup.From) : ini_.ilHost().Text();
  if (setup.From.empty())
    throw TStartError("Please provide a valid email address for the FROM field (Tools | Options)");
  // "x@" would go out as MAIL FROM:<x@> with a Message-ID of "<...@>".
  if (setup.From.front() == '@' || ExtractDomain(setup.From).empty())
    throw TStartError("The sender address \"" + setup.From +
                      "\" lacks its name or its domain: please give a whole address such as "
                      "name@example.org (Tools | Options)");
  try {
    ListUnsubscribeTargets(ListUnsubscribeSetting(ini_));
  } catch (const std::invalid_argument& error) {
    throw TStartError(std::string(error.what()) + " (Message/ListUnsubscribe)");
  }
  for (std::size_t row = 0; row < model_.Items.size(); ++row)
    if (model_.Items[row].Checked())
      setup.Recipients.push_back({model_.Items[row].Caption, static_cast<int>(row)});
  if (setup.Recipients.empty()) throw TStartError("Nothing to send");
  if (ini_.ilRunSpellChecker().AsBoolean()) {
    acSpellCheckerExecute();
    if (FSpellCancelled && !ui_.ConfirmYesNo("The spell checker has been aborted.  Send the message anyway?"))
      return std::nullopt;
  }
  setup.Connections = Overrides.Connections.value_or(ini_.ilConnections().AsInteger());
  setup.TimeOut = Overrides.TimeOut.value_or(ini_.ilTimeOut().AsInteger());
  setup.ContentType = model_.ContentType == kContentText ? ctPlainText : ctHTML;
  for (const TAttachmentItem& attachment : model_.Attachments)
    setup.Attachments.push_back(attachment.FullPath(model_.FProjectFileName));
  setup.subject = model_.Subject;
  return setup;
}

void TSendingController::BeginRun(const TRunSetup& setup) {
  OpenJournal();  // first: a project locked by another run changes nothing here
  stoppedForFailure_ = false;
  rows_.clear();
  for (const auto& recipient : setup.Recipients) rows_.push_back(recipient.Row);
  standardHeaders_ = StandardHeadersEnabled(ini_);
  fromDomain_ = ExtractDomain(setup.From);
  listUnsubscribe_ = ListUnsubscribeSetting(ini_);
  window_.AcceptFiles = false;
  ui_.SetCursor(TCursor::crAppStart);
  FStartTick = CurrentClock().TickCount();
  FWaiting = FGood = FBad = 0;
  UpdateProgress();
  window_.EnableEditing(false);
  model_.FModified = true;
  running_ = true;
}

void TSendingController::acSpellCheckerExecute() {
  FSpellCancelled = false;
  if (!SpellChecker) return;
  std::string text = model_.To;
  bool completed = SpellChecker->Check(text);
  model_.SetTo(text);
  if (completed) {
    text = model_.Subject;
    completed = SpellChecker->Check(text);
    model_.SetSubject(text);
  }
  if (completed) {
    text = model_.Body;
    completed = SpellChecker->Check(text);
    model_.SetBody(text);
  }
  FSpellCancelled = !completed;
}

TListItem* TSendingController::RowOf(int recipientIndex, int* row) {
  if (recipientIndex < 0 || static_cast<std::size_t>(recipientIndex) >= rows_.size()) return nullptr;
  int position = rows_[recipientIndex];
  if (position < 0 || static_cast<std::size_t>(position) >= model_.Items.size()) return nullptr;
  if (row) *row = position;
  return &model_.Items[position];
}

void TSendingController::SmtpRelayServer1GetData(int recipientIndex, std::string& headerTo,
                                                 std::string& subject, std::vector<std::string>& body) {
  int row = -1;
  TListItem* item = RowOf(recipientIndex, &row);
  if (!item) return;
  headerTo = MergeRecipient(model_, row, model_.To);
  subject = MergeRecipient(model_, row, subject);
  item->ImageIndex = kImageSending;
  item->SetSubItem(0, kSendingText);
  if (OnRowChanged) OnRowChanged(row);
  ++FWaiting;
  UpdateProgress();
  body = SplitLines(MergedBody(model_, row));
}

void TSendingController::SmtpRelayServer1HandingOver(int recipientIndex) {
  int row = -1;
  TListItem* item = RowOf(recipientIndex, &row);
  if (!item || !journal_) return;
  if (!journalFailure_.empty()) throw JournalError(journalFailure_);
  try {
    journal_->RecordHandedOver(row, item->Caption);
  } catch (const JournalError& error) {
    JournalFailed(error.what());
    throw;
  }
  handedOver_.insert(recipientIndex);
}

std::string RetryWaitingText(int retry, int retries) {
  return "Waiting to retry (" + std::to_string(retry) + " of " + std::to_string(retries) + ")";
}

void TSendingController::SmtpRelayServer1Deferred(int recipientIndex, int retry, int retries, int err,
                                                  const std::vector<std::string>& transcript) {
  int row = -1;
  TListItem* item = RowOf(recipientIndex, &row);
  if (!item) return;
  // A try is deferred only on a reply that says the server did not take the
  // message. The journal gets that try's outcome, so that a run killed before
  // the next try leaves the row failed and checked rather than unconfirmed;
  // the next try records its own hand-over.
  handedOver_.erase(recipientIndex);
  if (journal_ && journalFailure_.empty()) {
    try {
      journal_->RecordOutcome(row, item->Caption, err, ResultText(err), transcript);
    } catch (const JournalError& error) {
      JournalFailed(error.what());
    }
  }
  item->SetSubItem(0, RetryWaitingText(retry, retries));
  if (OnRowChanged) OnRowChanged(row);
}

void TSendingController::SmtpRelayServer1EMailProcessed(int recipientIndex, int err,
                                                        const std::vector<std::string>& transcript) {
  model_.FModified = true;
  int row = -1;
  TListItem* item = RowOf(recipientIndex, &row);
  if (!item) return;
  // A message handed over whose reply never came may well have been delivered.
  bool unconfirmed = handedOver_.erase(recipientIndex) != 0 && DeliveryUnknown(err);
  std::string text = unconfirmed ? kUnconfirmedText : ResultText(err);
  if (journal_ && journalFailure_.empty()) {
    try {
      journal_->RecordOutcome(row, item->Caption, err, text, transcript);
    } catch (const JournalError& error) {
      JournalFailed(error.what());
    }
  }
  if (err == 0)
    ++FGood;
  else
    ++FBad;
  if (unconfirmed)
    ApplyUnconfirmed(*item);
  else
    ApplyOutcome(*item, err, std::move(text));
  if (OnRowChanged) OnRowChanged(row);
  --FWaiting;
  UpdateProgress();
}

void TSendingController::SmtpRelayServer1Finished(bool aborted) {
  EndSending();
  if (!aborted) ui_.ShowMessage("Finished!");
}

void TSendingController::EndSending() {
  if (journal_) {
    try {
      journal_->Sync();
    } catch (const JournalError& error) {
      JournalFailed(error.what());
    }
    journal_->OnSyncFailed = nullptr;
  }
  journal_ = nullptr;
  ownJournal_.reset();
  running_ = false;
  window_.AcceptFiles = true;
  window_.EnableEditing(true);
  ui_.SetCursor(TCursor::crDefault);
  UpdateProgress();
}

void TSendingController::ResetProgress() {
  window_.StatusPanels = {"Elapsed:", "Total:", "Waiting:", "Good:", "Bad:"};
}

void TSendingController::UpdateProgress() {
  window_.StatusPanels = {
      "Elapsed: " + ElapsedText(FStartTick, CurrentClock().TickCount()),
      "Total: " + std::to_string(model_.Items.size()),
      "Waiting: " + std::to_string(FWaiting),
      "Good: " + std::to_string(FGood),
      "Bad: " + std::to_string(FBad),
  };
}

}  // namespace norvane
