// Runs the delivery engine against one server, as a run of the program
// would, for bench/reliability.sh: several rounds in one process, each a full
// run from Start to OnFinished, and prints per round how every recipient
// ended (outcome code and count), the wall time, and the process's open
// descriptors and resident memory, measured before the first round and after
// each one, once the engine is destroyed, so growth from round to round shows.
// Every address it is given must be on 127.0.0.0/8.
//
//   engine_probe (--gateway ADDR | --dns ADDR --dns-port P) --port P [--domain D]
//                [--count N] [--connections C] [--timeout S] [--rounds R]
//                [--body-bytes B] [--limit SECONDS]
//
// Output lines: "baseline fds=F rss_kb=K", then per round "round=I seconds=S
// fds=F rss_kb=K outcomes=CODE:COUNT,...", and "hang" when a round outlives
// --limit (it is then aborted; exit status 3).
#include <dirent.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/relay_server.h"

using namespace norvane;

namespace {

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') ++count;
    }
    closedir(dir);
    --count;  // the one opendir holds
  }
  return count;
}

// Resident memory once freed memory went back to the system.
long ResidentKb() {
  malloc_trim(0);
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

struct Options {
  std::string gateway, dns, dnsPort = "53", port = "25", domain = "hostile.test";
  int count = 50, connections = 10, timeout = 2, rounds = 3, bodyBytes = 1024, limit = 120;
};

// One run; false when it outlived the limit.
bool RunRound(const Options& o, std::map<int, int>& outcomes) {
  EventLoop& loop = EventLoop::Default();
  TSmtpRelayServer server(loop);
  server.From = "probe@norvane.test";
  server.HeaderFrom = "Probe <probe@norvane.test>";
  server.Signon = "norvane.test";
  if (!o.gateway.empty()) server.Setgateway(o.gateway);
  if (!o.dns.empty()) server.SetDns(o.dns);
  server.DnsPort = o.dnsPort;
  server.Port = o.port;
  server.SetConnections(o.connections);
  server.SetTimeOut(o.timeout);
  server.Setsubject("Reliability probe");
  std::vector<std::string> body;
  for (int written = 0; written < o.bodyBytes; written += 72) body.push_back(std::string(70, 'r'));
  server.Setbody(body);
  std::vector<TRecipientLine> recipients;
  for (int i = 0; i < o.count; ++i) recipients.push_back({"user" + std::to_string(i) + "@" + o.domain, i});
  server.SetRecipients(recipients);
  bool finished = false;
  server.OnEMailProcessed = [&](TSmtpRelayServer*, int, int err, const std::vector<std::string>&) {
    ++outcomes[err];
  };
  server.OnFinished = [&](TSmtpRelayServer*, bool) { finished = true; };

  server.Start();
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(o.limit);
  while (!finished && std::chrono::steady_clock::now() < limit) loop.RunOnce(100);
  if (finished) return true;
  server.Abort();
  const auto grace = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!finished && std::chrono::steady_clock::now() < grace) loop.RunOnce(100);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    auto number = [&] { return std::atoi(value.c_str()); };
    if (key == "--gateway")
      o.gateway = value;
    else if (key == "--dns")
      o.dns = value;
    else if (key == "--dns-port")
      o.dnsPort = value;
    else if (key == "--port")
      o.port = value;
    else if (key == "--domain")
      o.domain = value;
    else if (key == "--count")
      o.count = number();
    else if (key == "--connections")
      o.connections = number();
    else if (key == "--timeout")
      o.timeout = number();
    else if (key == "--rounds")
      o.rounds = number();
    else if (key == "--body-bytes")
      o.bodyBytes = number();
    else if (key == "--limit")
      o.limit = number();
    else {
      std::fprintf(stderr, "engine_probe: unknown option %s\n", key.c_str());
      return 2;
    }
  }
  EventLoop::Default();  // the loop's own descriptors belong to the baseline
  std::printf("baseline fds=%d rss_kb=%ld\n", OpenDescriptors(), ResidentKb());
  std::fflush(stdout);
  for (int round = 1; round <= o.rounds; ++round) {
    std::map<int, int> outcomes;
    const auto start = std::chrono::steady_clock::now();
    bool inTime = false;
    try {
      inTime = RunRound(o, outcomes);
    } catch (const std::exception& e) {
      std::printf("error %s\n", e.what());
      return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Sessions are freed from the loop once nothing of them is on the stack.
    for (int i = 0; i < 10; ++i) EventLoop::Default().RunOnce(10);
    std::string codes;
    for (const auto& [code, count] : outcomes) {
      codes += (codes.empty() ? "" : ",") + std::to_string(code) + ":" + std::to_string(count);
    }
    std::printf("round=%d seconds=%.2f fds=%d rss_kb=%ld outcomes=%s\n", round, seconds, OpenDescriptors(),
                ResidentKb(), codes.c_str());
    std::fflush(stdout);
    if (!inTime) {
      std::printf("hang\n");
      return 3;
    }
  }
  return 0;
}
