// The local sandbox as one object the command line and tests embed: a DNS
// server and an SMTP server on one loopback address, on the caller's event
// loop, storing mail into one folder (see dns_message.h, smtp_session.h,
// outcome_script.h and message_folder.h for what each part does).
//
//   SandboxOptions options;
//   options.folder = "/tmp/mail";            // ports 0: the system picks free ones
//   Sandbox sandbox(options);
//   sandbox.Start();                          // throws on a bad folder or a port in use
//   SetResolverServers("127.0.0.1:" + std::to_string(sandbox.dnsPort()));
//   ... send to port sandbox.smtpPort() ...
//   sandbox.Stop();
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/event_loop.h"

namespace norvane {

class MessageFolder;
class SandboxDnsServer;
class SandboxSmtpServer;

struct SandboxOptions {
  std::string address = "127.0.0.1";  // an IPv4 address; A queries are answered with it
  uint16_t dnsPort = 0;               // 0: any free port
  uint16_t smtpPort = 0;              // 0: any free port
  std::string folder = "sandbox-mail";
  std::string hostName = "sandbox.test";  // named in the SMTP greeting and replies
};

class Sandbox {
 public:
  explicit Sandbox(SandboxOptions options, EventLoop& loop = EventLoop::Default());
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // Creates the folder and starts both servers; throws std::runtime_error (or
  // ESocketException) with the reason, leaving nothing running.
  void Start();
  void Stop();
  bool running() const { return smtp_ != nullptr; }

  const SandboxOptions& options() const { return options_; }
  uint16_t dnsPort() const;
  uint16_t smtpPort() const;
  size_t smtpConnections() const;  // open SMTP connections
  std::string folderPath() const;
  std::string indexPath() const;

 private:
  SandboxOptions options_;
  EventLoop& loop_;
  std::unique_ptr<MessageFolder> folder_;
  std::unique_ptr<SandboxDnsServer> dns_;
  std::unique_ptr<SandboxSmtpServer> smtp_;
};

}  // namespace norvane
