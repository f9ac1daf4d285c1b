#include "smtp/message_composer.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/clock.h"
#include "smtp/date_text.h"
#include "smtp/dkim_canonical.h"
#include "smtp/dkim_signer.h"
#include "smtp/mime_header.h"
#include "smtp/mime_quoted_printable.h"
#include "smtp/smtp_exception.h"

namespace norvane {
namespace {

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

bool HoldsLineBreakOrNul(const std::string& text) {
  return text.find_first_of("\r\n\0", 0, 3) != std::string::npos;
}

// The field name of a header line, for error messages.
std::string FieldName(const std::string& line) {
  std::string name = line.substr(0, std::min(line.find(':'), std::size_t{40}));
  for (char& c : name) {
    if (IsBlankOrControl(c)) c = '?';
  }
  return name;
}

// A CR LF is allowed in a header line only as a fold: followed by a blank or tab.
bool HasUnfoldedBreak(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\n') return true;
    if (line[i] == '\r') {
      if (i + 2 >= line.size() || line[i + 1] != '\n' || (line[i + 2] != ' ' && line[i + 2] != '\t'))
        return true;
      ++i;
    }
  }
  return false;
}

bool StartsWithContentType(const std::string& line) {
  static constexpr char kPrefix[] = "CONTENT-TYPE:";
  if (line.size() < sizeof kPrefix - 1) return false;
  for (std::size_t i = 0; i < sizeof kPrefix - 1; ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kPrefix[i]) return false;
  }
  return true;
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string TrimBlanks(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlankOrControl(text[first])) ++first;
  while (last > first && IsBlankOrControl(text[last - 1])) --last;
  return text.substr(first, last - first);
}

void DotStuff(std::string& line) {
  if (!line.empty() && line[0] == '.') line.insert(line.begin(), '.');
}

void CutAtNul(std::string& line) {
  const std::size_t nul = line.find('\0');
  if (nul != std::string::npos) line.resize(nul);
}

MessageComposer::MessageComposer() = default;
MessageComposer::~MessageComposer() = default;

void MessageComposer::SetContentType(TSmtpContentType value) {
  if (value == contentType_) return;
  contentType_ = value;
  contentTypeText_ = value == smtpPlainText ? "text/plain" : "text/html";
}

void MessageComposer::SetEmailFiles(const std::vector<std::string>& lines) {
  emailFiles_.clear();
  for (const std::string& line : lines) {
    std::string path = TrimBlanks(line);
    if (path.empty()) continue;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) {
      throw SmtpException("File not found '" + path + "'");
    }
    emailFiles_.push_back(std::move(path));
  }
}

void MessageComposer::PrepareMime(const LocalDateTime& now) {
  bodyPending_ = true;
  attachmentIndex_ = 0;
  bodyLineCounter_ = 0;
  attachment_.Close();
  mimeQueue_.clear();
  hasSplitRest_ = false;
  splitRest_.clear();
  encodedLines_.clear();
  quotedPrintable_ = Format.MimeEncoding && !ServerAccepts8Bit;
  if (emailFiles_.empty()) {
    boundary_.clear();
    return;
  }
  boundary_ = MultipartBoundary(now);
  mimeQueue_.push_back("This is a multipart MIME message.");
  mimeQueue_.push_back("");
  mimeQueue_.push_back("--" + boundary_);
  if (Format.MimeEncoding) {
    mimeQueue_.push_back("Content-Type: " + contentTypeText_ + "; charset=\"" + kMimeCharset + "\"");
    mimeQueue_.push_back(std::string("Content-Transfer-Encoding: ") +
                         (quotedPrintable_ ? "quoted-printable" : "8bit"));
  } else {
    mimeQueue_.push_back("Content-Type: " + contentTypeText_ + "; charset=\"" + CharSet + "\"");
    mimeQueue_.push_back("Content-Transfer-Encoding: 7bit");
  }
  mimeQueue_.push_back("");
}

void MessageComposer::CheckHeaderValues() const {
  // A merged value holding a line break would start a header line of the
  // recipient's choosing (or end the header early), so it is refused, not repaired.
  const std::pair<const char*, const std::string*> values[] = {
      {"From", &HdrFrom}, {"To", &HdrTo}, {"Subject", &HdrSubject}, {"Content-Type charset", &CharSet}};
  for (const auto& [name, value] : values) {
    if (HoldsLineBreakOrNul(*value)) {
      throw SmtpException(std::string("Invalid character (CR, LF or NUL) in the ") + name + " header");
    }
  }
}

void MessageComposer::BuildHeaderList(const LocalDateTime& now) {
  CheckHeaderValues();
  headerLines_.clear();
  if (!Format.MimeEncoding) {
    headerLines_.push_back("From: " + HdrFrom);
    headerLines_.push_back("To: " + HdrTo);
    headerLines_.push_back("Subject: " + HdrSubject);
    headerLines_.push_back("Mime-Version: 1.0");
    headerLines_.push_back("Content-Type: " + contentTypeText_ + "; charset=\"" + CharSet + "\"");
    headerLines_.push_back("Date: " + SmtpDateText(now));
    return;
  }
  headerLines_.push_back("From: " + EncodeAddressList(HdrFrom));
  headerLines_.push_back("To: " + EncodeAddressList(HdrTo));
  headerLines_.push_back("Subject: " + EncodeUnstructured(HdrSubject));
  headerLines_.push_back("Mime-Version: 1.0");
  headerLines_.push_back("Content-Type: " + contentTypeText_ + "; charset=\"" + kMimeCharset + "\"");
  // A multipart message cannot itself be quoted-printable; it is 8bit when a part is.
  if (boundary_.empty())
    headerLines_.push_back(std::string("Content-Transfer-Encoding: ") +
                           (quotedPrintable_ ? "quoted-printable" : "8bit"));
  else if (!quotedPrintable_)
    headerLines_.push_back("Content-Transfer-Encoding: 8bit");
  headerLines_.push_back("Date: " + SmtpDateText(now));
}

void MessageComposer::Begin() {
  now_ = CurrentClock().Now();
  headerFinal_ = false;
  finalHeader_.clear();
  sentHash_.reset();
  PrepareMime(now_);
  headerPos_ = 0;
  wirePhase_ = WirePhase::kHeader;
  BuildHeaderList(now_);
  if (OnProcessHeader) OnProcessHeader(headerLines_);
  for (const std::string& line : headerLines_) {
    if (HoldsLineBreakOrNul(line)) {
      throw SmtpException("Invalid character (CR, LF or NUL) in the " + FieldName(line) + " header");
    }
  }
  headerLines_.push_back("");
  if (Format.Signer) Sign();
}

void MessageComposer::Sign() {
  std::vector<std::string> lines;
  lines.reserve(headerLines_.size() + 1);
  for (const std::string& line : headerLines_) lines.push_back(FinishHeaderLine(line));
  RelaxedBodyHash hash;
  std::string line;
  while (ProduceDataLine(line)) hash.AddLine(line);
  bodyHash_ = hash.Finish();
  // Back to the start of the body; the same time gives the same boundary.
  PrepareMime(now_);
  lines.pop_back();  // the blank separator
  std::string field = Format.Signer->SignatureField(lines, bodyHash_, UnixTime(now_));
  lines.insert(lines.begin(), std::move(field));
  lines.emplace_back();
  finalHeader_ = std::move(lines);
  headerFinal_ = true;
  sentHash_ = std::make_unique<RelaxedBodyHash>();
}

std::string MessageComposer::FinishHeaderLine(std::string line) {
  if (!boundary_.empty() && StartsWithContentType(line)) {
    line = "Content-Type: multipart/mixed;\r\n\tboundary=\"" + boundary_ + "\"";
  }
  if (OnHeaderLine) {
    OnHeaderLine(line, kLineBufferSize);
    CutAtNul(line);
  }
  if (Format.MimeEncoding) line = FoldHeaderLine(line);
  if (HasUnfoldedBreak(line)) {
    throw SmtpException("Invalid line break in the " + FieldName(line) + " header line");
  }
  return line;
}

bool MessageComposer::NextHeaderLine(std::string& line) {
  if (headerFinal_) {
    if (headerPos_ >= finalHeader_.size()) return false;
    line = finalHeader_[headerPos_++];
    return true;
  }
  if (headerPos_ >= headerLines_.size()) return false;
  line = FinishHeaderLine(headerLines_[headerPos_++]);
  return true;
}

void MessageComposer::QueuePartHeader(const std::string& path) {
  const std::string name = FileNameOf(path);
  mimeQueue_.push_back("--" + boundary_);
  mimeQueue_.push_back("Content-Type: application/octet-stream;");
  // Pushed whole: a long RFC 2231 name holds folds, which the data line split turns into lines.
  mimeQueue_.push_back("\t" +
                       (Format.MimeEncoding ? MimeParameter("name", name) : "name=" + QuotedString(name)));
  mimeQueue_.push_back("Content-Transfer-Encoding: base64");
  mimeQueue_.push_back("Content-Disposition: attachment;");
  mimeQueue_.push_back(
      "\t" + (Format.MimeEncoding ? MimeParameter("filename", name) : "filename=" + QuotedString(name)));
  mimeQueue_.push_back("");
}

bool MessageComposer::GenerateLine(std::string& line) {
  lineIsBase64_ = false;
  lineIsBody_ = false;
  if (!mimeQueue_.empty()) {
    line = std::move(mimeQueue_.front());
    mimeQueue_.pop_front();
    return true;
  }
  if (bodyPending_) {
    ++bodyLineCounter_;
    bool more = true;
    line.clear();
    if (OnGetData) {
      OnGetData(bodyLineCounter_, line, kLineBufferSize - 1, more);
    } else {
      more = false;
    }
    if (more) {
      CutAtNul(line);
      lineIsBody_ = true;
      return true;
    }
    bodyPending_ = false;
  }
  if (attachment_.IsOpen()) {
    lineIsBase64_ = true;
    if (!attachment_.EncodeLine(line)) {
      attachment_.Close();
      ++attachmentIndex_;
      if (attachmentIndex_ >= emailFiles_.size()) {
        mimeQueue_.push_back("");
        mimeQueue_.push_back("--" + boundary_ + "--");
      }
    }
    return true;
  }
  if (attachmentIndex_ < emailFiles_.size()) {
    attachment_.Open(emailFiles_[attachmentIndex_]);
    QueuePartHeader(emailFiles_[attachmentIndex_]);
    line.clear();
    return true;
  }
  return false;
}

bool MessageComposer::NextDataLine(std::string& line) {
  if (!ProduceDataLine(line)) {
    if (sentHash_) {
      const std::string sent = sentHash_->Finish();
      sentHash_.reset();
      if (sent != bodyHash_)
        throw SmtpException(
            "The message text changed while it was being sent (an attachment file changed?), so its "
            "signature would not verify; it was not sent");
    }
    return false;
  }
  if (sentHash_) sentHash_->AddLine(line);
  return true;
}

bool MessageComposer::ProduceDataLine(std::string& line) {
  if (!encodedLines_.empty()) {
    line = std::move(encodedLines_.front());
    encodedLines_.pop_front();
    return true;
  }
  bool body = false;
  if (!hasSplitRest_) {
    if (!GenerateLine(line)) return false;
    body = lineIsBody_;
  } else {
    line = std::move(splitRest_);
    hasSplitRest_ = false;
    body = splitRestIsBody_;
  }
  // A bare CR or LF would end the line early on the wire (and could smuggle a
  // "." line or a new part header in); the text after it goes out as its own line.
  // Base64 lines cannot hold one, and skipping the scan is a sixth of the time.
  if (lineIsBase64_) return true;
  // A plain scan: find_first_of calls memchr on the set once per character of the line.
  const auto stop = std::find_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; });
  if (stop != line.end()) {
    const std::size_t brk = static_cast<std::size_t>(stop - line.begin());
    const std::size_t next = line.compare(brk, 2, "\r\n") == 0 ? brk + 2 : brk + 1;
    splitRest_.assign(line, next, std::string::npos);
    hasSplitRest_ = true;
    splitRestIsBody_ = body;
    line.resize(brk);
  }
  if (body && quotedPrintable_) {
    AppendQuotedPrintable(line, encodedLines_);
    line = std::move(encodedLines_.front());
    encodedLines_.pop_front();
  }
  return true;
}

bool MessageComposer::NextWireLine(std::string& line) {
  switch (wirePhase_) {
    case WirePhase::kHeader:
      if (NextHeaderLine(line)) return true;
      wirePhase_ = WirePhase::kData;
      [[fallthrough]];
    case WirePhase::kData:
      if (NextDataLine(line)) {
        DotStuff(line);
        return true;
      }
      wirePhase_ = WirePhase::kDot;
      [[fallthrough]];
    case WirePhase::kDot:
      line = ".";
      wirePhase_ = WirePhase::kDone;
      return true;
    case WirePhase::kDone:
      break;
  }
  return false;
}

}  // namespace norvane
