#include "net/host_lookup.h"

#include <ares.h>
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

#include "net/socket_errors.h"

namespace norvane {
namespace {

struct ResolverOverride {
  bool active = false;
  std::string servers;
  bool useHostsFile = false;
  // Advances with every change, so channels built for older servers are rebuilt.
  uint64_t generation = 0;
};

ResolverOverride& Override() {
  static ResolverOverride o;
  return o;
}

void InitLibrary() {
  static const int status = ares_library_init(ARES_LIB_INIT_ALL);
  (void)status;
}

// One outstanding c-ares request; c-ares calls back exactly once for it, also when the channel is
// destroyed (ARES_EDESTRUCTION), so the request frees itself there.
struct Request {
  HostLookup* owner;
  std::weak_ptr<bool> alive;
  uint64_t generation;
  std::function<void(HostLookupResult)> deliver;
};

}  // namespace

uint16_t WSocketErrorFromAres(int status) {
  switch (status) {
    case ARES_SUCCESS:
      return 0;
    case ARES_ENOTFOUND:
    case ARES_ENONAME:
    case ARES_EBADNAME:
      return WSAHOST_NOT_FOUND;
    case ARES_ENODATA:
      return WSANO_DATA;
    case ARES_ETIMEOUT:
    case ARES_ESERVFAIL:
    case ARES_ECONNREFUSED:
    case ARES_EREFUSED:
      return WSATRY_AGAIN;
    case ARES_ECANCELLED:
    case ARES_EDESTRUCTION:
      return WSAEINTR;
    case ARES_ENOMEM:
      return WSAENOBUFS;
    default:
      return WSANO_RECOVERY;
  }
}

void SetResolverServers(const std::string& serversCsv, bool useHostsFile) {
  ResolverOverride& o = Override();
  o.active = true;
  o.servers = serversCsv;
  o.useHostsFile = useHostsFile;
  ++o.generation;
}

void ResetResolverServers() {
  ResolverOverride& o = Override();
  const uint64_t generation = o.generation;
  o = ResolverOverride{};
  o.generation = generation + 1;
}

HostLookup::HostLookup(EventLoop& loop) : loop_(loop) {}

HostLookup::~HostLookup() {
  *alive_ = false;
  Cancel();
  Close();
}

void HostLookup::SocketStateThunk(void* data, int fd, int readable, int writable) {
  static_cast<HostLookup*>(data)->OnSocketState(fd, readable != 0, writable != 0);
}

int HostLookup::Open() {
  InitLibrary();
  Cancel();
  const ResolverOverride& o = Override();
  // Building a channel re-reads the resolver configuration and sets up its tables, which costs
  // more than the lookup itself; so one channel serves every lookup of this object until the
  // servers are replaced.
  if (channel_ && channelGeneration_ == o.generation) return 0;
  Close();
  ares_options options{};
  options.sock_state_cb = &HostLookup::SocketStateThunk;
  options.sock_state_cb_data = this;
  int mask = ARES_OPT_SOCK_STATE_CB;
  char lookups[] = "b";
  if (o.active && !o.useHostsFile) {
    options.lookups = lookups;
    mask |= ARES_OPT_LOOKUPS;
  }
  ares_channel channel = nullptr;
  int status = ares_init_options(&channel, &options, mask);
  if (status != ARES_SUCCESS) return WSocketErrorFromAres(status);
  if (o.active) {
    status = ares_set_servers_ports_csv(channel, o.servers.c_str());
    if (status != ARES_SUCCESS) {
      ares_destroy(channel);
      return WSAEINVAL;
    }
  }
  channel_ = channel;
  channelGeneration_ = o.generation;
  return 0;
}

void HostLookup::Close() {
  if (timer_) loop_.CancelTimer(timer_);
  timer_ = 0;
  if (channel_) {
    ares_channel channel = static_cast<ares_channel>(channel_);
    channel_ = nullptr;
    ares_destroy(channel);  // fires the pending request with ARES_EDESTRUCTION, and closes sockets
  }
  for (int fd : fds_) loop_.Unwatch(fd);
  fds_.clear();
}

void HostLookup::Cancel() {
  ++generation_;
  done_ = nullptr;
  if (!pending_) return;
  pending_ = false;
  // Fires the outstanding request with ARES_ECANCELLED; with no query left c-ares closes its
  // sockets, so nothing of the abandoned lookup stays watched.
  if (channel_) ares_cancel(static_cast<ares_channel>(channel_));
  Rearm();
}

void HostLookup::OnSocketState(int fd, bool readable, bool writable) {
  if (!readable && !writable) {
    loop_.Unwatch(fd);
    std::erase(fds_, fd);
    return;
  }
  uint32_t events =
      (readable ? uint32_t{EventLoop::kReadable} : 0u) | (writable ? uint32_t{EventLoop::kWritable} : 0u);
  if (std::find(fds_.begin(), fds_.end(), fd) == fds_.end()) fds_.push_back(fd);
  loop_.Watch(fd, events, [this, fd](uint32_t ready) {
    if (!channel_) return;
    ares_socket_t r = (ready & (EventLoop::kReadable | EventLoop::kError)) ? fd : ARES_SOCKET_BAD;
    ares_socket_t w = (ready & EventLoop::kWritable) ? fd : ARES_SOCKET_BAD;
    ares_process_fd(static_cast<ares_channel>(channel_), r, w);
    Rearm();
  });
}

void HostLookup::Rearm() {
  if (timer_) loop_.CancelTimer(timer_);
  timer_ = 0;
  if (!channel_) return;
  timeval tv{};
  timeval* left = ares_timeout(static_cast<ares_channel>(channel_), nullptr, &tv);
  if (!left) return;
  uint32_t ms = static_cast<uint32_t>(left->tv_sec * 1000 + left->tv_usec / 1000 + 1);
  timer_ = loop_.AddTimer(ms, [this] {
    timer_ = 0;
    if (!channel_) return;
    ares_process_fd(static_cast<ares_channel>(channel_), ARES_SOCKET_BAD, ARES_SOCKET_BAD);
    Rearm();
  });
}

void HostLookup::Complete(HostLookupResult result) {
  // Runs from a posted event, never inside c-ares.
  Done done = std::move(done_);
  done_ = nullptr;
  pending_ = false;
  Rearm();
  if (done) done(result);
}

namespace {

void Deliver(Request* request, HostLookupResult result) {
  auto alive = request->alive.lock();
  if (alive && *alive) request->deliver(std::move(result));
  delete request;
}

void OnAddrInfo(void* arg, int status, int /*timeouts*/, ares_addrinfo* info) {
  auto* request = static_cast<Request*>(arg);
  HostLookupResult result;
  if (status == ARES_EDESTRUCTION || status == ARES_ECANCELLED) {
    if (info) ares_freeaddrinfo(info);
    delete request;
    return;
  }
  result.error = WSocketErrorFromAres(status);
  if (status == ARES_SUCCESS && info) {
    for (ares_addrinfo_node* node = info->nodes; node; node = node->ai_next) {
      if (node->ai_family != AF_INET || !node->ai_addr) continue;
      char text[INET_ADDRSTRLEN];
      const auto* sin = reinterpret_cast<const sockaddr_in*>(node->ai_addr);
      if (!inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text)) continue;
      const uint32_t ttl = node->ai_ttl > 0 ? static_cast<uint32_t>(node->ai_ttl) : 0;
      result.ttl = result.addresses.empty() ? ttl : std::min(result.ttl, ttl);
      result.addresses.emplace_back(text);
    }
    if (result.addresses.empty()) result.error = WSANO_DATA;
  }
  if (info) ares_freeaddrinfo(info);
  Deliver(request, std::move(result));
}

void OnHostByAddr(void* arg, int status, int /*timeouts*/, hostent* host) {
  auto* request = static_cast<Request*>(arg);
  if (status == ARES_EDESTRUCTION || status == ARES_ECANCELLED) {
    delete request;
    return;
  }
  HostLookupResult result;
  result.error = WSocketErrorFromAres(status);
  if (status == ARES_SUCCESS && host && host->h_name) result.name = host->h_name;
  Deliver(request, std::move(result));
}

}  // namespace

std::function<void(HostLookupResult)> HostLookup::BeginLookup(Done done) {
  done_ = std::move(done);
  pending_ = true;
  uint64_t generation = generation_;
  std::weak_ptr<bool> alive = alive_;
  return [this, generation, alive](HostLookupResult result) {
    // Always through the loop: c-ares may answer from the hosts file inside the starting call.
    loop_.Post([this, generation, alive, result = std::move(result)]() mutable {
      auto a = alive.lock();
      if (!a || !*a || generation != generation_) return;
      Complete(std::move(result));
    });
  };
}

int HostLookup::StartByName(const std::string& name, Done done) {
  if (int error = Open()) return error;
  auto* request = new Request{this, alive_, generation_, BeginLookup(std::move(done))};
  ares_addrinfo_hints hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
  // Sorting by destination (RFC 6724) opens and connects a throw-away socket per address, per
  // lookup; the answer's order is the one the callers want.
  hints.ai_flags = ARES_AI_NOSORT;
  ares_getaddrinfo(static_cast<ares_channel>(channel_), name.c_str(), nullptr, &hints, OnAddrInfo, request);
  Rearm();
  return 0;
}

int HostLookup::StartByAddress(uint32_t address, Done done) {
  if (int error = Open()) return error;
  auto* request = new Request{this, alive_, generation_, BeginLookup(std::move(done))};
  in_addr addr{};
  addr.s_addr = address;
  ares_gethostbyaddr(static_cast<ares_channel>(channel_), &addr, sizeof addr, AF_INET, OnHostByAddr, request);
  Rearm();
  return 0;
}

HostLookupResult LookupHostBlocking(const std::string& name) {
  EventLoop loop(SystemClock());
  HostLookup lookup(loop);
  bool finished = false;
  HostLookupResult result;
  if (int error = lookup.StartByName(name, [&](const HostLookupResult& r) {
        result = r;
        finished = true;
      })) {
    result.error = static_cast<uint16_t>(error);
    return result;
  }
  while (!finished) loop.RunOnce(-1);
  return result;
}

}  // namespace norvane
