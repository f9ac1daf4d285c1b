// A real SMTP server with STARTTLS, TLS from the first byte and AUTH PLAIN/LOGIN for tests:
// aiosmtpd (python3-aiosmtpd) run by smtp_tls_peer.py on a loopback address and a free port.
//
//   SmtpTlsPeer peer("starttls", cert, "ann", "secret");
//   client.SetHost(peer.address()); client.SetPort(peer.portText());
//   ... run the loop ...
//   peer.Messages()[0].content, .meta (JSON: mail_from, rcpt_tos, mail_options, tls, auth)
//
// Modes: "starttls" (offered), "require-starttls" (mail refused without it), "implicit" (TLS from
// the first byte), "plain" (no TLS offered).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace norvane::test {

class SmtpTlsPeer {
 public:
  struct Options {
    std::string mode = "starttls";
    TestCertificate cert;  // needed for every mode but "plain"
    std::string user;      // AUTH offered when not empty
    std::string password;
    std::string excludeAuth;  // a mechanism not to offer ("PLAIN" leaves LOGIN)
    std::string address = "127.0.0.42";
    uint16_t port = 0;  // 0 picks a free one
  };
  struct Message {
    std::string content;  // the bytes received, CR LF line ends, dot-stuffing undone
    std::string meta;     // the JSON line written beside it
  };

  explicit SmtpTlsPeer(Options options);
  explicit SmtpTlsPeer(std::string mode, TestCertificate cert = {}, std::string user = {},
                       std::string password = {}, std::string excludeAuth = {})
      : SmtpTlsPeer(Options{std::move(mode), std::move(cert), std::move(user), std::move(password),
                            std::move(excludeAuth), "127.0.0.42", 0}) {}
  ~SmtpTlsPeer();
  SmtpTlsPeer(const SmtpTlsPeer&) = delete;
  SmtpTlsPeer& operator=(const SmtpTlsPeer&) = delete;

  const std::string& address() const { return options_.address; }
  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }
  // Complete messages received so far, in arrival order.
  std::vector<Message> Messages() const;
  std::size_t MessageCount() const;
  std::string Log() const { return child_.StderrText(); }

 private:
  Options options_;
  uint16_t port_ = 0;
  TempDir dir_;
  ChildProcess child_;
};

}  // namespace norvane::test
