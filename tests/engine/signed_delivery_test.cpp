// A whole run with DKIM signing and MIME encoding on, into a real SMTP server
// (smtp-sink) found through a real DNS server (dnsmasq): every copy that
// arrives verifies with dkimpy, a verifier we did not write.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/relay_server.h"
#include "engine_run.h"
#include "net/host_lookup.h"
#include "smtp/dkim_key.h"
#include "smtp/dkim_signer.h"
#include "support/dnsmasq_peer.h"
#include "support/python_run.h"
#include "support/smtp_sink_peer.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using test::DnsmasqPeer;
using test::EngineRun;
using test::SmtpSinkPeer;

// smtp-sink stores LF line ends; dkimpy wants the CR LF of the wire back.
constexpr char kVerifyScript[] = R"(
import sys, dkim
record = open(sys.argv[1], 'rb').read()
failed = 0
for path in sys.argv[2:]:
    raw = open(path, 'rb').read().replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
    if not dkim.verify(raw, dnsfunc=lambda name, timeout=5: record):
        print(path, 'FAILED')
        failed += 1
print('%d of %d verified' % (len(sys.argv) - 2 - failed, len(sys.argv) - 2))
sys.exit(1 if failed else 0)
)";

TEST(SignedDelivery, EveryCopyOfARunVerifies) {
  SmtpSinkPeer sink({}, "127.0.0.2");
  DnsmasqPeer dns({DnsmasqPeer::MxHost("signed.test", "mx.signed.test", 10),
                   DnsmasqPeer::Address("mx.signed.test", "127.0.0.2")});
  SetResolverServers(dns.address() + ":" + dns.portText());
  test::TempDir dir;
  test::WriteFile(dir.File("Pr\xe4sentation.bin"), std::string(5000, '\x01') + ".\r\n.\r\n");

  EventLoop loop{SystemClock()};
  EngineRun run(loop);
  run.server.SetDns(dns.address());
  run.server.DnsPort = dns.portText();
  run.server.Port = sink.portText();
  run.server.SetTimeOut(30);
  run.server.SetConnections(4);
  run.server.HeaderFrom = "Zo\xeb <sender@norvane.test>";
  run.server.Setsubject("Pr\xe4sentation \x80 5");
  run.server.Setbody(
      {"Gr\xfc\xdf"
       "e,",
       ".", "..two", "line with trailing blanks   ", "", ""});
  run.server.SetAttachments({dir.File("Pr\xe4sentation.bin")});
  const DkimKey key = DkimKey::Generate(DkimAlgorithm::kRsaSha256);
  run.server.Format.MimeEncoding = true;
  run.server.Format.Signer = std::make_shared<DkimSigner>("norvane.test", "s1", key);
  std::vector<std::string> addresses;
  for (int i = 0; i < 20; ++i) addresses.push_back("user" + std::to_string(i) + "@signed.test");
  run.Recipients(addresses);
  run.server.Start();
  const bool finished = run.UntilFinished(60000);
  ResetResolverServers();
  ASSERT_TRUE(finished);
  for (const auto& [index, outcome] : run.outcomes) EXPECT_EQ(outcome.err, kResultDelivered) << index;

  std::vector<std::string> args = {dir.File("record.txt")};
  test::WriteFile(args[0], "v=DKIM1; k=rsa; p=" + key.PublicKeyBase64());
  for (const std::string& file : sink.DumpFiles()) args.push_back(file);
  ASSERT_EQ(args.size(), addresses.size() + 1);
  const test::PythonResult result = test::RunPython(kVerifyScript, args);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("20 of 20 verified"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace norvane
