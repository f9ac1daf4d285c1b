// A private Postfix relay for tests, started and stopped by the test (PEERS.md): its own
// configuration and queue in a temporary folder, smtpd on a loopback address offering STARTTLS
// with the given certificate, relaying mail from 127.0.0.0/8 to one next hop in plain text. The
// system's Postfix service is never touched. Postfix's master must run as root.
//
//   test::SmtpSinkPeer sink({}, "127.0.0.52");
//   test::PostfixRelayPeer relay(cert, sink.address(), sink.port());
//   ... send to relay.address():relay.port() ...
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace norvane::test {

class PostfixRelayPeer {
 public:
  // Returns once smtpd accepts connections; throws std::runtime_error with Postfix's complaint.
  PostfixRelayPeer(const TestCertificate& cert, const std::string& nextHost, uint16_t nextPort,
                   std::string address = "127.0.0.51");
  ~PostfixRelayPeer();
  PostfixRelayPeer(const PostfixRelayPeer&) = delete;
  PostfixRelayPeer& operator=(const PostfixRelayPeer&) = delete;

  const std::string& address() const { return address_; }
  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }
  // Postfix's mail log so far.
  std::string Log() const;

 private:
  std::string address_;
  uint16_t port_ = 0;
  TempDir dir_;
  ChildProcess child_;
};

// Waits, without polling, until `done` holds after some change in `folder` (or at once); false
// when `budget` passes first.
bool WaitForFolder(const std::string& folder, const std::function<bool()>& done,
                   std::chrono::milliseconds budget);

}  // namespace norvane::test
