#include "support/tls_echo_peer.h"

#include <chrono>
#include <stdexcept>
#include <utility>

#include "support/loopback_port.h"

namespace norvane::test {

TlsEchoPeer::TlsEchoPeer(const TestCertificate& cert, std::string address) : address_(std::move(address)) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    port_ = PickFreeTcpPort(address_);
    child_.Start({"openssl", "s_server", "-quiet", "-rev", "-accept", address_ + ":" + std::to_string(port_),
                  "-cert", cert.certFile, "-key", cert.keyFile},
                 dir_.File("stderr"));
    // The readiness probe is a connection without TLS; s_server notes the failure and serves on.
    if (WaitUntilAccepting(child_, Ipv4Address(address_, port_), std::chrono::seconds(10))) return;
    child_.Stop();
  }
  throw std::runtime_error("openssl s_server did not start: " + child_.StderrText());
}

TlsEchoPeer::~TlsEchoPeer() {
  child_.Stop();
}

}  // namespace norvane::test
