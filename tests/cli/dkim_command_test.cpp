// norvane dkim keygen / check, the message settings in config, and what
// preview --raw and a sandbox run put on the wire once a key is set: read
// back by dkimpy and a real DNS server (dnsmasq), peers we did not write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"
#include "support/dnsmasq_peer.h"
#include "support/python_run.h"

namespace norvane {
namespace {

using test::CliRun;
using test::DnsmasqPeer;
using test::NorvaneCli;

// The quoted record value keygen printed.
std::string RecordValue(const std::string& out) {
  const std::size_t start = out.find("IN TXT \"");
  if (start == std::string::npos) return {};
  const std::size_t end = out.find('"', start + 8);
  return out.substr(start + 8, end - start - 8);
}

// A dnsmasq TXT record, its value cut into strings of 255 as a zone would hold it.
std::string TxtRecord(const std::string& name, const std::string& value) {
  std::string option = "--txt-record=" + name;
  // No shell between: dnsmasq would keep quotes as part of the text.
  for (std::size_t pos = 0; pos < value.size(); pos += 255) option += "," + value.substr(pos, 255);
  return option;
}

// Verifies every message file with dkimpy against one key record; CR LF line
// ends and the dot-stuffing of the wire undone first when asked.
constexpr char kVerifyScript[] = R"(
import sys, dkim
record = open(sys.argv[1], 'rb').read()
unstuff = sys.argv[2] == 'wire'
failed = 0
for path in sys.argv[3:]:
    raw = open(path, 'rb').read()
    if unstuff:
        lines = raw.split(b'\r\n')
        assert lines[-2:] == [b'.', b''], 'no final dot'
        raw = b'\r\n'.join(l[1:] if l.startswith(b'..') else l for l in lines[:-2]) + b'\r\n'
    ok = dkim.verify(raw, dnsfunc=lambda name, timeout=5: record)
    if not ok:
        print(path, 'FAILED')
        failed += 1
print('%d of %d verified' % (len(sys.argv) - 3 - failed, len(sys.argv) - 3))
sys.exit(1 if failed else 0)
)";

class DkimCli : public NorvaneCli {
 protected:
  test::PythonResult Verify(const std::string& value, const std::string& mode,
                            std::vector<std::string> files) {
    test::WriteFile(dir.File("record.txt"), value);
    files.insert(files.begin(), {dir.File("record.txt"), mode});
    return test::RunPython(kVerifyScript, files);
  }
};

TEST_F(DkimCli, KeygenWritesAPrivateKeyStoresTheSettingsAndPrintsTheRecord) {
  for (const char* algorithm : {"rsa", "ed25519"}) {
    const std::string key = dir.File(std::string(algorithm) + ".pem");
    CliRun run = Run("dkim keygen --domain sender.test --selector s1 --algorithm " + std::string(algorithm) +
                     " --out " + key);
    ASSERT_EQ(run.status, 0) << run.out;
    struct stat info {};
    ASSERT_EQ(::stat(key.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_NE(
        run.out.find("s1._domainkey.sender.test IN TXT \"v=DKIM1; k=" + std::string(algorithm) + "; p="),
        std::string::npos)
        << run.out;
    EXPECT_EQ(Run("config get DKIM/KeyFile").out, key + "\n");
    EXPECT_EQ(Run("config get DKIM/Domain").out, "sender.test\n");
    EXPECT_EQ(Run("config get DKIM/Selector").out, "s1\n");
  }
  // The RSA record is longer than one DNS string: the zone form is printed too.
  CliRun again = Run("dkim keygen --domain sender.test --selector s1 --out " + dir.File("rsa.pem"));
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.out.find("exists; give --force"), std::string::npos) << again.out;
  CliRun forced = Run("dkim keygen --domain sender.test --selector s2 --force --out " + dir.File("rsa.pem"));
  ASSERT_EQ(forced.status, 0) << forced.out;
  EXPECT_NE(forced.out.find("IN TXT (\""), std::string::npos) << forced.out;

  for (const char* bad : {"--domain 'a;b' --selector s", "--domain sender.test --selector 'x y'",
                          "--domain sender.test --selector s --algorithm dsa", "--selector s"}) {
    EXPECT_EQ(Run(std::string("dkim keygen ") + bad).status, 2) << bad;
  }
}

TEST_F(DkimCli, CheckLooksTheRecordUpAndComparesItWithTheKey) {
  CliRun made = Run("dkim keygen --domain sender.test --selector s1 --out " + dir.File("rsa.pem"));
  ASSERT_EQ(made.status, 0) << made.out;
  CliRun other =
      Run("dkim keygen --domain other.test --selector s1 --algorithm ed25519 --out " + dir.File("other.pem"));
  ASSERT_EQ(other.status, 0) << other.out;
  DnsmasqPeer dns({TxtRecord("s1._domainkey.sender.test", RecordValue(made.out)),
                   TxtRecord("s2._domainkey.sender.test", RecordValue(other.out)),
                   TxtRecord("s3._domainkey.sender.test", "v=DKIM1; k=rsa; p=")});
  const std::string resolver = " --resolver " + dns.address() + ":" + dns.portText();
  const std::string key = " --key " + dir.File("rsa.pem");

  CliRun good = Run("dkim check --domain sender.test --selector s1" + key + resolver);
  EXPECT_EQ(good.status, 0) << good.out;
  EXPECT_NE(good.out.find("matches the key"), std::string::npos) << good.out;

  const std::pair<std::string, std::string> failures[] = {
      {"s2", "is for a ed25519 key"},
      {"s3", "is revoked"},
      {"s4", "No key record at s4._domainkey.sender.test"},
  };
  for (const auto& [selector, text] : failures) {
    CliRun run = Run("dkim check --domain sender.test --selector " + selector + key + resolver);
    EXPECT_EQ(run.status, 1) << selector << "\n" << run.out;
    EXPECT_NE(run.out.find(text), std::string::npos) << run.out;
  }
  // Without --key the settings' key is taken: keygen stored other.pem last.
  CliRun stored = Run("dkim check --domain sender.test --selector s2" + resolver);
  EXPECT_EQ(stored.status, 0) << stored.out;
}

TEST_F(DkimCli, ConfigKnowsTheMessageSettingsAndChecksTheirValues) {
  const std::pair<std::string, int> rows[] = {
      {"Message/MimeEncoding false", 0},
      {"Message/MimeEncoding perhaps", 2},
      {"Message/ListUnsubscribe 'https://sender.test/u?e=<email> unsub@sender.test'", 0},
      {"Message/ListUnsubscribe sender.test/u", 2},
      {"DKIM/Domain sender.test", 0},
      {"DKIM/Domain 'sender.test; x=1'", 2},
      {"DKIM/Selector ''", 0},
      {"Connection/MxPreferenceOrder true", 0},
      {"Connection/MxPreferenceOrder 1", 2},
  };
  for (const auto& [arguments, status] : rows) {
    CliRun run = Run("config set " + arguments);
    EXPECT_EQ(run.status, status) << arguments << "\n" << run.out;
  }
  EXPECT_EQ(Run("config get Message/MimeEncoding").out, "false\n");
  EXPECT_EQ(Run("config get Connection/MxPreferenceOrder").out, "true\n");
  CliRun list = Run("config list");
  for (const char* key : {"Message/MimeEncoding=", "Message/ListUnsubscribe=", "DKIM/Domain=",
                          "DKIM/Selector=", "DKIM/KeyFile=", "Connection/MxPreferenceOrder="})
    EXPECT_NE(list.out.find(key), std::string::npos) << key;
}

TEST_F(DkimCli, PreviewAndSandboxCopiesAreSignedAndVerify) {
  ASSERT_EQ(Run("config set Connection/From 'Zoë Müller <zoe@sender.test>'").status, 0);
  ASSERT_EQ(Run("config set Message/ListUnsubscribe 'https://sender.test/u?e=<email>'").status, 0);
  CliRun made =
      Run("dkim keygen --domain sender.test --selector s1 --algorithm ed25519 --out " + dir.File("k.pem"));
  ASSERT_EQ(made.status, 0) << made.out;
  std::vector<std::string> addresses;
  for (int i = 0; i < 30; ++i)
    addresses.push_back("user" + std::to_string(i) + "@x" + std::to_string(i % 3) + ".test");
  const std::string project = Project(addresses);

  std::vector<std::string> previews;
  for (const char* eightBit : {"", " --8bit"}) {
    CliRun raw = Run("preview " + project + " --raw --row 2" + eightBit);
    ASSERT_EQ(raw.status, 0) << raw.out;
    ASSERT_EQ(raw.out.rfind("DKIM-Signature: v=1; a=ed25519-sha256;", 0), 0u) << raw.out;
    EXPECT_NE(raw.out.find("\r\nFrom: =?windows-1252?Q?Zo=EB_M=FCller?= <zoe@sender.test>\r\n"),
              std::string::npos)
        << raw.out;
    EXPECT_NE(raw.out.find("\r\nList-Unsubscribe: <https://sender.test/u?e=user1@x1.test>\r\n"),
              std::string::npos)
        << raw.out;
    previews.push_back(dir.File("preview" + std::to_string(previews.size()) + ".eml"));
    test::WriteFile(previews.back(), raw.out);
  }
  test::PythonResult previewed = Verify(RecordValue(made.out), "wire", previews);
  EXPECT_EQ(previewed.exitCode, 0) << previewed.output;

  CliRun sent = Run("send " + project + " --yes --sandbox --dir " + dir.File("mail") + " --connections 5");
  ASSERT_EQ(sent.status, 0) << sent.out;
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("mail")))
    if (entry.path().extension() == ".eml") files.push_back(entry.path().string());
  ASSERT_EQ(files.size(), addresses.size());
  test::PythonResult verified = Verify(RecordValue(made.out), "stored", files);
  EXPECT_EQ(verified.exitCode, 0) << verified.output;
  EXPECT_NE(verified.output.find("30 of 30 verified"), std::string::npos) << verified.output;
}

}  // namespace
}  // namespace norvane
