// SMTP reply reading: arbitrary server bytes, received in pieces of varying
// size, go through the fixed reply buffer, the status-code rule and the reply
// limit. Lines must come out without their CR LF, the buffer must always leave
// room for the next receive, nothing may be read or written outside it, and
// no reply may run past 100 lines without the limit ending it.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "smtp/reply_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the receive size, so one input covers split and joined reads.
  const std::size_t piece = 1 + data[0] % 64 * 97;
  ++data;
  --size;
  norvane::ReplyBuffer buffer;
  norvane::ReplyLimit limit;
  std::string line;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t room = buffer.Room();
    if (room == 0) std::abort();
    const std::size_t n = std::min({piece, room, size - at});
    std::memcpy(buffer.Space(), data + at, n);
    buffer.Commit(n);
    at += n;
    bool overlong = false;
    while (buffer.TakeLine(line, overlong)) {
      if (line.find("\r\n") != std::string::npos || line.size() >= norvane::ReplyBuffer::kSize) std::abort();
      if (overlong && !line.empty()) std::abort();
      bool continuation = false;
      const int code = norvane::SmtpStatusCode(line, continuation);
      if (code > 65535 || code < -65535) std::abort();
      const int before = limit.Lines();
      const bool cut = limit.Add(overlong ? norvane::ReplyBuffer::kSize : line.size() + 2, !continuation);
      if (before >= norvane::ReplyLimit::kMaxLines && !cut) std::abort();
      if (limit.Lines() > norvane::ReplyLimit::kMaxLines) std::abort();
    }
  }
  return 0;
}
