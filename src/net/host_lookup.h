// Asynchronous host-name lookups through c-ares, driven by an EventLoop (no threads).
//
// By default the resolver follows /etc/resolv.conf and /etc/hosts. The servers can be replaced
// process-wide (tests and the sandbox point them at a DNS server on loopback); every lookup started
// afterwards uses them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"

namespace norvane {

struct HostLookupResult {
  uint16_t error = 0;                  // 0 or a Windows Sockets number (11001 host not found, ...)
  std::vector<std::string> addresses;  // forward lookups: every IPv4 address, dotted, in answer order
  std::string name;                    // reverse lookups: the host name
  uint32_t ttl = 0;                    // forward lookups: the smallest time to live, in seconds
};

// Replaces the DNS servers for all later lookups: "127.0.0.1:5353" or a comma-separated list.
// With useHostsFile false the hosts file is skipped too, so every name goes to those servers.
void SetResolverServers(const std::string& serversCsv, bool useHostsFile = false);
// Back to /etc/resolv.conf and /etc/hosts.
void ResetResolverServers();

// One lookup at a time on a loop. The completion is delivered from the loop, never inside Start;
// destroying the object or Cancel() drops a pending lookup without a completion. The resolver
// configuration is read at the first lookup and kept for the object's life, until
// SetResolverServers or ResetResolverServers replaces it.
class HostLookup {
 public:
  using Done = std::function<void(const HostLookupResult&)>;

  explicit HostLookup(EventLoop& loop);
  ~HostLookup();
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;

  // Name to IPv4 addresses. Returns 0, or a Windows Sockets number when the lookup cannot start.
  int StartByName(const std::string& name, Done done);
  // IPv4 address (network byte order) to name.
  int StartByAddress(uint32_t address, Done done);
  void Cancel();
  bool Pending() const { return pending_; }

 private:
  int Open();
  void Close();
  void Rearm();
  void OnSocketState(int fd, bool readable, bool writable);
  void Complete(HostLookupResult result);
  // Takes `done` for the lookup about to start; returns how c-ares's answer reaches it: always
  // through the loop, and never once this lookup was cancelled or the object released.
  std::function<void(HostLookupResult)> BeginLookup(Done done);
  static void SocketStateThunk(void* data, int fd, int readable, int writable);

  EventLoop& loop_;
  void* channel_ = nullptr;         // ares_channel, kept across lookups
  uint64_t channelGeneration_ = 0;  // of the resolver servers it was built for
  bool pending_ = false;
  std::vector<int> fds_;
  EventLoop::TimerId timer_ = 0;
  Done done_;
  uint64_t generation_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A blocking name lookup (runs a private loop until the answer arrives), for the synchronous
// resolve path. Honours SetResolverServers.
HostLookupResult LookupHostBlocking(const std::string& name);

// c-ares status to Windows Sockets number.
uint16_t WSocketErrorFromAres(int status);

}  // namespace norvane
