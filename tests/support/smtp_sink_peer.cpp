#include "support/smtp_sink_peer.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "support/loopback_port.h"

namespace norvane::test {

namespace {

constexpr int kLaunchAttempts = 5;
constexpr auto kStartBudget = std::chrono::seconds(10);

bool StartsWith(const std::string& text, std::size_t at, const char* prefix) {
  return text.compare(at, std::strlen(prefix), prefix) == 0;
}

}  // namespace

SmtpSinkPeer::SmtpSinkPeer(std::vector<std::string> options, std::string address, uint16_t port)
    : address_(std::move(address)), fixedPort_(port) {
  for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
    Launch(options);
    if (WaitUntilAccepting(child_, Ipv4Address(address_, port_), kStartBudget)) return;
    child_.Stop();
  }
  throw std::runtime_error("SmtpSinkPeer: smtp-sink did not start on " + address_ + ": " +
                           child_.StderrText());
}

SmtpSinkPeer::~SmtpSinkPeer() {
  child_.Stop();
}

void SmtpSinkPeer::Launch(const std::vector<std::string>& options) {
  port_ = fixedPort_ != 0 ? fixedPort_ : PickFreeTcpPort(address_);
  std::vector<std::string> args = {
      FindProgram({"/usr/sbin/smtp-sink", "/usr/local/sbin/smtp-sink"}, "smtp-sink")};
  // As root smtp-sink insists on a user to run as.
  if (geteuid() == 0) args.insert(args.end(), {"-u", "root"});
  args.insert(args.end(), {"-d", dir_.File("msg/%H%M%S.")});
  args.insert(args.end(), options.begin(), options.end());
  args.push_back(address_ + ":" + std::to_string(port_));
  args.push_back("64");
  child_.Start(std::move(args), dir_.File("stderr"));
}

std::vector<std::string> SmtpSinkPeer::DumpFiles() const {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.File("msg"), error)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string SmtpSinkPeer::MessageOf(const std::string& dumpText) {
  std::size_t at = 0;
  bool inReceived = false;
  while (at < dumpText.size()) {
    const bool own = StartsWith(dumpText, at, "X-Client-") || StartsWith(dumpText, at, "X-Helo-Args:") ||
                     StartsWith(dumpText, at, "X-Mail-Args:") || StartsWith(dumpText, at, "X-Rcpt-Args:");
    const bool received = StartsWith(dumpText, at, "Received:");
    const bool folded = inReceived && (dumpText[at] == '\t' || dumpText[at] == ' ');
    if (!own && !received && !folded) break;
    inReceived = received || folded;
    const std::size_t end = dumpText.find('\n', at);
    if (end == std::string::npos) return {};
    at = end + 1;
  }
  return dumpText.substr(at);
}

std::string SmtpSinkPeer::AsDumped(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    std::string copy = line;
    // The multipart header's fold is one list line holding CR LF TAB.
    for (std::size_t crlf; (crlf = copy.find("\r\n")) != std::string::npos;) copy.erase(crlf, 1);
    text += copy + "\n";
  }
  return text + "\n";
}

}  // namespace norvane::test
