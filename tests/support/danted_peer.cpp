#include "support/danted_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace norvane::test {
namespace {

constexpr int kLaunchAttempts = 3;
constexpr auto kStartBudget = std::chrono::seconds(10);
// SHA-512 crypt of DantedPeer::kPassword with the salt "norvane".
constexpr const char* kPasswordHash =
    "$6$norvane$Ox47GFkc6PvJjcyXo4X/FPzqErt6ZaTpmM/xi/avWwJ.B52Qvfdu9zrk3u/BQsxS2PXJet7Zcrw5XdSP2kG8c0";

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

uint16_t PickFreePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa = Loopback(0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    if (fd >= 0) close(fd);
    throw std::runtime_error(std::string("DantedPeer: cannot bind: ") + strerror(errno));
  }
  socklen_t length = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length);
  close(fd);
  return ntohs(sa.sin_port);
}

std::string FindDanted() {
  for (const char* candidate : {"/usr/sbin/danted", "/sbin/danted", "/usr/local/sbin/danted"}) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return "danted";
}

}  // namespace

DantedPeer::DantedPeer(Options options) : options_(std::move(options)) {
  if (!options_.user.empty() && options_.password != kPassword) {
    throw std::invalid_argument("DantedPeer: only the password DantedPeer::kPassword is available");
  }
  for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
    if (Launch() && WaitUntilAccepting()) return;
    Stop();
  }
  std::string log;
  try {
    log = ReadFile(dir_.File("stderr"));
  } catch (const std::exception&) {
  }
  throw std::runtime_error("DantedPeer: danted did not start: " + log);
}

DantedPeer::~DantedPeer() {
  Stop();
}

bool DantedPeer::Launch() {
  port_ = PickFreePort();
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
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string log = dir_.File("stderr");
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  // Its own process group, so that stopping it also stops the helper processes it forks.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  int rc = posix_spawnp(&pid_, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error(std::string("DantedPeer: cannot run danted: ") + strerror(rc));
  }
  return true;
}

bool DantedPeer::WaitUntilAccepting() {
  auto deadline = std::chrono::steady_clock::now() + kStartBudget;
  while (std::chrono::steady_clock::now() < deadline) {
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa = Loopback(port_);
    bool up = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    if (fd >= 0) close(fd);
    if (up) return true;
    poll(nullptr, 0, 20);  // pace the probes while danted starts
  }
  return false;
}

void DantedPeer::Stop() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGTERM);
  int status;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace norvane::test
