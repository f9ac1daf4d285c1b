// The sandbox's SMTP server: a listening TCP socket on the loop and one
// SandboxSmtpSession per accepted connection, all sharing one MessageFolder.
// The session decides every reply; this class moves bytes, runs the scripted
// delays as loop timers (never sleeping), and closes connections that stay
// silent for five minutes (RFC 5321 4.5.3.2.7).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "net/wsocket.h"
#include "sandbox/message_folder.h"

namespace norvane {

class SandboxSmtpServer {
 public:
  static constexpr uint32_t kIdleTimeoutMs = 300'000;

  SandboxSmtpServer(MessageFolder& folder, std::string hostName, EventLoop& loop = EventLoop::Default());
  ~SandboxSmtpServer();
  SandboxSmtpServer(const SandboxSmtpServer&) = delete;
  SandboxSmtpServer& operator=(const SandboxSmtpServer&) = delete;

  // Listens on `address`:`port` (0 = a free port the system picks). Throws
  // ESocketException when it cannot.
  void Start(const std::string& address, uint16_t port);
  // Stops listening and drops every connection; messages in progress are discarded.
  void Stop();
  uint16_t port() const { return port_; }
  size_t connectionCount() const { return connections_.size(); }

 private:
  class Connection;
  void OnSessionAvailable();
  void Release(Connection* connection);

  MessageFolder& folder_;
  std::string hostName_;
  EventLoop& loop_;
  _TWSocket listener_;
  uint16_t port_ = 0;
  std::unordered_map<Connection*, std::unique_ptr<Connection>> connections_;
  std::unordered_map<std::string, unsigned> tryCounts_;  // of "tempfail-450-N" addresses
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace norvane
