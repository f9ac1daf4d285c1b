#include "app/sending_controller.h"

#include <ctime>

#include "app/standard_headers.h"
#include "platform/clock.h"
#include "project/merge.h"

namespace norvane {

namespace {

std::string Trim(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace

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
    : SmtpRelayServer1(loop), model_(model), window_(window), ui_(ui), ini_(ini) {
  SmtpRelayServer1.OnGetData = [this](TSmtpRelayServer*, int index, std::string& headerTo,
                                      std::string& subject, std::vector<std::string>& body) {
    SmtpRelayServer1GetData(index, headerTo, subject, body);
  };
  SmtpRelayServer1.OnEMailProcessed = [this](TSmtpRelayServer*, int index, int err,
                                             const std::vector<std::string>&) {
    SmtpRelayServer1EMailProcessed(index, err);
  };
  SmtpRelayServer1.OnFinished = [this](TSmtpRelayServer*, bool aborted) {
    SmtpRelayServer1Finished(aborted);
  };
  SmtpRelayServer1.OnProcessHeader = [this](TSmtpRelayServer*, int index, std::vector<std::string>& lines) {
    SmtpRelayServer1ProcessHeader(index, lines);
  };
}

void TSendingController::acStartExecute() {
  if (Busy()) return;
  std::optional<TRunSetup> setup = PrepareRun();
  if (!setup) return;
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
    engine.Setgateway(Overrides.gateway.value_or(""));
    engine.Port = Overrides.Port.value_or("smtp");
    engine.DnsPort = Overrides.DnsPort.value_or("53");
    engine.Start();
  } catch (...) {
    EndSending();
    throw;
  }
}

void TSendingController::acAbortExecute() {
  SmtpRelayServer1.Abort();
}

void TSendingController::SmtpRelayServer1ProcessHeader(int, std::vector<std::string>& hdrLines) {
  if (standardHeaders_) AddStandardHeaders(hdrLines, fromDomain_, CurrentClock().Now());
}

std::optional<TRunSetup> TSendingController::PrepareRun() {
  if (model_.Items.empty()) throw TStartError("Please open / fill the recipient list before");
  TRunSetup setup;
  setup.HeaderFrom = Overrides.From ? *Overrides.From : ini_.ilFrom().Text();
  setup.From = ExtractEmailAddress(setup.HeaderFrom);
  setup.Dns = Overrides.Dns ? Trim(*Overrides.Dns) : Trim(ini_.ilDNS1().Text() + " " + ini_.ilDNS2().Text());
  setup.Signon = ini_.ilHostFromDomain().AsInteger() == 1 ? ExtractDomain(setup.From) : ini_.ilHost().Text();
  if (setup.From.empty())
    throw TStartError("Please provide a valid email address for the FROM field (Tools | Options)");
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
    setup.Attachments.push_back(attachment.FullPath());
  setup.subject = model_.Subject;
  return setup;
}

void TSendingController::BeginRun(const TRunSetup& setup) {
  rows_.clear();
  for (const auto& recipient : setup.Recipients) rows_.push_back(recipient.Row);
  standardHeaders_ = StandardHeadersEnabled(ini_);
  fromDomain_ = ExtractDomain(setup.From);
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

void TSendingController::SmtpRelayServer1EMailProcessed(int recipientIndex, int err) {
  model_.FModified = true;
  int row = -1;
  TListItem* item = RowOf(recipientIndex, &row);
  if (!item) return;
  if (err == 0) {
    item->ImageIndex = kImageDelivered;
    item->StateIndex = 0;
    ++FGood;
  } else {
    item->ImageIndex = kImageFailed;
    ++FBad;
  }
  item->SetSubItem(0, ResultText(err));
  if (OnRowChanged) OnRowChanged(row);
  --FWaiting;
  UpdateProgress();
}

void TSendingController::SmtpRelayServer1Finished(bool aborted) {
  EndSending();
  if (!aborted) ui_.ShowMessage("Finished!");
}

void TSendingController::EndSending() {
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
