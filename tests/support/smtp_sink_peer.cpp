#include "support/smtp_sink_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace norvane::test {

namespace {

constexpr int kLaunchAttempts = 5;
constexpr auto kStartBudget = std::chrono::seconds(10);
constexpr int kProbeIntervalMs = 20;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

sockaddr_in LoopbackAddress(const std::string& address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
    throw std::runtime_error("SmtpSinkPeer: not an IPv4 address: " + address);
  }
  return sa;
}

// A TCP port free right now; another process may take it before smtp-sink
// binds, and Launch then retries with another.
uint16_t PickFreePort(const std::string& address) {
  Fd tcp(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in sa = LoopbackAddress(address, 0);
  if (tcp.get() < 0 || bind(tcp.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    throw std::runtime_error(std::string("SmtpSinkPeer: cannot bind a TCP socket: ") + strerror(errno));
  }
  socklen_t length = sizeof sa;
  getsockname(tcp.get(), reinterpret_cast<sockaddr*>(&sa), &length);
  return ntohs(sa.sin_port);
}

std::string FindSmtpSink() {
  for (const char* candidate : {"/usr/sbin/smtp-sink", "/usr/local/sbin/smtp-sink"}) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return "smtp-sink";  // left to the PATH search
}

bool StartsWith(const std::string& text, std::size_t at, const char* prefix) {
  return text.compare(at, std::strlen(prefix), prefix) == 0;
}

}  // namespace

SmtpSinkPeer::SmtpSinkPeer(std::vector<std::string> options, std::string address, uint16_t port)
    : address_(std::move(address)), fixedPort_(port) {
  for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
    if (Launch(options) && WaitUntilAccepting()) return;
    Stop();
  }
  std::string log;
  try {
    log = ReadFile(dir_.File("stderr"));
  } catch (const std::exception&) {
  }
  throw std::runtime_error("SmtpSinkPeer: smtp-sink did not start on " + address_ + ": " + log);
}

SmtpSinkPeer::~SmtpSinkPeer() {
  Stop();
}

bool SmtpSinkPeer::Launch(const std::vector<std::string>& options) {
  port_ = fixedPort_ != 0 ? fixedPort_ : PickFreePort(address_);
  std::vector<std::string> args = {FindSmtpSink()};
  // As root smtp-sink insists on a user to run as.
  if (geteuid() == 0) args.insert(args.end(), {"-u", "root"});
  args.insert(args.end(), {"-d", dir_.File("msg/%H%M%S.")});
  args.insert(args.end(), options.begin(), options.end());
  args.push_back(address_ + ":" + std::to_string(port_));
  args.push_back("64");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string log = dir_.File("stderr");
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  int rc = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error(std::string("SmtpSinkPeer: cannot run smtp-sink: ") + strerror(rc));
  }
  return true;
}

// Connects until one succeeds, the process ends (the port taken in the
// meantime, bad options) or the time budget is spent; a refused connect on
// loopback returns at once, so attempts are spaced by a short poll.
bool SmtpSinkPeer::WaitUntilAccepting() {
  const sockaddr_in sa = LoopbackAddress(address_, port_);
  const auto deadline = std::chrono::steady_clock::now() + kStartBudget;
  while (std::chrono::steady_clock::now() < deadline) {
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) return false;
    if (connect(fd.get(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return true;
    poll(nullptr, 0, kProbeIntervalMs);
  }
  return false;
}

void SmtpSinkPeer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
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
