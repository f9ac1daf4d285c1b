#include "smtp/custom_smtp_client.h"

#include <exception>
#include <utility>

#include "net/socket_errors.h"

namespace norvane {
namespace {

constexpr char kNotReady[] = "SMTP component not ready";
constexpr char kNotConnected[] = "SMTP component not connected";
constexpr char kAlreadyConnected[] = "SMTP component already connected";
constexpr char kOverlongReply[] = "500 Reply line longer than 4096 bytes";
constexpr char kReplyTooLong[] = "500 Reply longer than 100 lines or 64 KB";
// The accepted-code list holds at most this many entries before its end mark.
constexpr std::size_t kMaxAcceptedCodes = 15;

// A CR or LF in a command argument would end the command early and let the
// rest be read as a command of its own; other control characters have no
// business in an address or host name either.
void CheckArgument(const std::string& text, const char* what) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') {
      throw SmtpException(std::string("Control character in the ") + what + " refused");
    }
  }
}

// An envelope address goes between "<" and ">" and ends the command's path
// argument at the first blank, so any of these would let the text add
// parameters or recipients of its own (RFC 5321 4.1.2).
void CheckAddress(const std::string& text, const char* what) {
  CheckArgument(text, what);
  if (text.find_first_of("<> ") != std::string::npos) {
    throw SmtpException(std::string("Blank, \"<\" or \">\" in the ") + what + " refused");
  }
}

// The text of the exception being handled.
std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

std::string ExceptionClassName(const std::exception& e) {
  if (dynamic_cast<const ESocketException*>(&e)) return "ESocketException";
  if (dynamic_cast<const SmtpException*>(&e)) return "SmtpException";
  return "Exception";
}

std::string SocketErrorReply(uint16_t error) {
  return "500 " + SocketErrorDesc(error) + " (Winsock error #" + std::to_string(error) + ")";
}

}  // namespace

_TCustomSmtpClient::_TCustomSmtpClient(EventLoop& loop)
    : loop_(loop), socket_(std::make_unique<_TWSocket>(loop)) {
  socket_->OnSessionClosed = [this](_TCustomWSocket*, uint16_t error) { SocketSessionClosed(error); };
  socket_->OnBytesWritten = [this](_TCustomWSocket*, std::size_t count) {
    if (OnBytesWritten) OnBytesWritten(this, count);
  };
  socket_->OnTlsDone = [this](_TCustomWSocket*, uint16_t error) { SocketTlsDone(error); };
  composer_.OnGetData = [this](int lineNum, std::string& line, int maxLen, bool& more) {
    DoGetData(lineNum, line, maxLen, more);
  };
  composer_.OnHeaderLine = [this](std::string& line, int size) { DoHeaderLine(line, size); };
  composer_.OnProcessHeader = [this](std::vector<std::string>& lines) { DoProcessHeader(lines); };
}

_TCustomSmtpClient::~_TCustomSmtpClient() {
  *alive_ = false;
  socket_->OnSessionClosed = nullptr;
  socket_->OnSessionConnected = nullptr;
  socket_->OnDataAvailable = nullptr;
  socket_->OnDataSent = nullptr;
  socket_->OnDnsLookupDone = nullptr;
  socket_->OnBytesWritten = nullptr;
  socket_->OnTlsDone = nullptr;
  socket_.reset();
}

// --- triggers ---------------------------------------------------------------------------------

void _TCustomSmtpClient::DoDisplay(const std::string& Msg) {
  if (OnDisplay) OnDisplay(this, Msg);
}

void _TCustomSmtpClient::DoCommand(const std::string& Msg) {
  if (OnCommand) OnCommand(this, Msg);
}

void _TCustomSmtpClient::DoResponse(const std::string& Msg) {
  if (OnResponse) OnResponse(this, Msg);
}

void _TCustomSmtpClient::DoStateChange() {
  if (OnStateChange) OnStateChange(this);
}

void _TCustomSmtpClient::DoGetData(int LineNum, std::string& MsgLine, int MaxLen, bool& More) {
  if (OnGetData) {
    OnGetData(this, LineNum, MsgLine, MaxLen, More);
  } else {
    More = false;
  }
}

void _TCustomSmtpClient::DoHeaderLine(std::string& Msg, int Size) {
  if (OnHeaderLine) OnHeaderLine(this, Msg, Size);
}

void _TCustomSmtpClient::DoProcessHeader(std::vector<std::string>& HdrLines) {
  if (OnProcessHeader) OnProcessHeader(this, HdrLines);
}

void _TCustomSmtpClient::DoSessionConnected(uint16_t Error) {
  if (OnSessionConnected) OnSessionConnected(this, Error);
}

void _TCustomSmtpClient::DoSessionClosed(uint16_t Error) {
  if (OnSessionClosed) OnSessionClosed(this, Error);
}

void _TCustomSmtpClient::DoBeforeEndOfData() {
  if (OnBeforeEndOfData) OnBeforeEndOfData(this);
}

void _TCustomSmtpClient::WndProc(int message, uint16_t Error) {
  if (message == kRequestDoneMessage && OnRequestDone) OnRequestDone(this, requestType_, Error);
}

// --- state and completion -------------------------------------------------------------------

void _TCustomSmtpClient::SetState(TSmtpState value) {
  if (value == state_) return;
  state_ = value;
  DoStateChange();
}

void _TCustomSmtpClient::CheckReady() const {
  if (state_ != smtpReady && state_ != smtpBetweenSteps) throw SmtpException(kNotReady);
}

void _TCustomSmtpClient::SetErrorMessageOnce(const std::string& line) {
  if (errorMessage_.empty()) errorMessage_ = line;
}

void _TCustomSmtpClient::DoRequestDone(int Error) {
  if (requestDone_) return;
  requestDone_ = true;
  if (Error == 0 && hasNextStep_) {
    if (state_ != smtpAborting) SetState(smtpBetweenSteps);
    NextStep();
    return;
  }
  SetState(smtpReady);
  highLevel_ = false;
  if (Error != 0) {
    steps_ = 0;
    hasNextStep_ = false;
  }
  // Reply codes are held within +-65535, so a failure never arrives as 0.
  const auto error = static_cast<uint16_t>(Error);
  loop_.Post([alive = alive_, this, error] {
    if (*alive) WndProc(kRequestDoneMessage, error);
  });
}

void _TCustomSmtpClient::FailRequest(const std::string& reason, int error) {
  steps_ = 0;
  hasNextStep_ = false;
  lastResponse_ = "500 " + reason;
  statusCode_ = 500;
  requestResult_ = error;
  SetErrorMessageOnce(lastResponse_);
  requestDone_ = false;
  DoRequestDone(error);
}

// --- high-level requests --------------------------------------------------------------------

void _TCustomSmtpClient::OpenSession() {
  StartHighLevel(smtpOpenSession, kStepConnect | kStepHelo);
}

void _TCustomSmtpClient::SendMail() {
  // Refused at once rather than as a failed step, so the caller learns which input was wrong.
  CheckAddress(TrimBlanks(fromName_), "MAIL FROM address");
  if (rcptName_.empty()) throw SmtpException("RcptName list is empty");
  for (const std::string& rcpt : rcptName_) CheckAddress(TrimBlanks(rcpt), "RCPT TO address");
  composer_.CheckHeaderValues();
  StartHighLevel(smtpSendMail, kStepMailFrom | kStepRcptTo | kStepData);
}

void _TCustomSmtpClient::StartHighLevel(TSmtpRequest rq, unsigned steps) {
  if (connected_ && (steps & kStepConnect)) throw SmtpException(kAlreadyConnected);
  CheckReady();
  requestType_ = rq;
  requestResult_ = 0;
  steps_ = steps;
  highLevelResult_ = 0;
  highLevel_ = true;
  lastResponse_.clear();
  errorMessage_.clear();
  NextStep();
}

void _TCustomSmtpClient::NextStep() {
  if (state_ == smtpAborting) {
    steps_ = 0;
    highLevelResult_ = 426;
    errorMessage_ = "426 Operation aborted.";
  }
  hasNextStep_ = true;
  static constexpr std::pair<Step, void (_TCustomSmtpClient::*)()> kOrder[] = {
      {kStepConnect, &_TCustomSmtpClient::Connect}, {kStepHelo, &_TCustomSmtpClient::Helo},
      {kStepVrfy, &_TCustomSmtpClient::Vrfy},       {kStepMailFrom, &_TCustomSmtpClient::MailFrom},
      {kStepRcptTo, &_TCustomSmtpClient::RcptTo},   {kStepData, &_TCustomSmtpClient::Data},
      {kStepQuit, &_TCustomSmtpClient::Quit}};
  for (const auto& [step, start] : kOrder) {
    if (!(steps_ & step)) continue;
    steps_ &= ~static_cast<unsigned>(step);
    try {
      (this->*start)();
    } catch (const std::exception& e) {
      // A step runs from a socket event as often as from the caller; its
      // refusal ends the request like any other failed step.
      FailRequest(ExceptionClassName(e) + ": " + e.what(), 500);
    }
    return;
  }
  hasNextStep_ = false;
  requestDone_ = false;
  DoRequestDone(highLevelResult_);
}

// --- single requests ------------------------------------------------------------------------

void _TCustomSmtpClient::Connect() {
  CheckReady();
  if (connected_) throw SmtpException(kAlreadyConnected);
  requestType_ = smtpConnect;
  requestDone_ = false;
  reply_.Clear();
  replyLimit_.Reset();
  requestResult_ = 0;
  // What the last server announced says nothing about the next one.
  capabilities_ = EhloCapabilities();
  composer_.ServerAccepts8Bit = false;
  tlsPhase_ = TlsPhase::kNone;
  SetState(smtpResolving);
  socket_->OnDnsLookupDone = [this](_TCustomWSocket*, uint16_t error) { SocketDnsLookupDone(error); };
  try {
    socket_->LookupHost(host_);
  } catch (...) {
    requestDone_ = true;
    SetState(smtpReady);
    throw;
  }
}

std::string _TCustomSmtpClient::HeloName() const {
  const std::string name = signOn_.empty() ? LocalHostName() : signOn_;
  CheckArgument(name, "HELO host name");
  return name;
}

void _TCustomSmtpClient::Helo() {
  if (UsesEsmtp()) return SendEhlo();
  StartCommand("HELO " + HeloName(), {250}, smtpHelo, ReplyNext::kNone);
}

void _TCustomSmtpClient::MailFrom() {
  const std::string from = TrimBlanks(fromName_);
  CheckAddress(from, "MAIL FROM address");
  // RFC 6152 3: a server that announced 8BITMIME is told the body may hold 8-bit bytes, which
  // the composer then sends unencoded.
  StartCommand("MAIL FROM:<" + from + ">" + (composer_.ServerAccepts8Bit ? " BODY=8BITMIME" : ""), {250},
               smtpMailFrom, ReplyNext::kNone);
}

void _TCustomSmtpClient::Vrfy() {
  CheckArgument(composer_.HdrTo, "VRFY argument");
  StartCommand("VRFY " + composer_.HdrTo, {250}, smtpVrfy, ReplyNext::kNone);
}

void _TCustomSmtpClient::Rset() {
  StartCommand("RSET", {250}, smtpRset, ReplyNext::kNone);
}

void _TCustomSmtpClient::Quit() {
  CheckReady();
  if (connected_) {
    StartCommand("QUIT", {221}, smtpQuit, ReplyNext::kNone);
    return;
  }
  requestType_ = smtpQuit;
  requestDone_ = false;
  DoRequestDone(0);
}

void _TCustomSmtpClient::RcptTo() {
  if (rcptName_.empty()) throw SmtpException("RcptName list is empty");
  // Every address is checked before the first is sent, so a refusal leaves nothing half done.
  for (const std::string& rcpt : rcptName_) CheckAddress(TrimBlanks(rcpt), "RCPT TO address");
  CheckReady();
  if (!connected_) throw SmtpException(kNotConnected);
  rcptIndex_ = -1;
  NextRecipient();
}

void _TCustomSmtpClient::NextRecipient() {
  ++rcptIndex_;
  const bool last = rcptIndex_ + 1 >= static_cast<int>(rcptName_.size());
  if (rcptIndex_ > 0) state_ = smtpBetweenSteps;  // silently, as the next RCPT follows at once
  StartCommand("RCPT TO:<" + TrimBlanks(rcptName_[rcptIndex_]) + ">", {250, 251}, smtpRcptTo,
               last ? ReplyNext::kNone : ReplyNext::kNextRecipient);
}

void _TCustomSmtpClient::Data() {
  CheckReady();
  if (!connected_) throw SmtpException(kNotConnected);
  moreLines_ = true;
  composer_.Begin();  // refuses a header value that would break the header
  StartCommand("DATA", {354}, smtpData, ReplyNext::kDataPhase);
}

void _TCustomSmtpClient::Abort() {
  SetState(smtpAborting);
  socket_->OnDataSent = nullptr;
  tlsPhase_ = TlsPhase::kNone;  // a handshake cut short here is no failure to report
  // Abort never fails; a socket that complains while being torn down is closed all the same.
  try {
    socket_->CancelLookup();
  } catch (const std::exception&) {
  }
  try {
    socket_->Abort();
  } catch (const std::exception&) {
  }
  SetState(smtpReady);
}

// --- commands ---------------------------------------------------------------------------------

void _TCustomSmtpClient::StartCommand(const std::string& cmd, std::vector<int> okCodes, TSmtpRequest rq,
                                      ReplyNext next, const std::string* shown, std::string_view before) {
  CheckReady();
  if (!connected_) throw SmtpException(kNotConnected);
  if (!highLevel_) requestType_ = rq;
  okCodes_ = std::move(okCodes);
  requestDone_ = false;
  replyNext_ = next;
  replyLimit_.Reset();
  SetState(smtpAwaitingReply);
  if (shown || !before.empty()) {
    SendShownCommand(cmd, shown ? *shown : cmd, before);
  } else {
    SendCommand(cmd);
  }
}

void _TCustomSmtpClient::SendCommand(const std::string& Cmd) {
  SendShownCommand(Cmd, Cmd);
}

void _TCustomSmtpClient::SendShownCommand(const std::string& Cmd, const std::string& Shown,
                                          std::string_view before) {
  auto alive = alive_;
  DoCommand(Shown);
  if (!*alive) return;
  DoDisplay("> " + Shown);
  if (!*alive) return;
  if (socket_->state() != wsConnected) return;  // traced but not sent
  try {
    std::string text;
    text.reserve(before.size() + Cmd.size() + 2);
    text.append(before).append(Cmd).append("\r\n");
    socket_->SendText(text);
  } catch (const std::exception&) {
    // The connection failed under the send; dropping it completes the request with 10004.
    socket_->Abort();
  }
}

// --- socket events ----------------------------------------------------------------------------

void _TCustomSmtpClient::SocketDnsLookupDone(uint16_t error) {
  if (error != 0) {
    lastResponse_ = SocketErrorReply(error);
    statusCode_ = 500;
    SetErrorMessageOnce(lastResponse_);
    DoRequestDone(error);
    return;
  }
  try {
    socket_->SetAddr(socket_->DnsResult());
    socket_->SetProto("tcp");
    socket_->SetPort(port_);
    // The data phase writes many short lines back to back.
    socket_->SetTcpNoDelay(true);
    socket_->OnSessionConnected = [this](_TCustomWSocket*, uint16_t e) { SocketSessionConnected(e); };
    socket_->OnDataAvailable = [this](_TCustomWSocket*, uint16_t e) { SocketDataAvailable(e); };
    SetState(smtpConnecting);
    socket_->Connect();
  } catch (const std::exception& e) {
    lastResponse_ = "500 " + ExceptionClassName(e) + ": " + e.what();
    statusCode_ = 500;
    requestResult_ = 500;
    SetErrorMessageOnce(lastResponse_);
    DoRequestDone(500);
  }
}

void _TCustomSmtpClient::SocketSessionConnected(uint16_t error) {
  if (error != 0) {
    lastResponse_ = SocketErrorReply(error);
    statusCode_ = 500;
    connected_ = false;
    SetErrorMessageOnce(lastResponse_);
    DoRequestDone(error);
    // The completion is already issued, so the close below adds no second one.
    try {
      socket_->Close();
    } catch (const std::exception&) {
    }
    SetState(smtpReady);
    return;
  }
  connected_ = true;
  // With TLS from the first byte the greeting is awaited once the handshake is done.
  if (tls_ == smtpTlsImplicit) return BeginTls(TlsPhase::kImplicit);
  SetState(smtpAwaitingGreeting);
}

void _TCustomSmtpClient::SocketSessionClosed(uint16_t error) {
  connected_ = false;
  socket_->OnDataSent = nullptr;
  auto alive = alive_;
  DoSessionClosed(error);
  if (!*alive) return;
  DoRequestDone(WSAEINTR);  // 10004, whatever ended the session
}

void _TCustomSmtpClient::SocketDataAvailable(uint16_t) {
  const int received = socket_->Receive(reply_.Space(), static_cast<int>(reply_.Room()));
  if (received <= 0) return;
  reply_.Commit(static_cast<std::size_t>(received));
  auto alive = alive_;
  std::string line;
  bool overlong = false;
  while (reply_.TakeLine(line, overlong)) {
    bool continuation = false;
    if (!overlong) SmtpStatusCode(line, continuation);
    if (replyLimit_.Add(overlong ? ReplyBuffer::kSize : line.size() + 2, !continuation)) {
      lastResponse_ = kReplyTooLong;
    } else {
      lastResponse_ = overlong ? std::string(kOverlongReply) : line;
    }
    DoResponse(lastResponse_);
    if (!*alive) return;
    HandleLine();
    if (!*alive) return;
  }
}

void _TCustomSmtpClient::HandleLine() {
  switch (state_) {
    case smtpAwaitingGreeting:
      EvaluateGreeting();
      break;
    case smtpAwaitingReply:
      EvaluateReply();
      break;
    default:
      // Between two steps, during the data phase or after a completion: traced only.
      DoDisplay("< " + lastResponse_);
      break;
  }
}

void _TCustomSmtpClient::EvaluateGreeting() {
  auto alive = alive_;
  DoDisplay("< " + lastResponse_);
  if (!*alive) return;
  bool continuation = false;
  statusCode_ = SmtpStatusCode(lastResponse_, continuation);
  if (continuation) return;
  if (statusCode_ == 220) {
    SetState(smtpConnected);
    DoSessionConnected(0);
    if (!*alive) return;
    DoRequestDone(0);
    return;
  }
  SetErrorMessageOnce(lastResponse_);
  requestResult_ = statusCode_;
  // The server's code stays in LastResponse and ErrorMessage; the close completes the request with 10004.
  socket_->Close();
}

void _TCustomSmtpClient::EvaluateReply() {
  auto alive = alive_;
  DoDisplay("< " + lastResponse_);
  if (!*alive) return;
  bool continuation = false;
  statusCode_ = SmtpStatusCode(lastResponse_, continuation);
  if (replyNext_ == ReplyNext::kEhlo) ehloLines_.push_back(lastResponse_);
  if (continuation) return;  // only the final line of a multi-line reply is evaluated
  int result;
  if (okCodes_.empty()) {
    result = statusCode_ < 500 ? 0 : statusCode_;
  } else {
    result = statusCode_ == 0 ? 500 : statusCode_;  // no code at all is no acceptance
    for (std::size_t i = 0; i < okCodes_.size() && i < kMaxAcceptedCodes; ++i) {
      if (okCodes_[i] == statusCode_) {
        result = 0;
        break;
      }
    }
  }
  if (result != 0 && !Tolerated(replyNext_, result)) SetErrorMessageOnce(lastResponse_);
  requestResult_ = result;
  switch (replyNext_) {
    case ReplyNext::kNextRecipient:
      NextRecipient();
      break;
    case ReplyNext::kDataPhase:
      // Text sent after a refused DATA would reach the server as commands
      // (a body line "RCPT TO:<...>" would be obeyed), so it is not sent.
      if (result == 0) {
        StartDataPhase();
      } else {
        replyNext_ = ReplyNext::kNone;
        DoRequestDone(result);
      }
      break;
    case ReplyNext::kNone:
      DoRequestDone(result);
      break;
    case ReplyNext::kEhlo:
      AfterEhlo(result);
      break;
    case ReplyNext::kStartTls:
      AfterStartTls(result);
      break;
    case ReplyNext::kAuthLoginUser:
    case ReplyNext::kAuthLoginPassword:
      AfterAuthStep(replyNext_, result);
      break;
  }
}

// --- data phase -------------------------------------------------------------------------------

void _TCustomSmtpClient::StartDataPhase() {
  // Whatever DATA's reply was, the text follows. Lines arriving from now on
  // until "." is sent are only traced, never taken as the reply to a step.
  replyNext_ = ReplyNext::kNone;
  state_ = smtpBetweenSteps;
  socket_->OnDataSent = [this](_TCustomWSocket*, uint16_t) {
    state_ = smtpBetweenSteps;
    DataNext();
  };
  DataNext();
}

void _TCustomSmtpClient::DataNext() {
  // Lines are produced only once the socket holds nothing unsent, so memory
  // stays at one batch whatever the message size. Each batch gathers lines up
  // to kDataBatchBytes for one send; when the network takes a batch at once
  // the next follows in the same turn, up to a budget, instead of costing a
  // loop round each; otherwise OnDataSent brings the next one.
  auto alive = alive_;
  std::size_t budget = kDataBurstBytes;
  std::string& line = dataLine_;
  std::string& batch = dataBatch_;
  batch.clear();
  // Hands the batch to the socket; false when this turn must end.
  auto sendBatch = [&]() {
    if (socket_->state() != wsConnected) return false;  // the close completes the request
    try {
      socket_->Send(batch.data(), static_cast<int>(batch.size()));
    } catch (const std::exception&) {
      socket_->Abort();
      return false;
    }
    std::size_t sent = batch.size();
    batch.clear();
    if (!*alive || socket_->BufferedBytes() != 0 || sent >= budget) return false;
    budget -= sent;
    return true;
  };
  for (;;) {
    if (!connected_) {
      socket_->OnDataSent = nullptr;
      return;
    }
    try {
      if (!composer_.NextHeaderLine(line)) {
        if (moreLines_) moreLines_ = composer_.NextDataLine(line);
        if (!moreLines_) {
          socket_->OnDataSent = nullptr;
          EndData(batch);  // the last lines go out with the "." in one send
          return;
        }
        DotStuff(line);
        // Building the trace text for every body line costs as much as producing the line.
        if (OnDisplay) {
          DoDisplay("> " + line);
          if (!*alive) return;
        }
      }
    } catch (...) {
      FailDataPhase(CurrentExceptionText(), batch);
      return;
    }
    batch += line;
    batch += "\r\n";
    if (batch.size() >= kDataBatchBytes) {
      if (!sendBatch()) return;
      state_ = smtpBetweenSteps;
    }
  }
}

void _TCustomSmtpClient::EndData(const std::string& lastLines) {
  // The hook comes before "." is queued, so the owner hears of the hand-over
  // before the server can accept the message, and its failure can still stop it.
  auto alive = alive_;
  try {
    DoBeforeEndOfData();
  } catch (...) {
    if (*alive) FailDataPhase(CurrentExceptionText(), lastLines);
    return;
  }
  if (!*alive || !connected_ || state_ != smtpBetweenSteps) return;  // the hook ended the session
  StartCommand(".", {250}, smtpData, ReplyNext::kNone, nullptr, lastLines);
}

void _TCustomSmtpClient::FailDataPhase(const std::string& reason, const std::string& produced) {
  // What was produced still goes out, so the server sees the message end
  // where it broke off, without the final "." that would accept it.
  if (!produced.empty() && socket_->state() == wsConnected) {
    auto alive = alive_;
    try {
      socket_->Send(produced.data(), static_cast<int>(produced.size()));
    } catch (const std::exception&) {
    }
    if (!*alive) return;
  }
  socket_->OnDataSent = nullptr;
  lastResponse_ = "500 " + reason;
  statusCode_ = 500;
  SetErrorMessageOnce(lastResponse_);
  // Without the final "." the server discards what it has received so far;
  // the dropped session completes the request with 10004.
  socket_->Abort();
}

}  // namespace norvane
