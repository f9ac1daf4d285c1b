// Socket throughput and scale on one event loop.
//
//   BM_EchoWSocket   1 GiB (NORVANE_ECHO_BYTES overrides) sent by one _TWSocket to another over
//                    loopback and echoed back, both ends on one loop and one thread.
//   BM_EchoBlocking  the same echo over a plain blocking socket pair, also in one thread (the
//                    two ends take turns with 32 KiB pieces), as the yardstick.
//   BM_ThousandConnections  1,000 concurrent TCP connections on one loop, each echoing one
//                    message; reports the peak RSS of the process (ru_maxrss) after the run.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/wsocket.h"

namespace norvane {
namespace {

int64_t EchoBytes() {
  const char* v = std::getenv("NORVANE_ECHO_BYTES");
  return v ? std::atoll(v) : (int64_t{1} << 30);
}

double PeakRssMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// A listening _TWSocket on 127.0.0.1 that adopts every connection into a new _TWSocket.
struct Listener {
  explicit Listener(EventLoop& loop, int backlog = 5) : socket(loop) {
    socket.SetProto("tcp");
    socket.SetAddr("127.0.0.1");
    socket.SetPort("0");
    socket.SetListenBacklog(backlog);
    socket.OnSessionAvailable = [this, &loop](_TCustomWSocket*, uint16_t) {
      auto peer = std::make_unique<_TWSocket>(loop);
      peer->SetLingerOnOff(wsLingerNoSet);
      peer->Dup(socket.Accept());
      if (onAccept) onAccept(*peer);
      peers.push_back(std::move(peer));
    };
    socket.Listen();
  }
  _TWSocket socket;
  std::vector<std::unique_ptr<_TWSocket>> peers;
  std::function<void(_TWSocket&)> onAccept;
};

void Echo(_TCustomWSocket* s, std::vector<char>& buf) {
  for (;;) {
    int n = s->Receive(buf.data(), static_cast<int>(buf.size()));
    if (n <= 0) return;
    s->Send(buf.data(), n);
  }
}

void BM_EchoWSocket(benchmark::State& state) {
  const int64_t total = EchoBytes();
  for (auto _ : state) {
    EventLoop loop(SystemClock());
    Listener listener(loop);
    std::vector<char> serverBuf(256 * 1024);
    listener.onAccept = [&](_TWSocket& peer) {
      peer.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) { Echo(s, serverBuf); };
    };

    _TWSocket client(loop);
    std::vector<char> chunk(256 * 1024, 'x'), in(256 * 1024);
    int64_t sent = 0, received = 0;
    auto sendMore = [&](_TCustomWSocket* s) {
      // Keep the queue short: the next piece goes out once the previous one left the queue.
      if (sent < total && s->state() == wsConnected) {
        int n = static_cast<int>(std::min<int64_t>(chunk.size(), total - sent));
        sent += n;
        s->Send(chunk.data(), n);
      }
    };
    client.OnSessionConnected = [&](_TCustomWSocket* s, uint16_t) { sendMore(s); };
    client.OnDataSent = [&](_TCustomWSocket* s, uint16_t) { sendMore(s); };
    client.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
      for (;;) {
        int n = s->Receive(in.data(), static_cast<int>(in.size()));
        if (n <= 0) return;
        received += n;
      }
    };
    client.SetLingerOnOff(wsLingerNoSet);
    client.SetProto("tcp");
    client.SetAddr("127.0.0.1");
    client.SetPort(listener.socket.LocalPortText());
    client.Connect();
    while (received < total) loop.RunOnce(100);
    client.Close();
  }
  state.SetBytesProcessed(state.iterations() * total);
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}

void BM_EchoBlocking(benchmark::State& state) {
  const int64_t total = EchoBytes();
  constexpr size_t kPiece = 32 * 1024;  // fits the socket buffers, so neither end can block for good
  for (auto _ : state) {
    int l = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(l, 1) != 0)
      throw std::runtime_error("bind");
    getsockname(l, reinterpret_cast<sockaddr*>(&a), &len);
    int c = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("connect");
    int s = accept(l, nullptr, nullptr);
    std::vector<char> out(kPiece, 'x'), buf(kPiece);
    auto readFull = [&](int fd, size_t n) {
      size_t got = 0;
      while (got < n) {
        ssize_t r = read(fd, buf.data() + got, n - got);
        if (r <= 0) throw std::runtime_error("read");
        got += static_cast<size_t>(r);
      }
    };
    for (int64_t done = 0; done < total; done += kPiece) {
      size_t n = static_cast<size_t>(std::min<int64_t>(kPiece, total - done));
      if (write(c, out.data(), n) != static_cast<ssize_t>(n)) throw std::runtime_error("write");
      readFull(s, n);
      if (write(s, buf.data(), n) != static_cast<ssize_t>(n)) throw std::runtime_error("write");
      readFull(c, n);
    }
    close(c);
    close(s);
    close(l);
  }
  state.SetBytesProcessed(state.iterations() * total);
}

void BM_ThousandConnections(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    EventLoop loop(SystemClock());
    Listener listener(loop, 4096);
    std::vector<char> serverBuf(4096);
    listener.onAccept = [&](_TWSocket& peer) {
      peer.OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) { Echo(s, serverBuf); };
    };
    std::vector<std::unique_ptr<_TWSocket>> clients;
    int connected = 0, answered = 0;
    for (int i = 0; i < count; ++i) {
      auto c = std::make_unique<_TWSocket>(loop);
      c->SetLingerOnOff(wsLingerNoSet);
      c->OnSessionConnected = [&](_TCustomWSocket* s, uint16_t e) {
        if (e == 0) ++connected, s->SendText("EHLO bench.test\r\n");
      };
      c->OnDataAvailable = [&](_TCustomWSocket* s, uint16_t) {
        if (!s->ReceiveText().empty()) ++answered;
      };
      c->SetProto("tcp");
      c->SetAddr("127.0.0.1");
      c->SetPort(listener.socket.LocalPortText());
      c->Connect();
      clients.push_back(std::move(c));
    }
    // All connections are open at the same time: nobody closes before everyone has answered.
    while (answered < count) loop.RunOnce(100);
    state.counters["connected"] = connected;
    for (auto& c : clients) c->Close();
  }
  state.counters["peak_rss_MiB"] = PeakRssMiB();
}

BENCHMARK(BM_EchoWSocket)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_EchoBlocking)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_ThousandConnections)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace norvane
