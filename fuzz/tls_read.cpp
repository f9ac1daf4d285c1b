// The TLS-mode socket's read path: a client socket on the event loop, connected over a socket
// pair, gets arbitrary bytes from its peer, in pieces of varying size,
// - as the answer to its hello (the first input byte's low bit clear): the handshake must fail
//   or wait, and no plaintext may come out;
// - after a real handshake with a server engine and one genuine record "hello" (bit set): the
//   bytes can be no records of this session, so "hello" must stay the only plaintext.
// In both cases the socket must neither crash nor loop, and must close when its peer does.
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/tls_context.h"
#include "net/tls_engine.h"
#include "net/wsocket.h"

namespace {

std::shared_ptr<norvane::TlsContext> serverContext;
std::shared_ptr<norvane::TlsContext> clientContext;

// Writes everything, letting the client read between the pieces the pair will not hold.
void WriteAll(int fd, const std::string& bytes, norvane::EventLoop& loop) {
  std::size_t done = 0;
  for (int rounds = 0; done < bytes.size() && rounds < 10000; ++rounds) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      return;  // the client closed
    }
    loop.RunOnce(0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/norvane-fuzz-tls-XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  const std::string dir = folder;
  const std::string command =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " + dir +
      "/key.pem -out " + dir + "/cert.pem -days 2 -subj /CN=fuzz >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) std::abort();
  serverContext = norvane::TlsContext::Server(dir + "/cert.pem", dir + "/key.pem");
  clientContext = norvane::TlsContext::Client(false);
  // The context holds the pair now; the files have served.
  std::system(("rm -rf '" + dir + "'").c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace norvane;
  if (size == 0) return 0;
  const bool afterHandshake = data[0] & 1;
  const std::size_t piece = 1 + (data[0] >> 1) * 131;
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  EventLoop loop(SystemClock());
  auto client = std::make_unique<_TWSocket>(loop);
  client->SetLingerOnOff(wsLingerNoSet);
  client->Dup(pair[0]);
  std::string plain;
  int tlsError = -1;
  bool closed = false;
  client->OnTlsDone = [&](_TCustomWSocket*, uint16_t error) { tlsError = error; };
  client->OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
    char buffer[700];
    const int n = s->Receive(buffer, sizeof buffer);
    if (n > 0) plain.append(buffer, static_cast<std::size_t>(n));
  };
  client->OnSessionClosed = [&](_TCustomWSocket*, uint16_t) { closed = true; };
  client->StartTls(clientContext, "");

  if (afterHandshake) {
    TlsEngine server(serverContext, "");
    std::string out;
    char buffer[4096];
    for (int rounds = 0; tlsError < 0 && rounds < 1000; ++rounds) {
      loop.RunOnce(0);
      ssize_t n;
      while ((n = ::recv(pair[1], buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
        server.Feed(buffer, static_cast<std::size_t>(n));
      server.Handshake();
      out.clear();
      server.TakeOutput(out);
      WriteAll(pair[1], out, loop);
    }
    if (tlsError != 0) std::abort();  // two engines of ours must agree
    out.clear();
    server.Write("hello", 5);
    server.TakeOutput(out);
    WriteAll(pair[1], out, loop);
  }
  for (std::size_t at = 0; at < input.size() && !closed; at += piece)
    WriteAll(pair[1], input.substr(at, piece), loop);
  for (int rounds = 0; rounds < 100; ++rounds) loop.RunOnce(0);
  ::close(pair[1]);
  for (int rounds = 0; !closed && rounds < 1000; ++rounds) loop.RunOnce(0);
  if (!closed) std::abort();
  if (afterHandshake ? plain.size() > 5 || std::string("hello").compare(0, plain.size(), plain) != 0
                     : !plain.empty())
    std::abort();
  return 0;
}
