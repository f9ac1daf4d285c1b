// One message with a large attachment sent by the SMTP client to a server in
// the same process and on the same event loop (it answers every command and
// discards the text), so the figure is the client's own cost: composition,
// one line per send, the socket and the loop. bytes_per_second counts the
// message text; bench/smtp_send_memory.sh reads the peak memory of one run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "lib/pseudo_random_file.h"
#include "smtp/smtp_cli.h"

namespace {

using norvane::_TCustomSmtpClient;
using norvane::_TCustomWSocket;
using norvane::_TWSocket;
using norvane::EventLoop;

// Answers like an accepting server; during DATA it only looks for the end mark.
class DiscardingServer {
 public:
  explicit DiscardingServer(EventLoop& loop) : loop_(loop), listener_(loop) {
    listener_.SetProto("tcp");
    listener_.SetAddr("127.0.0.1");
    listener_.SetPort("0");
    listener_.OnSessionAvailable = [this](_TCustomWSocket*, uint16_t) {
      peer_ = std::make_unique<_TWSocket>(loop_);
      peer_->Dup(listener_.Accept());
      peer_->OnDataAvailable = [this](_TCustomWSocket*, uint16_t) { Read(); };
      peer_->SendText("220 bench\r\n");
    };
    listener_.Listen();
  }
  std::string port() { return listener_.LocalPortText(); }
  std::size_t textBytes = 0;

 private:
  void Read() {
    char buffer[65536];
    const int n = peer_->Receive(buffer, sizeof buffer);
    if (n <= 0) return;
    if (inData_) {
      textBytes += static_cast<std::size_t>(n);
      tail_.append(buffer, static_cast<std::size_t>(n));
      if (tail_.find("\r\n.\r\n") != std::string::npos) {
        inData_ = false;
        tail_.clear();
        peer_->SendText("250 ok\r\n");
      } else if (tail_.size() > 4) {
        tail_.erase(0, tail_.size() - 4);
      }
      return;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending_.find("\r\n")) != std::string::npos;) {
      const std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 2);
      if (line == "DATA") {
        inData_ = true;
        tail_ = "\r\n";
        peer_->SendText("354 go\r\n");
      } else {
        peer_->SendText(line == "QUIT" ? "221 bye\r\n" : "250 ok\r\n");
      }
    }
  }

  EventLoop& loop_;
  _TWSocket listener_;
  std::unique_ptr<_TWSocket> peer_;
  std::string pending_;
  std::string tail_;
  bool inData_ = false;
};

std::string MakeAttachment(long megabytes) {
  const char* base = std::getenv("TMPDIR");
  const std::string path = std::string(base && *base ? base : "/tmp") + "/norvane-bench-send-" +
                           std::to_string(megabytes) + "mb-" + std::to_string(getpid()) + ".bin";
  norvane::bench::WritePseudoRandomFile(path, megabytes, 99);
  return path;
}

void BM_SendMail(benchmark::State& state) {
  EventLoop loop(norvane::SystemClock());
  DiscardingServer server(loop);
  const std::string attachment = MakeAttachment(state.range(0));
  norvane::_TSmtpCli client(loop);
  client.SetHost("127.0.0.1");
  client.SetPort(server.port());
  client.SetSignOn("bench.test");
  client.SetFromName("sender@example.test");
  client.SetRcptName({"ann@example.test"});
  client.SetHdrSubject("Report");
  client.SetEmailFiles({attachment});
  int completions = 0;
  uint16_t error = 0;
  client.OnRequestDone = [&](_TCustomSmtpClient*, norvane::TSmtpRequest, uint16_t e) {
    ++completions;
    error = e;
  };
  auto run = [&](void (_TCustomSmtpClient::*request)()) {
    const int before = completions;
    (client.*request)();
    while (completions == before) loop.RunOnce(100);
    if (error != 0) state.SkipWithError(client.ErrorMessage().c_str());
  };
  run(&_TCustomSmtpClient::OpenSession);
  for (auto _ : state) run(&_TCustomSmtpClient::SendMail);
  run(&_TCustomSmtpClient::Quit);
  std::filesystem::remove(attachment);
  state.SetBytesProcessed(static_cast<int64_t>(server.textBytes));
}
BENCHMARK(BM_SendMail)->Arg(10)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
