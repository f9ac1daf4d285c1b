// A real TLS server for socket tests: `openssl s_server -rev` on a loopback address and a free
// port. It takes one connection at a time and answers every line with the line reversed
// ("hello\n" -> "olleh\n"), so a test sees that bytes crossed the TLS session both ways.
#pragma once

#include <cstdint>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace norvane::test {

class TlsEchoPeer {
 public:
  // Serves `cert`; returns once the server accepts connections. Throws std::runtime_error.
  TlsEchoPeer(const TestCertificate& cert, std::string address = "127.0.0.42");
  ~TlsEchoPeer();
  TlsEchoPeer(const TlsEchoPeer&) = delete;
  TlsEchoPeer& operator=(const TlsEchoPeer&) = delete;

  const std::string& address() const { return address_; }
  std::string portText() const { return std::to_string(port_); }

 private:
  std::string address_;
  uint16_t port_ = 0;
  TempDir dir_;
  ChildProcess child_;
};

}  // namespace norvane::test
