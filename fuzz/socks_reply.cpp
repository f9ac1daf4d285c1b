// A SOCKS client handshake against a proxy that answers with arbitrary bytes in arbitrary pieces.
// The socket must neither crash nor read outside its reply buffer, whatever the proxy says.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "net/wsocket.h"

using namespace norvane;

namespace {

// A plain listening socket on loopback for the scripted proxy side.
int Listener(uint16_t& port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 16) != 0) abort();
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static EventLoop loop(SystemClock());
  static uint16_t port = 0;
  static int listener = Listener(port);

  const char* levels[] = {"5", "4", "4A"};
  _TWSocket s(loop);
  s.SetProto("tcp");
  s.SetAddr("127.0.0.1");
  s.SetPort("25");
  s.SetSocksServer("127.0.0.1");
  s.SetSocksPort(std::to_string(port));
  s.SetSocksLevel(levels[data[0] % 3]);
  s.SetSocksUsercode("user");
  s.SetSocksPassword("pass");
  if (data[0] & 0x80) s.SetSocksAuthentication(socksAuthenticateUsercode);
  s.OnDataAvailable = [](_TCustomWSocket* sender, uint16_t) {
    char buf[64];
    sender->Receive(buf, sizeof buf);
  };
  s.OnError = [](_TCustomWSocket*) {};
  s.Connect();
  int proxy = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (proxy < 0) return 0;
  for (int i = 0; i < 4; ++i) loop.RunOnce(0);

  size_t start = 1;
  for (size_t i = 1; i <= size; ++i) {
    if (i == size || (data[i] & 0x07) == 0) {
      if (i > start && write(proxy, data + start, i - start) < 0) break;
      start = i;
      while (loop.RunOnce(0)) {
      }
      if (s.state() == wsClosed) break;
    }
  }
  close(proxy);
  for (int i = 0; i < 8 && s.state() != wsClosed; ++i) loop.RunOnce(0);
  return 0;
}
