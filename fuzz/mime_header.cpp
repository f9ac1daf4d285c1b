// Feeds arbitrary header values (merged from imported recipient data) to the
// MIME header encoders and body lines to quoted-printable: nothing they make
// may hold a NUL, a bare CR or LF, or a line break that does not fold onto a
// continuation line; encoded words and quoted-printable lines keep their limits.
#include "smtp/mime_header.h"

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>

#include "smtp/mime_quoted_printable.h"

namespace {

// Line breaks only as CR LF followed by a blank or tab; no NUL.
void CheckFolded(const std::string& text, bool allowFolds) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\0') abort();
    if (c == '\n') abort();
    if (c == '\r') {
      if (!allowFolds || i + 2 >= text.size() || text[i + 1] != '\n' ||
          (text[i + 2] != ' ' && text[i + 2] != '\t'))
        abort();
      ++i;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string value(reinterpret_cast<const char*>(data), size);
  // The composer refuses header values holding CR, LF or NUL before encoding.
  for (char& c : value) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  const std::string subject = norvane::EncodeUnstructured(value);
  CheckFolded(subject, false);
  const std::string to = norvane::EncodeAddressList(value);
  CheckFolded(to, false);
  CheckFolded(norvane::FoldHeaderLine("Subject: " + subject), true);
  CheckFolded(norvane::FoldHeaderLine("To: " + to), true);
  const std::string parameter = norvane::MimeParameter("filename", value);
  CheckFolded(parameter, true);
  // Every encoded word stays within 75 characters.
  for (std::size_t at = subject.find("=?"); at != std::string::npos; at = subject.find("=?", at + 2)) {
    const std::size_t end = subject.find("?=", at + 17);
    if (end != std::string::npos && subject.compare(at, 17, "=?windows-1252?Q?") == 0 &&
        end + 2 - at > norvane::kEncodedWordMax)
      abort();
  }
  std::deque<std::string> lines;
  norvane::AppendQuotedPrintable(value, lines);
  for (const std::string& line : lines) {
    if (line.size() > norvane::kQuotedPrintableWidth) abort();
    for (char c : line) {
      if (static_cast<unsigned char>(c) > 126 || (static_cast<unsigned char>(c) < 32 && c != '\t')) abort();
    }
  }
  return 0;
}
