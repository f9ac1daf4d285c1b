#include "platform/system_dns.h"

#include <arpa/inet.h>

#include <fstream>
#include <sstream>

namespace norvane {

namespace {

std::string Join(const std::vector<std::string>& servers) {
  std::string joined;
  for (const std::string& server : servers) {
    if (!joined.empty()) joined += ' ';
    joined += server;
  }
  return joined;
}

}  // namespace

std::vector<std::string> ReadNameServers(const std::string& path) {
  std::vector<std::string> servers;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string keyword, address;
    if (!(words >> keyword >> address) || keyword != "nameserver") continue;
    in_addr parsed;
    if (inet_pton(AF_INET, address.c_str(), &parsed) == 1) servers.push_back(address);
  }
  return servers;
}

std::string TransientNameServer(const SystemDnsPaths& paths) {
  return Join(ReadNameServers(paths.transient));
}

std::string ParametersNameServer(const SystemDnsPaths& paths) {
  return Join(ReadNameServers(paths.parameters));
}

}  // namespace norvane
