// Produces the text of one message, one line at a time, as the SMTP client
// sends it between "DATA" and the final ".": the header block, the body lines
// pulled from the owner, and, when files are attached, a multipart wrapper
// with each file in base64. Only the current line, the small header list and
// the MIME queue exist at any time, so memory does not grow with the message.
//
// Sequence per message: Begin(), then NextHeaderLine() until false, then
// NextDataLine() until false (each data line dot-stuffed by the sender), then
// ".". NextWireLine() runs that whole sequence for callers that want the
// exact wire lines (tests, benchmarks, previews).
//
// Input that would let one value become several lines on the wire is refused
// or split, never passed: header values with CR, LF or NUL make Begin() throw;
// a body line holding CR or LF goes out as several lines; a NUL ends a line.
// Lines longer than the hooks' 1024-byte buffer are passed on whole, never cut.
//
// Format (both parts off by default, which gives the plain form above):
// - MimeEncoding: header values with 8-bit text as encoded words, display
//   names quoted where needed, long header lines folded, the text labelled
//   windows-1252 (what it is) and sent as "8bit" when ServerAccepts8Bit, else
//   as quoted-printable; attachment names that are not ASCII as RFC 2231
//   parameters.
// - Signer: every message gets a DKIM-Signature as its first header line.
//   The body hash needs the whole body before the header goes out, so Begin()
//   produces the body once on its own (OnGetData must give the same line for
//   the same number again; attachments are read twice) and then runs every
//   header line through the rewrite and OnHeaderLine, so the signature covers
//   the lines exactly as sent. While the body is sent its hash is taken again;
//   should it differ (an attachment changed on disk meanwhile), the last call
//   of NextDataLine throws instead of ending the message, so the caller can
//   drop it rather than deliver a message whose signature fails.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "smtp/attachment_reader.h"

namespace norvane {

class DkimSigner;
class RelaxedBodyHash;

enum TSmtpContentType { smtpHTML = 0, smtpPlainText = 1 };

// How a message is written beyond the plain form (see the top of this file).
struct MessageFormat {
  bool MimeEncoding = false;
  std::shared_ptr<const DkimSigner> Signer;
};

class MessageComposer {
 public:
  // The size of the line buffer the hooks see; a line holds at most one less.
  static constexpr int kLineBufferSize = 1024;

  // May change, add or remove header lines; called once per message before
  // the blank separator line is added.
  using ProcessHeaderHook = std::function<void(std::vector<std::string>& hdrLines)>;
  // May rewrite one header line (the separator included) just before it is sent.
  using HeaderLineHook = std::function<void(std::string& msg, int size)>;
  // Body line number `lineNum` (from 1): fill `msgLine` (at most maxLen
  // characters) and leave `more` true, or set `more` false at the end.
  using GetDataHook = std::function<void(int lineNum, std::string& msgLine, int maxLen, bool& more)>;

  MessageComposer();
  ~MessageComposer();
  MessageComposer(const MessageComposer&) = delete;
  MessageComposer& operator=(const MessageComposer&) = delete;

  // Message properties; they persist from one message to the next.
  std::string HdrFrom;
  std::string HdrTo;
  std::string HdrSubject;
  std::string CharSet = "iso-8859-1";
  // Set by the SMTP client after EHLO: the server announced 8BITMIME.
  bool ServerAccepts8Bit = false;
  MessageFormat Format;

  // The body goes out as 8-bit text (MIME encoding on, and the server takes
  // it): the client then says BODY=8BITMIME with MAIL FROM (RFC 6152).
  bool EightBitBody() const { return Format.MimeEncoding && ServerAccepts8Bit; }

  TSmtpContentType ContentType() const { return contentType_; }
  // "text/plain" for smtpPlainText, "text/html" for anything else.
  const std::string& ContentTypeText() const { return contentTypeText_; }
  void SetContentType(TSmtpContentType value);

  // Attachment paths in sending order. The setter trims every line, drops
  // blank ones and stores the rest; a path that does not name an existing
  // file throws SmtpException "File not found '<path>'" and the paths before
  // it stay stored. The file name goes into the part header as a quoted
  // string: quotes and backslashes escaped, control characters dropped.
  const std::vector<std::string>& EmailFiles() const { return emailFiles_; }
  void SetEmailFiles(const std::vector<std::string>& lines);

  ProcessHeaderHook OnProcessHeader;
  HeaderLineHook OnHeaderLine;
  GetDataHook OnGetData;

  // Starts a message: resets the composition state, takes the date and the
  // boundary from CurrentClock(), builds the six header lines, runs
  // OnProcessHeader and appends the blank separator. Throws SmtpException
  // naming the header when a header line would hold CR, LF or NUL.
  void Begin();

  // The check Begin() makes of the header values, on its own: throws
  // SmtpException naming the first header whose value holds CR, LF or NUL.
  void CheckHeaderValues() const;

  // Next header line (rewritten to the multipart content type when the
  // message has attachments, then through OnHeaderLine); false when the
  // header is done. Throws SmtpException when OnHeaderLine left a line break
  // that does not fold onto a continuation line.
  bool NextHeaderLine(std::string& line);

  // Next body or generated line, not yet dot-stuffed; false at the end of the
  // message. Exceptions from OnGetData or from reading an attachment pass through.
  bool NextDataLine(std::string& line);

  // The whole wire sequence: header lines, dot-stuffed data lines, then ".";
  // false after the ".".
  bool NextWireLine(std::string& line);

  const std::vector<std::string>& HeaderLines() const { return headerLines_; }
  const std::string& Boundary() const { return boundary_; }

 private:
  void PrepareMime(const LocalDateTime& now);
  void BuildHeaderList(const LocalDateTime& now);
  // One line of the generator before splitting; false at the end.
  bool GenerateLine(std::string& line);
  // The next data line, split at line breaks and encoded; false at the end.
  bool ProduceDataLine(std::string& line);
  void QueuePartHeader(const std::string& path);
  // A header list line as it goes on the wire: multipart rewrite, OnHeaderLine, folding.
  std::string FinishHeaderLine(std::string line);
  // Hashes the body, signs the finished header lines and keeps them for sending.
  void Sign();

  TSmtpContentType contentType_ = smtpPlainText;
  std::string contentTypeText_ = "text/plain";
  std::vector<std::string> emailFiles_;

  std::vector<std::string> headerLines_;
  std::size_t headerPos_ = 0;

  std::deque<std::string> mimeQueue_;
  std::string boundary_;
  bool bodyPending_ = true;
  int bodyLineCounter_ = 0;
  std::size_t attachmentIndex_ = 0;
  AttachmentReader attachment_;
  bool lineIsBase64_ = false;
  bool lineIsBody_ = false;
  bool quotedPrintable_ = false;
  std::deque<std::string> encodedLines_;  // the rest of a quoted-printable body line

  // What is left of a generated line after its first line break.
  std::string splitRest_;
  bool hasSplitRest_ = false;
  bool splitRestIsBody_ = false;

  LocalDateTime now_;
  // With a signer: the header exactly as it goes out, signature first.
  std::vector<std::string> finalHeader_;
  bool headerFinal_ = false;
  std::string bodyHash_;
  std::unique_ptr<RelaxedBodyHash> sentHash_;

  enum class WirePhase { kHeader, kData, kDot, kDone };
  WirePhase wirePhase_ = WirePhase::kHeader;
};

// A line starting with "." gets one more in front, so no line of the text
// can be read as the end-of-data marker.
void DotStuff(std::string& line);

// Removes leading and trailing blanks and control characters (every byte up to " ").
std::string TrimBlanks(const std::string& text);

// The line as the buffer-based hooks would see it: everything from the first NUL on is dropped.
void CutAtNul(std::string& line);

}  // namespace norvane
