// `norvane send`, `preview`, `results` and `config` as a user runs them: the
// real binary, a private settings file, the sandbox in the same process.
#include <algorithm>
#include <filesystem>
#include <string>

#include "cli/cli_fixture.h"

namespace norvane {
namespace {

using test::BackgroundRun;
using test::CliRun;
using test::kSourceRoot;
using test::NorvaneCli;

TEST_F(NorvaneCli, SendsTheDemoIntoTheSandboxAndSavesEveryResult) {
  std::string copy = dir.File("demo.nvp");
  std::filesystem::copy_file(kSourceRoot + "/data/demo/demo.nvp", copy);
  CliRun send =
      Run("send " + copy + " --sandbox --dir " + dir.File("mail") + " --from 'Shop <shop@example.com>'");
  ASSERT_EQ(send.status, 1) << send.out;
  EXPECT_NE(send.out.find("reject-550@example.org: Failed: Mailbox unavailable"), std::string::npos)
      << send.out;
  EXPECT_NE(send.out.find("Messages are in " + dir.File("mail")), std::string::npos) << send.out;

  ProjectModel after = Load(copy);
  int delivered = 0, failed = 0;
  for (const TListItem& item : after.Items) {
    if (item.SubItem(0) == "Delivered and available to the recipient!" && item.StateIndex == 0) ++delivered;
    if (item.ImageIndex == kImageFailed && item.StateIndex == 1) ++failed;
  }
  EXPECT_EQ(delivered + failed, 12);
  EXPECT_EQ(failed, 4);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("mail")))
    files += entry.path().extension() == ".eml";
  EXPECT_EQ(files, delivered);

  CliRun failedOnly = Run("results " + copy + " --failed --csv");
  ASSERT_EQ(failedOnly.status, 0) << failedOnly.out;
  EXPECT_EQ(failedOnly.out.rfind("Checked,Email,Result,Name,City\r\n", 0), 0u) << failedOnly.out;
  EXPECT_EQ(std::count(failedOnly.out.begin(), failedOnly.out.end(), '\n'), failed + 1);
  EXPECT_NE(failedOnly.out.find("Kraków"), std::string::npos);  // UTF-8 on the terminal

  // A second send retries only the failed rows and none succeeds.
  CliRun again = Run("send " + copy + " --sandbox --dir " + dir.File("mail") + " --from shop@example.com");
  EXPECT_EQ(again.status, 1) << again.out;
  EXPECT_NE(again.out.find("Sending to " + std::to_string(failed) + " recipients"), std::string::npos)
      << again.out;
}

TEST_F(NorvaneCli, ExitStatuses) {
  std::string project = Project({"a@x.test", "b@y.test"});
  CliRun noSender = Run("send " + project + " --sandbox --dir " + dir.File("mail"));
  EXPECT_EQ(noSender.status, 2) << noSender.out;
  // The advice in the terminal's words, not the window's menus.
  EXPECT_NE(
      noSender.out.find("Please provide a valid email address for the FROM field: give --from ADDRESS, or "
                        "set it once with `norvane config set Connection/From ADDRESS`"),
      std::string::npos)
      << noSender.out;
  EXPECT_EQ(noSender.out.find("Tools | Options"), std::string::npos) << noSender.out;
  EXPECT_EQ(Run("send " + project + " --bogus").status, 2);
  EXPECT_EQ(Run("send " + dir.File("missing.nvp")).status, 2);

  ASSERT_EQ(Run("config set Connection/From me@sender.test").status, 0);
  CliRun good = Run("send " + project + " --sandbox --dir " + dir.File("mail"));
  EXPECT_EQ(good.status, 0) << good.out;
  CliRun nothing = Run("send " + project + " --sandbox --dir " + dir.File("mail"));
  EXPECT_EQ(nothing.status, 2) << nothing.out;
  EXPECT_NE(nothing.out.find("Nothing to send."), std::string::npos) << nothing.out;
}

TEST_F(NorvaneCli, RetriesAndReusedConnectionsFromTheCommandLine) {
  std::string project = Project({"tempfail-450@x.test", "tempfail-450-1@x.test", "b@x.test", "c@y.test"});
  ASSERT_EQ(Run("config set Connection/From me@sender.test").status, 0);
  const std::string send = "send " + project + " --sandbox --dir " + dir.File("mail");
  EXPECT_EQ(Run(send + " --retries -1").status, 2);
  EXPECT_EQ(Run(send + " --retry-delay soon").status, 2);
  CliRun run = Run(send + " --reuse --retries 2 --retry-delay 0 --connections 1");
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.out.find("tempfail-450@x.test: Waiting to retry (1 of 2) after "), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("tempfail-450@x.test: Waiting to retry (2 of 2) after "), std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find("Waiting to retry (3"), std::string::npos) << run.out;
  // Refused on its first try only: delivered on the second.
  EXPECT_NE(run.out.find("tempfail-450-1@x.test: Waiting to retry (1 of 2) after "), std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find("tempfail-450-1@x.test: Waiting to retry (2 of 2)"), std::string::npos) << run.out;
  for (const char* delivered : {"tempfail-450-1@x.test", "b@x.test", "c@y.test"})
    EXPECT_NE(run.out.find(std::string(delivered) + ": Delivered"), std::string::npos) << run.out;
  ProjectModel after = Load(project);
  EXPECT_EQ(after.Items[0].ImageIndex, kImageFailed);
  EXPECT_EQ(after.Items[0].StateIndex, 1);
  EXPECT_EQ(after.Items[0].SubItem(0).find("Waiting"), std::string::npos) << after.Items[0].SubItem(0);
}

TEST_F(NorvaneCli, InterruptStopsTheRunAndKeepsTheOutcomesSoFar) {
  std::string project = Project({"a@x.test", "slow-60@y.test", "b@x.test", "slow-60+2@z.test", "c@x.test"});
  BackgroundRun run({"send", project, "--sandbox", "--dir", dir.File("mail"), "--from", "me@sender.test",
                     "--connections", "5"},
                    config());
  // The three quick recipients are reported before the slow ones can be.
  ASSERT_TRUE(run.ReadUntil("!", 3)) << run.out;
  run.Signal(SIGINT);
  EXPECT_EQ(run.Wait(), 1) << run.out;
  const std::string& out = run.out;
  EXPECT_EQ(out.find("Finished!"), std::string::npos) << out;

  ProjectModel after = Load(project);
  EXPECT_EQ(after.Items[0].StateIndex, 0);
  EXPECT_EQ(after.Items[1].SubItem(0), "Aborted by user");
  EXPECT_EQ(after.Items[1].StateIndex, 1);
  EXPECT_EQ(after.Items[3].SubItem(0), "Aborted by user");
  EXPECT_EQ(after.Items[4].SubItem(0), "Delivered and available to the recipient!");
}

TEST_F(NorvaneCli, PreviewResultsAndConfig) {
  ASSERT_EQ(Run("config set Connection/From 'Zoë <zoe@sender.test>'").status, 0);
  CliRun get = Run("config get connection/FROM");
  EXPECT_EQ(get.out, "Zoë <zoe@sender.test>\n");
  EXPECT_EQ(Run("config get Connection/Nope").status, 2);
  EXPECT_EQ(Run("config get Message/StandardHeaders").out, "true\n");

  std::string project = Project({"a@x.test", "b@y.test"});
  CliRun preview = Run("preview " + project + " --row 2");
  ASSERT_EQ(preview.status, 0) << preview.out;
  EXPECT_EQ(
      preview.out,
      "From: Zoë <zoe@sender.test>\nTo: b@y.test\nSubject: Test\n\nHello b@y.test\n.a line with a dot\n");
  EXPECT_EQ(Run("preview " + project + " --row 3").status, 2);

  CliRun raw = Run("preview " + project + " --raw");
  ASSERT_EQ(raw.status, 0) << raw.out;
  // MIME encoding is on by default: the sender's name as an encoded word.
  EXPECT_NE(raw.out.find("From: =?windows-1252?Q?Zo=EB?= <zoe@sender.test>\r\n"), std::string::npos)
      << raw.out;
  ASSERT_EQ(Run("config set Message/MimeEncoding false").status, 0);
  CliRun plain = Run("preview " + project + " --raw");
  EXPECT_NE(plain.out.find("From: Zo\xEB <zoe@sender.test>\r\n"), std::string::npos)
      << plain.out;  // wire octets
  EXPECT_NE(raw.out.find("\r\n\r\nHello a@x.test\r\n..a line with a dot\r\n.\r\n"), std::string::npos)
      << raw.out;
  EXPECT_NE(raw.out.find("\r\nMessage-ID: <"), std::string::npos) << raw.out;

  CliRun results = Run("results " + project);
  ASSERT_EQ(results.status, 0) << results.out;
  EXPECT_NE(results.out.find("[x]  a@x.test"), std::string::npos) << results.out;
  EXPECT_NE(results.out.find("2 recipients: 0 delivered, 0 not delivered, 2 not sent yet"),
            std::string::npos);
}

}  // namespace
}  // namespace norvane
