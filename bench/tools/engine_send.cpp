// Sends N copies of one message through the delivery engine, as a run of the
// program would, and prints the wall time and the rate. Used by
// bench/engine_throughput.sh and bench/engine_memory.sh; every address it is
// given must be on 127.0.0.0/8.
//
//   engine_send --dns 127.0.0.1 --dns-port P --resolver 127.0.0.1:P --port P
//               --domain D --count N --connections C [--attachment FILE] [--body-bytes B]
//               [--gateway ADDR] [--tls none|opportunistic|starttls|implicit] [--ca-file F]
//               [--user U --password P] [--domains N] [--cache 0|1] [--reuse 0|1]
//               [--per-session N] [--domain-connections K]
// With --domains N the recipients are spread round-robin over dN.D for d = 0..N-1
// (the DNS server needs an MX record for each).
// The line printed ends with the process's own CPU time per message, which tells the engine's
// share of a run from the server's.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/relay_server.h"
#include "net/host_lookup.h"

using namespace norvane;

int main(int argc, char** argv) {
  std::string dns = "127.0.0.1", dnsPort = "53", resolver, port = "25", domain = "bench.test", attachment;
  std::string gateway, tls = "none", caFile, user, password;
  int count = 1000, connections = 50, bodyBytes = 1024, domains = 0, perSession = 100, domainConnections = 0;
  bool cache = false, reuse = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string key = argv[i], value = argv[i + 1];
    if (key == "--dns")
      dns = value;
    else if (key == "--dns-port")
      dnsPort = value;
    else if (key == "--resolver")
      resolver = value;
    else if (key == "--port")
      port = value;
    else if (key == "--domain")
      domain = value;
    else if (key == "--count")
      count = std::atoi(value.c_str());
    else if (key == "--connections")
      connections = std::atoi(value.c_str());
    else if (key == "--attachment")
      attachment = value;
    else if (key == "--body-bytes")
      bodyBytes = std::atoi(value.c_str());
    else if (key == "--gateway")
      gateway = value;
    else if (key == "--tls")
      tls = value;
    else if (key == "--ca-file")
      caFile = value;
    else if (key == "--user")
      user = value;
    else if (key == "--password")
      password = value;
    else if (key == "--domains")
      domains = std::atoi(value.c_str());
    else if (key == "--cache")
      cache = value == "1";
    else if (key == "--reuse")
      reuse = value == "1";
    else if (key == "--per-session")
      perSession = std::atoi(value.c_str());
    else if (key == "--domain-connections")
      domainConnections = std::atoi(value.c_str());
    else {
      std::fprintf(stderr, "engine_send: unknown option %s\n", key.c_str());
      return 2;
    }
  }
  if (!resolver.empty()) SetResolverServers(resolver);

  EventLoop& loop = EventLoop::Default();
  TSmtpRelayServer server(loop);
  server.From = "bench@norvane.test";
  server.HeaderFrom = "Bench <bench@norvane.test>";
  server.Signon = "norvane.test";
  server.SetDns(dns);
  server.DnsPort = dnsPort;
  server.Port = port;
  if (!gateway.empty()) server.Setgateway(gateway);
  const TSmtpTls mode = tls == "opportunistic" ? smtpTlsOpportunistic
                        : tls == "starttls"    ? smtpTlsStartTls
                        : tls == "implicit"    ? smtpTlsImplicit
                                               : smtpTlsNone;
  server.DirectTls = mode;
  server.GatewayTls = mode;
  server.CaFile = caFile;
  server.User = user;
  server.Password = password;
  server.SetConnections(connections);
  server.CacheAnswers = cache;
  server.ReuseSessions = reuse;
  server.MessagesPerSession = perSession;
  server.DomainConnections = domainConnections;
  server.SetTimeOut(60);
  server.Setsubject("Benchmark message");
  std::vector<std::string> body;
  for (int written = 0; written < bodyBytes; written += 72) body.push_back(std::string(70, 'x'));
  server.Setbody(body);
  if (!attachment.empty()) server.SetAttachments({attachment});
  std::vector<TRecipientLine> recipients;
  for (int i = 0; i < count; ++i) {
    const std::string to = domains > 0 ? "d" + std::to_string(i % domains) + "." + domain : domain;
    recipients.push_back({"user" + std::to_string(i) + "@" + to, i});
  }
  server.SetRecipients(recipients);

  int delivered = 0, failed = 0, firstError = 0;
  bool finished = false;
  server.OnGetData = [](TSmtpRelayServer*, int index, std::string& headerTo, std::string& subject,
                        std::vector<std::string>& lines) {
    // What the controller does per recipient, in small: personalise the texts.
    headerTo = "Recipient " + std::to_string(index) + " <" + headerTo + ">";
    subject += " #" + std::to_string(index);
    if (!lines.empty()) lines.front() = "Dear recipient " + std::to_string(index) + ",";
  };
  std::chrono::steady_clock::time_point lastOutcome;
  server.OnEMailProcessed = [&](TSmtpRelayServer*, int, int err, const std::vector<std::string>&) {
    if (err == 0)
      ++delivered;
    else {
      ++failed;
      if (firstError == 0) firstError = err;
    }
    lastOutcome = std::chrono::steady_clock::now();
  };
  server.OnFinished = [&](TSmtpRelayServer*, bool) { finished = true; };

  auto start = std::chrono::steady_clock::now();
  server.Start();
  while (!finished) loop.RunOnce(-1);
  // The rate counts to the last outcome: the engine raises OnFinished on a timer 100 ms after its
  // last session ends, which is a notification, not delivery work.
  const double seconds = std::chrono::duration<double>(lastOutcome - start).count();
  const double toFinished = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double cpu =
      usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::printf(
      "engine: %d delivered, %d failed (first error %d), %.3f s (%.3f s to OnFinished), %.1f msg/s, "
      "%.3f ms CPU/msg, max RSS %ld kB\n",
      delivered, failed, firstError, seconds, toFinished, count / seconds, 1000.0 * cpu / count,
      usage.ru_maxrss);
  return failed == 0 ? 0 : 1;
}
