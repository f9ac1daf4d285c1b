// `norvane send` through a relay that wants TLS and a password, as a user runs it: the relay and
// its user from the settings or the options, the password from the environment, a file or the
// secret store, the outcomes in the project. Real peers: aiosmtpd as a submission server, and a
// private Postfix relay passing a thousand copies on to smtp-sink.
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cli/cli_fixture.h"
#include "support/postfix_relay_peer.h"
#include "support/smtp_sink_peer.h"
#include "support/smtp_tls_peer.h"
#include "support/test_certificate.h"

namespace norvane {
namespace {

using test::CliRun;
using test::kSourceRoot;
using test::NorvaneCli;
using test::SmtpTlsPeer;

constexpr char kDelivered[] = "Delivered and available to the recipient!";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class RelaySendCli : public NorvaneCli {
 protected:
  // The binary with the private settings, out of reach of any desktop secret service and
  // without a controlling terminal (nothing can be asked), `env` holding extra assignments.
  CliRun RunWith(const std::string& env, const std::string& arguments) {
    const std::string command = "cd '" + kSourceRoot +
                                "' && env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR='" + dir.path() +
                                "' NORVANE_CONFIG='" + config() + "' " + env + " setsid -w " +
                                NORVANE_BINARY + " " + arguments + " 2>&1 </dev/null";
    return test::RunShell(command);
  }
  void Set(const std::string& key, const std::string& value) {
    CliRun set = Run("config set " + key + " '" + value + "'");
    ASSERT_EQ(set.status, 0) << key << ": " << set.out;
  }
  int Delivered(const std::string& project) {
    int delivered = 0;
    for (const TListItem& item : Load(project).Items) delivered += item.SubItem(0) == kDelivered;
    return delivered;
  }
};

TEST_F(RelaySendCli, SubmissionWithTlsAndAPasswordFromSettingsOrOptions) {
  const test::TestCertificate cert = test::MakeTestCertificate(dir.path(), "IP:127.0.0.42");
  {
    SCOPED_TRACE("the settings, STARTTLS on the relay's own port");
    SmtpTlsPeer relay("require-starttls", cert, "ann", "s3cret pass");
    Set("Connection/Gateway", relay.address());
    Set("Connection/GatewayPort", relay.portText());
    Set("Security/User", "ann");
    Set("Security/CaFile", cert.certFile);
    const std::string project = Project({"a@one.test", "b@two.test", "c@three.test"}, "settings.nvp");
    CliRun send =
        RunWith("NORVANE_SMTP_PASSWORD='s3cret pass'", "send " + project + " --from me@norvane.test");
    ASSERT_EQ(send.status, 0) << send.out;
    EXPECT_EQ(Delivered(project), 3);
    const auto messages = relay.Messages();
    ASSERT_EQ(messages.size(), 3u);
    for (const auto& message : messages) {
      EXPECT_TRUE(Contains(message.meta, "\"auth\": \"ann\"")) << message.meta;
      EXPECT_TRUE(Contains(message.meta, "\"tls\": true")) << message.meta;
    }
    CliRun log = Run("log " + project + " --row 1");
    EXPECT_TRUE(Contains(log.out, "TLS started: TLSv1.")) << log.out;
    EXPECT_TRUE(Contains(log.out, "AUTH PLAIN ********")) << log.out;
    EXPECT_FALSE(Contains(log.out, "s3cret")) << log.out;
    EXPECT_FALSE(Contains(test::ReadFile(project), "s3cret"));
    EXPECT_FALSE(Contains(test::ReadFile(config()), "s3cret"));
  }
  {
    SCOPED_TRACE("the options, TLS from the first byte, a wrong password in a file");
    Set("Connection/Gateway", "");
    Set("Security/User", "");
    SmtpTlsPeer relay("implicit", cert, "bob", "right");
    test::WriteFile(dir.File("password"), "wrong\n");
    const std::string project = Project({"a@one.test", "b@two.test"}, "options.nvp");
    const std::string options = " --gateway " + relay.address() + " --port " + relay.portText() +
                                " --tls implicit --ca-file " + cert.certFile +
                                " --user bob --from me@norvane.test";
    CliRun wrong = RunWith("", "send " + project + options + " --password-file " + dir.File("password"));
    EXPECT_EQ(wrong.status, 1) << wrong.out;
    for (const TListItem& item : Load(project).Items)
      EXPECT_EQ(item.SubItem(0), "Failed: The relay refused the user name or password");
    EXPECT_EQ(relay.MessageCount(), 0u);

    test::WriteFile(dir.File("password"), "right\r\n");
    CliRun right = RunWith("", "send " + project + options + " --password-file " + dir.File("password"));
    EXPECT_EQ(right.status, 0) << right.out;
    EXPECT_EQ(Delivered(project), 2);
    EXPECT_EQ(relay.MessageCount(), 2u);
  }
}

TEST_F(RelaySendCli, AStoredPasswordIsFoundAndWithoutOneNothingIsSent) {
  const test::TestCertificate cert = test::MakeTestCertificate(dir.path(), "IP:127.0.0.42");
  SmtpTlsPeer relay("require-starttls", cert, "ann", "s3cret");
  const std::string project = Project({"a@one.test"});
  const std::string options = " --gateway " + relay.address() + " --port " + relay.portText() +
                              " --ca-file " + cert.certFile + " --user ann --from me@norvane.test";
  CliRun none = RunWith("", "send " + project + options);
  EXPECT_EQ(none.status, 2) << none.out;
  EXPECT_TRUE(Contains(none.out, "No password for ann at 127.0.0.42")) << none.out;
  EXPECT_TRUE(Contains(none.out, "NORVANE_SMTP_PASSWORD")) << none.out;
  EXPECT_EQ(Load(project).Items[0].SubItem(0), "");
  EXPECT_EQ(relay.MessageCount(), 0u);

  CliRun store = RunWith("NORVANE_SMTP_PASSWORD=s3cret", "password set --gateway 127.0.0.42 --user ann");
  ASSERT_EQ(store.status, 0) << store.out;
  EXPECT_TRUE(Contains(store.out, dir.File("Norvane.passwords"))) << store.out;
  CliRun send = RunWith("", "send " + project + options);
  EXPECT_EQ(send.status, 0) << send.out;
  EXPECT_EQ(relay.MessageCount(), 1u);

  // The same relay without TLS would get the password in plain text: refused before anything is sent.
  CliRun plain = RunWith("", "send " + Project({"b@two.test"}, "plain.nvp") + options + " --tls none");
  EXPECT_EQ(plain.status, 2) << plain.out;
  EXPECT_TRUE(Contains(plain.out, "needs checked TLS")) << plain.out;
}

TEST_F(RelaySendCli, TheSandboxTakesEveryCopyEvenWithARelayInTheSettings) {
  Set("Connection/Gateway", "127.0.0.1");
  Set("Connection/GatewayPort", "9");
  Set("Security/User", "ann");
  const std::string project = Project({"a@one.test"});
  CliRun send =
      RunWith("", "send " + project + " --sandbox --dir " + dir.File("mail") + " --from me@norvane.test");
  EXPECT_EQ(send.status, 0) << send.out;
  EXPECT_EQ(Delivered(project), 1);
}

TEST_F(RelaySendCli, ConfigTakesTheTlsWordsAndPorts) {
  const std::vector<std::tuple<std::string, std::string, int, std::string>> cases = {
      {"Security/DirectTls", "OFF", 0, "off"},
      {"Security/DirectTls", "maybe", 2, "opportunistic"},
      {"Security/GatewayTls", "Implicit", 0, "implicit"},
      {"Security/GatewayTls", "ssl", 2, "starttls"},
      {"Connection/GatewayPort", "2525", 0, "2525"},
      {"Connection/GatewayPort", "65536", 2, ""},
      {"Connection/GatewayPort", "", 0, ""},
  };
  for (const auto& [key, value, status, stored] : cases) {
    SCOPED_TRACE(key + "=" + value);
    Run("config set " + key + " ''");  // back to the default word before each row
    if (key != "Connection/GatewayPort") Run("config set " + key + " " + stored);
    CliRun set = Run("config set " + key + " '" + value + "'");
    EXPECT_EQ(set.status, status) << set.out;
    if (status != 0) {
      EXPECT_TRUE(Contains(set.out, key)) << set.out;
      continue;
    }
    EXPECT_EQ(Run("config get " + key).out, stored + "\n");
  }
}

TEST_F(RelaySendCli, APostfixRelayPassesOnEveryCopyOfAThousandRecipientRun) {
  if (geteuid() != 0) GTEST_SKIP() << "Postfix's master runs as root only";
  const test::TestCertificate cert = test::MakeTestCertificate(dir.path(), "IP:127.0.0.51");
  test::SmtpSinkPeer sink({}, "127.0.0.52");
  test::PostfixRelayPeer relay(cert, sink.address(), sink.port());
  std::vector<std::string> addresses;
  for (int i = 0; i < 1000; ++i)
    addresses.push_back("r" + std::to_string(i) + "@far" + std::to_string(i % 7) + ".test");
  const std::string project = Project(addresses);

  CliRun send = RunWith("", "send " + project + " --gateway " + relay.address() + " --port " +
                                relay.portText() + " --tls starttls --ca-file " + cert.certFile +
                                " --connections 20 --from me@norvane.test");
  ASSERT_EQ(send.status, 0) << send.out.substr(0, 4000) << relay.Log().substr(0, 4000);
  EXPECT_EQ(Delivered(project), 1000);
  CliRun log = Run("log " + project + " --row 1000");
  EXPECT_TRUE(Contains(log.out, "TLS started: TLSv1.")) << log.out;

  // Postfix took them all; every one must come out at the other end.
  ASSERT_TRUE(test::WaitForFolder(
      sink.DumpFolder(), [&] { return sink.DumpFiles().size() >= 1000; }, std::chrono::seconds(120)))
      << sink.DumpFiles().size() << " arrived\n"
      << relay.Log().substr(0, 4000);
  const std::vector<std::string> files = sink.DumpFiles();
  EXPECT_EQ(files.size(), 1000u);
  std::set<std::string> recipients;
  for (const std::string& file : files) {
    const std::string text = test::ReadFile(file);
    const std::size_t at = text.find("X-Rcpt-Args: ");
    if (at != std::string::npos) recipients.insert(text.substr(at, text.find('\n', at) - at));
    EXPECT_TRUE(Contains(text, "\nSubject: Test\n")) << text;
  }
  EXPECT_EQ(recipients.size(), 1000u);
  EXPECT_TRUE(Contains(relay.Log(), "TLS connection established from")) << relay.Log().substr(0, 2000);
}

}  // namespace
}  // namespace norvane
