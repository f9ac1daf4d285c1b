#include "support/dnsmasq_peer.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "support/loopback_port.h"

namespace norvane::test {

namespace {

constexpr int kLaunchAttempts = 5;
constexpr auto kStartBudget = std::chrono::seconds(10);

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
    Launch(records);
    if (WaitUntilAnswering()) return;
    child_.Stop();
  }
  std::string log = child_.StderrText();
  while (!log.empty() && std::isspace(static_cast<unsigned char>(log.back()))) log.pop_back();
  while (!log.empty() && std::isspace(static_cast<unsigned char>(log.front()))) log.erase(0, 1);
  throw std::runtime_error("DnsmasqPeer: dnsmasq did not start on " + address_ + ": " + log);
}

DnsmasqPeer::~DnsmasqPeer() {
  child_.Stop();
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

void DnsmasqPeer::Launch(const std::vector<std::string>& records) {
  port_ = PickFreeUdpAndTcpPort(address_);
  std::vector<std::string> args = {
      FindProgram({"/usr/sbin/dnsmasq", "/sbin/dnsmasq", "/usr/local/sbin/dnsmasq"}, "dnsmasq"),
      "--keep-in-foreground",
      "--no-resolv",
      "--no-hosts",
      "--conf-file=/dev/null",
      "--pid-file",
      "--bind-interfaces",
      "--listen-address=" + address_,
      "--port=" + std::to_string(port_),
      "--local=/test/",
  };
  args.insert(args.end(), records.begin(), records.end());
  child_.Start(std::move(args), dir_.File("stderr"));
}

// Sends the probe until a reply comes, the process ends (a port taken in the
// meantime, bad options) or the time budget is spent.
bool DnsmasqPeer::WaitUntilAnswering() {
  ScopedFd fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in sa = Ipv4Address(address_, port_);
  if (fd.get() < 0 || connect(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return false;
  std::vector<uint8_t> query = ProbeQuery();
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + kStartBudget;
  auto nextProbe = Clock::now();
  while (Clock::now() < deadline) {
    if (child_.Exited()) return false;
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

std::string DnsmasqPeer::LogText() const {
  return child_.StderrText();
}

}  // namespace norvane::test
