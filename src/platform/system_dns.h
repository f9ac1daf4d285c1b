// The system's DNS servers, for the engine's fallback when no server is configured:
// the "nameserver" lines of resolv.conf files. systemd-resolved's own file, listing
// the upstream servers it currently uses, is the transient source and is consulted
// first; /etc/resolv.conf is the lasting configuration. Paths are injectable for tests.
#pragma once

#include <string>
#include <vector>

namespace norvane {

struct SystemDnsPaths {
  std::string transient = "/run/systemd/resolve/resolv.conf";
  std::string parameters = "/etc/resolv.conf";
};

// The IPv4 addresses of the "nameserver" lines of one resolv.conf file, in file order.
// Nothing for a file that is missing or unreadable. IPv6 servers are left out: the
// resolver's socket speaks IPv4 only, and a server it cannot reach would leave every
// recipient waiting for the time-out.
std::vector<std::string> ReadNameServers(const std::string& path);

// The two sources as "NameServer" values: the addresses joined by single blanks, empty
// when the source yields none.
std::string TransientNameServer(const SystemDnsPaths& paths = {});
std::string ParametersNameServer(const SystemDnsPaths& paths = {});

}  // namespace norvane
