#include "support/dnsmasq_peer.h"

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
#include <cctype>
#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace norvane::test {

namespace {

constexpr int kLaunchAttempts = 5;
constexpr auto kStartBudget = std::chrono::seconds(10);

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
    throw std::runtime_error("DnsmasqPeer: not an IPv4 address: " + address);
  }
  return sa;
}

// A port free for both UDP and TCP right now (dnsmasq listens on both). Another
// process may still take it before dnsmasq binds; Launch then retries.
uint16_t PickFreePort(const std::string& address) {
  for (;;) {
    Fd udp(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in sa = LoopbackAddress(address, 0);
    if (udp.get() < 0 || bind(udp.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
      throw std::runtime_error(std::string("DnsmasqPeer: cannot bind a UDP socket: ") + strerror(errno));
    }
    socklen_t length = sizeof sa;
    getsockname(udp.get(), reinterpret_cast<sockaddr*>(&sa), &length);
    Fd tcp(socket(AF_INET, SOCK_STREAM, 0));
    if (tcp.get() >= 0 && bind(tcp.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
      return ntohs(sa.sin_port);
    }
  }
}

std::string FindDnsmasq() {
  for (const char* candidate : {"/usr/sbin/dnsmasq", "/sbin/dnsmasq", "/usr/local/sbin/dnsmasq"}) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return "dnsmasq";  // left to the PATH search
}

// A query for an A record of "probe.test": any reply at all, a name error included,
// shows the server is up.
std::vector<uint8_t> ProbeQuery() {
  std::vector<uint8_t> q = {0x4E, 0x56, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0};
  for (const char* label : {"probe", "test"}) {
    q.push_back(static_cast<uint8_t>(strlen(label)));
    q.insert(q.end(), label, label + strlen(label));
  }
  q.insert(q.end(), {0, 0, 1, 0, 1});
  return q;
}

}  // namespace

DnsmasqPeer::DnsmasqPeer(std::vector<std::string> records, std::string address)
    : address_(std::move(address)) {
  for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
    if (Launch(records) && WaitUntilAnswering()) return;
    Stop();
  }
  std::string log;
  try {
    log = ReadFile(dir_.File("stderr"));
  } catch (const std::exception&) {
  }
  while (!log.empty() && std::isspace(static_cast<unsigned char>(log.back()))) log.pop_back();
  while (!log.empty() && std::isspace(static_cast<unsigned char>(log.front()))) log.erase(0, 1);
  throw std::runtime_error("DnsmasqPeer: dnsmasq did not start on " + address_ + ": " + log);
}

DnsmasqPeer::~DnsmasqPeer() {
  Stop();
}

std::string DnsmasqPeer::MxHost(const std::string& domain, const std::string& host, int preference) {
  return "--mx-host=" + domain + "," + host + "," + std::to_string(preference);
}

std::string DnsmasqPeer::Cname(const std::string& alias, const std::string& target) {
  return "--cname=" + alias + "," + target;
}

std::string DnsmasqPeer::Address(const std::string& host, const std::string& ip) {
  return "--address=/" + host + "/" + ip;
}

std::string DnsmasqPeer::HostRecord(const std::string& name, const std::string& ip) {
  return "--host-record=" + name + "," + ip;
}

bool DnsmasqPeer::Launch(const std::vector<std::string>& records) {
  port_ = PickFreePort(address_);
  std::vector<std::string> args = {
      FindDnsmasq(),       "--keep-in-foreground",         "--no-resolv",
      "--no-hosts",        "--conf-file=/dev/null",        "--pid-file",
      "--bind-interfaces", "--listen-address=" + address_, "--port=" + std::to_string(port_),
      "--local=/test/",
  };
  args.insert(args.end(), records.begin(), records.end());
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
    throw std::runtime_error(std::string("DnsmasqPeer: cannot run dnsmasq: ") + strerror(rc));
  }
  return true;
}

// Sends the probe until a reply comes, the process ends (a port taken in the
// meantime, bad options) or the time budget is spent.
bool DnsmasqPeer::WaitUntilAnswering() {
  Fd fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in sa = LoopbackAddress(address_, port_);
  if (fd.get() < 0 || connect(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return false;
  std::vector<uint8_t> query = ProbeQuery();
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + kStartBudget;
  auto nextProbe = Clock::now();
  while (Clock::now() < deadline) {
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    // Until dnsmasq binds, a probe meets a closed port and the next receive fails at once;
    // probing at most every 20 ms keeps that from turning into a busy loop.
    if (Clock::now() >= nextProbe) {
      (void)send(fd.get(), query.data(), query.size(), 0);
      nextProbe = Clock::now() + std::chrono::milliseconds(20);
    }
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextProbe - Clock::now()).count();
    pollfd p{fd.get(), POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(std::max<long>(wait, 1))) > 0) {
      uint8_t reply[512];
      ssize_t n = recv(fd.get(), reply, sizeof reply, 0);
      if (n >= 12 && reply[0] == query[0] && reply[1] == query[1]) return true;
    }
  }
  return false;
}

void DnsmasqPeer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace norvane::test
