// Ports and readiness checks for real peers on loopback addresses. A port picked here is only free
// at the moment it is picked: another process may take it before the peer binds it, so a peer's
// start retries with a fresh port when the peer exits.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "support/child_process.h"

namespace norvane::test {

// Closes the descriptor when it goes.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ~ScopedFd();
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Throws std::runtime_error when `address` is not a dotted IPv4 address.
sockaddr_in Ipv4Address(const std::string& address, uint16_t port);

uint16_t PickFreeTcpPort(const std::string& address);
// Free for UDP and TCP alike, for a peer that listens on both (a DNS server).
uint16_t PickFreeUdpAndTcpPort(const std::string& address);

// Connects to `at` until a connection is accepted (true), or `child` ends or `budget` is spent
// (false).
bool WaitUntilAccepting(ChildProcess& child, const sockaddr_in& at, std::chrono::milliseconds budget);

}  // namespace norvane::test
