// The sandbox's DNS server: one UDP socket on the loop, answering every query
// as dns_message.h describes. Malformed datagrams get no answer.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "net/wsocket.h"

namespace norvane {

class SandboxDnsServer {
 public:
  explicit SandboxDnsServer(EventLoop& loop = EventLoop::Default());

  // Binds `address`:`port` (0 = a free port the system picks) and answers A
  // queries with `aAddress`. Throws ESocketException when it cannot bind.
  void Start(const std::string& address, uint16_t port, const std::array<uint8_t, 4>& aAddress);
  void Stop();
  uint16_t port() const { return port_; }
  uint64_t answered() const { return answered_; }

 private:
  void OnDatagram();

  _TWSocket socket_;
  std::array<uint8_t, 4> aAddress_{};
  uint16_t port_ = 0;
  uint64_t answered_ = 0;
};

}  // namespace norvane
