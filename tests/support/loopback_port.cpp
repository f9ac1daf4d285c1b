#include "support/loopback_port.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace norvane::test {
namespace {

// A refused connect on loopback fails at once: the pause keeps the wait from spinning.
constexpr int kProbeIntervalMs = 20;

[[noreturn]] void ThrowBindError(const char* kind, const std::string& address) {
  throw std::runtime_error(std::string("cannot bind a ") + kind + " socket on " + address + ": " +
                           strerror(errno));
}

}  // namespace

ScopedFd::~ScopedFd() {
  if (fd_ >= 0) close(fd_);
}

sockaddr_in Ipv4Address(const std::string& address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
    throw std::runtime_error("not an IPv4 address: " + address);
  }
  return sa;
}

uint16_t PickFreeTcpPort(const std::string& address) {
  ScopedFd tcp(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in sa = Ipv4Address(address, 0);
  if (tcp.get() < 0 || bind(tcp.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    ThrowBindError("TCP", address);
  }
  socklen_t length = sizeof sa;
  getsockname(tcp.get(), reinterpret_cast<sockaddr*>(&sa), &length);
  return ntohs(sa.sin_port);
}

// The UDP port the system hands out may be taken for TCP; then another is tried.
uint16_t PickFreeUdpAndTcpPort(const std::string& address) {
  for (;;) {
    ScopedFd udp(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa = Ipv4Address(address, 0);
    if (udp.get() < 0 || bind(udp.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
      ThrowBindError("UDP", address);
    }
    socklen_t length = sizeof sa;
    getsockname(udp.get(), reinterpret_cast<sockaddr*>(&sa), &length);
    ScopedFd tcp(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (tcp.get() >= 0 && bind(tcp.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
      return ntohs(sa.sin_port);
    }
  }
}

bool WaitUntilAccepting(ChildProcess& child, const sockaddr_in& at, std::chrono::milliseconds budget) {
  const auto deadline = std::chrono::steady_clock::now() + budget;
  while (std::chrono::steady_clock::now() < deadline) {
    if (child.Exited()) return false;
    ScopedFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) return false;
    if (connect(fd.get(), reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0) return true;
    poll(nullptr, 0, kProbeIntervalMs);
  }
  return false;
}

}  // namespace norvane::test
