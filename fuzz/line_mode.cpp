// Line mode fed arbitrary bytes in arbitrary pieces, read by a reader taking arbitrary amounts:
// every byte must come out exactly once and in order, lines never longer than the limit.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/wsocket.h"

using namespace norvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static EventLoop loop(SystemClock());
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;

  const std::string ends[] = {"\r\n", "\n", "|", "END"};
  const std::string lineEnd = ends[data[0] % 4];
  const size_t limit = 1 + data[1] % 64;
  const int take = 1 + data[2] % 16;
  data += 3;
  size -= 3;

  std::string out;
  {
    _TWSocket s(loop);
    s.SetLingerOnOff(wsLingerNoSet);
    s.Dup(fds[0]);
    s.SetLineMode(true);
    s.SetLineEnd(lineEnd);
    s.SetLineLimit(limit);
    s.OnDataAvailable = [&](_TCustomWSocket* sender, uint16_t) {
      char buf[16];
      int n = sender->Receive(buf, take);
      if (n > 0) out.append(buf, static_cast<size_t>(n));
    };
    s.OnSessionClosed = [](_TCustomWSocket*, uint16_t) {};  // the last line without an end goes out here
    // Pieces of the input: the low bits of each byte choose where the writer pauses.
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
      if (i == size || (data[i] & 0x0F) == 0) {
        if (i > start && write(fds[1], data + start, i - start) < 0) break;
        start = i;
        while (loop.RunOnce(0)) {
        }
      }
    }
    close(fds[1]);
    for (int i = 0; i < 8 && s.state() != wsClosed; ++i) loop.RunOnce(0);
  }
  while (loop.RunOnce(0)) {
  }
  if (out != std::string(reinterpret_cast<const char*>(data), size)) abort();
  return 0;
}
