// A real DNS server for tests: dnsmasq in the foreground on a loopback address and a
// free UDP port, answering only from the records the test gives it. Names under
// "test." that it has no record for get a name error; it never forwards anything.
//
//   DnsmasqPeer dns({DnsmasqPeer::MxHost("a.test", "mx1.a.test", 10),
//                    DnsmasqPeer::Cname("alias.test", "a.test")});
//   resolver.Addr = dns.address(); resolver.Port = dns.portText();
//
// The constructor returns once the server answers queries and throws
// std::runtime_error (with dnsmasq's own complaint) when it cannot be started;
// the destructor stops it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace norvane::test {

class DnsmasqPeer {
 public:
  // `records` are dnsmasq options, most easily made by the helpers below.
  explicit DnsmasqPeer(std::vector<std::string> records = {}, std::string address = "127.0.0.1");
  ~DnsmasqPeer();
  DnsmasqPeer(const DnsmasqPeer&) = delete;
  DnsmasqPeer& operator=(const DnsmasqPeer&) = delete;

  const std::string& address() const { return address_; }
  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }
  // What dnsmasq wrote to its standard error: with the records "--log-queries"
  // and "--log-facility=-", one "query[MX] name from ..." line per question.
  std::string LogText() const;

  // Several MX records of one domain are answered in the reverse of the order given.
  static std::string MxHost(const std::string& domain, const std::string& host, int preference);
  static std::string Cname(const std::string& alias, const std::string& target);
  static std::string Address(const std::string& host, const std::string& ip);
  // A name with an address and no MX record.
  static std::string HostRecord(const std::string& name, const std::string& ip);

 private:
  void Launch(const std::vector<std::string>& records);
  bool WaitUntilAnswering();

  std::string address_;
  uint16_t port_ = 0;
  TempDir dir_;  // dnsmasq's stderr, for the error message
  ChildProcess child_;
};

}  // namespace norvane::test
