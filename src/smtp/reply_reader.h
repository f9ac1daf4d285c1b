// Reading SMTP reply lines from the bytes a server sends. The buffer is a
// fixed 4096 bytes; a line longer than that is never held whole: it is
// reported as over-long as soon as the buffer fills, and its remaining bytes
// are dropped up to its CR LF, so a server that never ends a line can neither
// make the client wait for it nor make it grow.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvane {

// The number at the start of a reply line: leading blanks, tabs, CR and LF
// skipped, then an optional sign and the decimal digits after it (none gives
// 0). The value is held within +-65535 so that a failure can never turn into
// 0 when it is carried as a 16-bit number. `continuation` is true when the
// character right after the digits is "-" (more lines of the reply follow).
int SmtpStatusCode(std::string_view line, bool& continuation);

// Bounds one multi-line reply: at most kMaxLines lines and kMaxBytes bytes,
// line ends included. A server answering "250-" for ever would otherwise hold
// the request open, and everything that keeps its lines, without end.
class ReplyLimit {
 public:
  static constexpr int kMaxLines = 100;
  static constexpr std::size_t kMaxBytes = std::size_t{64} * 1024;

  // Counts one received line of `lineBytes` bytes; `final` when it ends the
  // reply. True when the reply has run past a limit: that line is then taken
  // as its end, and counting starts afresh, as it does after a final line.
  bool Add(std::size_t lineBytes, bool final);
  void Reset() {
    lines_ = 0;
    bytes_ = 0;
  }
  int Lines() const { return lines_; }

 private:
  int lines_ = 0;
  std::size_t bytes_ = 0;
};

class ReplyBuffer {
 public:
  static constexpr std::size_t kSize = 4096;

  // Where the next receive goes, and how many bytes fit there (never 0 once
  // TakeLine has returned false).
  char* Space() { return data_ + count_; }
  std::size_t Room() const { return kSize - count_; }
  // Records that `n` bytes were received into Space().
  void Commit(std::size_t n) { count_ += n; }

  // Takes the next complete line, without its CR LF; false when none is
  // complete yet. `overlong` is set for a line that did not fit the buffer:
  // `line` is then empty, and the rest of that line never comes out.
  bool TakeLine(std::string& line, bool& overlong);

  void Clear();
  std::size_t Count() const { return count_; }

 private:
  void Discard(std::size_t n);
  void DropAllButTrailingCr();

  char data_[kSize];
  std::size_t count_ = 0;
  bool skipping_ = false;  // inside an over-long line, dropping bytes up to its CR LF
};

}  // namespace norvane
