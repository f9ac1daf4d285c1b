// A real SOCKS 4/5 proxy for tests: danted in the foreground on 127.0.0.1 and a free port,
// accepting only loopback clients and loopback destinations.
//
//   DantedPeer proxy;                                   // no authentication
//   DantedPeer proxy(DantedPeer::WithUser("alice", "s3cret"));  // SOCKS 5 user name + password
//   socket.SetSocksServer(proxy.address()); socket.SetSocksPort(proxy.portText());
//
// User-name authentication checks the system password files, so the proxy then runs in a private
// mount namespace where /etc/passwd and /etc/shadow are replaced by test copies holding that one
// extra user; the real files are never touched. Only the password "s3cret" is available (its hash
// is fixed here). The constructor returns once the proxy accepts connections and throws
// std::runtime_error with danted's own complaint when it cannot be started.
#pragma once

#include <cstdint>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace norvane::test {

class DantedPeer {
 public:
  struct Options {
    std::string user;      // empty: no authentication
    std::string password;  // must be kPassword
  };
  static constexpr const char* kPassword = "s3cret";
  static Options WithUser(std::string user, std::string password) {
    return {std::move(user), std::move(password)};
  }

  explicit DantedPeer(Options options = {});
  ~DantedPeer();
  DantedPeer(const DantedPeer&) = delete;
  DantedPeer& operator=(const DantedPeer&) = delete;

  std::string address() const { return "127.0.0.1"; }
  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }

 private:
  void Launch();

  Options options_;
  uint16_t port_ = 0;
  TempDir dir_;
  ChildProcess child_;
};

}  // namespace norvane::test
