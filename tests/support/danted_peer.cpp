#include "support/danted_peer.h"

#include <chrono>
#include <stdexcept>
#include <utility>
#include <vector>

#include "support/loopback_port.h"

namespace norvane::test {
namespace {

constexpr int kLaunchAttempts = 3;
constexpr auto kStartBudget = std::chrono::seconds(10);
// SHA-512 crypt of DantedPeer::kPassword with the salt "norvane".
constexpr const char* kPasswordHash =
    "$6$norvane$Ox47GFkc6PvJjcyXo4X/FPzqErt6ZaTpmM/xi/avWwJ.B52Qvfdu9zrk3u/BQsxS2PXJet7Zcrw5XdSP2kG8c0";

std::string FindDanted() {
  return FindProgram({"/usr/sbin/danted", "/sbin/danted", "/usr/local/sbin/danted"}, "danted");
}

}  // namespace

DantedPeer::DantedPeer(Options options) : options_(std::move(options)) {
  if (!options_.user.empty() && options_.password != kPassword) {
    throw std::invalid_argument("DantedPeer: only the password DantedPeer::kPassword is available");
  }
  for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
    Launch();
    if (WaitUntilAccepting(child_, Ipv4Address(address(), port_), kStartBudget)) return;
    child_.Stop();
  }
  throw std::runtime_error("DantedPeer: danted did not start: " + child_.StderrText());
}

DantedPeer::~DantedPeer() {
  child_.Stop();
}

void DantedPeer::Launch() {
  port_ = PickFreeTcpPort(address());
  bool auth = !options_.user.empty();
  std::string config =
      "logoutput: stderr\n"
      "internal: 127.0.0.1 port = " +
      std::to_string(port_) +
      "\n"
      "external: 127.0.0.1\n"
      "clientmethod: none\n"
      "socksmethod: " +
      std::string(auth ? "username" : "none") +
      "\n"
      "user.privileged: root\n"
      "user.unprivileged: nobody\n"
      "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n}\n"
      "socks pass {\n  from: 127.0.0.0/8 to: 127.0.0.0/8\n  command: connect\n}\n"
      "socks block {\n  from: 0.0.0.0/0 to: 0.0.0.0/0\n}\n";
  WriteFile(dir_.File("danted.conf"), config);

  std::vector<std::string> args;
  if (auth) {
    // The proxy checks passwords against the system files: give it private copies with the test
    // user added, bind-mounted in a mount namespace of its own.
    std::string passwd =
        ReadFile("/etc/passwd") + options_.user + ":x:4242:4242::/nonexistent:/usr/sbin/nologin\n";
    std::string shadow;
    try {
      shadow = ReadFile("/etc/shadow");
    } catch (const std::exception&) {
    }
    shadow += options_.user + ":" + kPasswordHash + ":19000:0:99999:7:::\n";
    WriteFile(dir_.File("passwd"), passwd);
    WriteFile(dir_.File("shadow"), shadow);
    std::string script = "mount --bind '" + dir_.File("passwd") + "' /etc/passwd && mount --bind '" +
                         dir_.File("shadow") + "' /etc/shadow && exec '" + FindDanted() + "' -f '" +
                         dir_.File("danted.conf") + "'";
    args = {"unshare", "-m", "--propagation", "private", "/bin/sh", "-c", script};
  } else {
    args = {FindDanted(), "-f", dir_.File("danted.conf")};
  }
  // Its own process group, so that stopping it also stops the helper processes it forks.
  child_.Start(std::move(args), dir_.File("stderr"), /*ownProcessGroup=*/true);
}

}  // namespace norvane::test
