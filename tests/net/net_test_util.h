// Shared pieces of the socket tests: a loop driven until a condition holds (bounded by real time,
// never a sleep) and a loopback TCP listener built from the socket itself.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "net/wsocket.h"
#include "support/run_until.h"

namespace norvane::test {

// A TCP listener on 127.0.0.1 and a port of the kernel's choosing; accepted connections become
// _TWSocket objects handed to `onAccept`.
class LoopbackListener {
 public:
  explicit LoopbackListener(EventLoop& loop) : loop_(loop), socket_(loop) {
    socket_.SetProto("tcp");
    socket_.SetAddr("127.0.0.1");
    socket_.SetPort("0");
    socket_.SetListenBacklog(128);
    socket_.OnSessionAvailable = [this](_TCustomWSocket*, uint16_t) {
      auto peer = std::make_unique<_TWSocket>(loop_);
      peer->Dup(socket_.Accept());
      if (onAccept) onAccept(std::move(peer));
    };
    socket_.Listen();
    port_ = socket_.LocalPortText();
  }
  const std::string& port() const { return port_; }
  std::function<void(std::unique_ptr<_TWSocket>)> onAccept;

 private:
  EventLoop& loop_;
  _TWSocket socket_;
  std::string port_;
};

}  // namespace norvane::test
