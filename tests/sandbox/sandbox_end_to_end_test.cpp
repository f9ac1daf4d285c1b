// The sandbox through real sockets on loopback: crafted datagrams and the
// resolver's own lookups against its DNS server; swaks, smtp-source and an
// in-loop client against its SMTP server. Everything runs on one loop; the
// external clients run as child processes while the test drives that loop.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "net/host_lookup.h"
#include "net/wsocket.h"
#include "platform/clock.h"
#include "sandbox/dns_message.h"
#include "sandbox/sandbox.h"
#include "support/temp_dir.h"

extern char** environ;

namespace norvane {
namespace {

namespace fs = std::filesystem;

bool RunUntil(EventLoop& loop, const std::function<bool()>& done, uint64_t limitMs = 20000) {
  uint64_t deadline = SystemClock().MonotonicMs() + limitMs;
  while (!done()) {
    if (SystemClock().MonotonicMs() > deadline) return false;
    loop.RunOnce(20);
  }
  return true;
}

struct ProcessResult {
  int exitCode = -1;
  std::string output;
};

// Runs a client program to its end while the loop keeps serving it.
ProcessResult RunWhileLooping(EventLoop& loop, const std::vector<std::string>& args,
                              const std::string& outputPath) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ProcessResult result;
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << args[0];
    return result;
  }
  int status = 0;
  bool ended = RunUntil(
      loop, [&] { return waitpid(pid, &status, WNOHANG) == pid; }, 60000);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ADD_FAILURE() << args[0] << " did not finish";
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.output = test::ReadFile(outputPath);
  return result;
}

// A TCP client on the sandbox's own loop.
struct LoopClient {
  LoopClient(EventLoop& loop, uint16_t port) : socket(loop) {
    socket.SetProto("tcp");
    socket.SetAddr("127.0.0.1");
    socket.SetPort(std::to_string(port));
    socket.OnSessionConnected = [this](_TCustomWSocket*, uint16_t error) { connected = error == 0; };
    socket.OnDataAvailable = [this](_TCustomWSocket*, uint16_t) {
      char buffer[4096];
      int n = socket.Receive(buffer, sizeof buffer);
      if (n > 0) received.append(buffer, static_cast<size_t>(n));
    };
    socket.OnSessionClosed = [this](_TCustomWSocket*, uint16_t) { closed = true; };
    socket.Connect();
  }
  _TWSocket socket;
  bool connected = false;
  bool closed = false;
  std::string received;
};

std::vector<std::string> Files(const std::string& folder, const std::string& extension) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == extension) names.push_back(entry.path().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class SandboxEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    SandboxOptions options;
    options.folder = temp.File("mail");
    sandbox = std::make_unique<Sandbox>(options, loop);
    sandbox->Start();
    ASSERT_NE(sandbox->dnsPort(), 0);
    ASSERT_NE(sandbox->smtpPort(), 0);
  }

  test::TempDir temp;
  EventLoop loop;
  std::unique_ptr<Sandbox> sandbox;
};

std::string MxQuery(uint16_t id, const std::string& name) {
  std::string out = {char(id >> 8), char(id & 0xFF), 1, 0, 0, 1, 0, 0, 0, 0, 0, 0};
  std::istringstream labels(name);
  for (std::string label; std::getline(labels, label, '.');) out += char(label.size()) + label;
  out += std::string("\0\0\x0F\0\x01", 5);
  return out;
}

TEST_F(SandboxEndToEnd, DnsAnswersQueriesAndIgnoresJunk) {
  _TWSocket client(loop);
  std::vector<std::string> answers;
  client.SetProto("udp");
  client.SetAddr("127.0.0.1");
  client.SetPort(std::to_string(sandbox->dnsPort()));
  client.OnDataAvailable = [&](_TCustomWSocket*, uint16_t) {
    char buffer[1024];
    int n = client.Receive(buffer, sizeof buffer);
    if (n > 0) answers.emplace_back(buffer, static_cast<size_t>(n));
  };
  client.Connect();
  std::string response = MxQuery(1, "example.com");
  response[2] |= char(0x80);  // a response must never be answered (no loops between servers)
  for (const std::string& junk : {std::string("\x01\x02\x03", 3), response, std::string(600, '\xC0')})
    client.Send(junk.data(), static_cast<int>(junk.size()));
  std::string query = MxQuery(0x4242, "example.com");
  client.Send(query.data(), static_cast<int>(query.size()));
  ASSERT_TRUE(RunUntil(loop, [&] { return !answers.empty(); }));
  loop.RunOnce(50);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0], BuildDnsAnswer(*ParseDnsQuery(query), {127, 0, 0, 1}));

  // The host lookups the engine uses find the exchanger through the sandbox.
  SetResolverServers("127.0.0.1:" + std::to_string(sandbox->dnsPort()));
  HostLookup lookup(loop);
  std::optional<HostLookupResult> result;
  ASSERT_EQ(lookup.StartByName("mx.example.com", [&](const HostLookupResult& r) { result = r; }), 0);
  bool done = RunUntil(loop, [&] { return result.has_value(); });
  ResetResolverServers();
  ASSERT_TRUE(done);
  EXPECT_EQ(result->error, 0);
  EXPECT_EQ(result->addresses, std::vector<std::string>{"127.0.0.1"});
}

TEST_F(SandboxEndToEnd, PipelinedDialogueStoresExactBytes) {
  LoopClient client(loop, sandbox->smtpPort());
  ASSERT_TRUE(RunUntil(loop, [&] { return client.connected && !client.received.empty(); }));
  std::string dialogue =
      "EHLO c\r\nMAIL FROM:<from@a.test>\r\nRCPT TO:<to@b.test>\r\nRCPT TO:<reject-550@b.test>\r\nDATA\r\n"
      "Subject: hi\r\n\r\n..dotted\r\n" +
      std::string(3000, 'x') + "\r\n.\r\nQUIT\r\n";
  client.socket.Send(dialogue.data(), static_cast<int>(dialogue.size()));
  ASSERT_TRUE(RunUntil(loop, [&] { return client.closed; }));
  std::vector<std::string> replies = Lines(client.received);
  ASSERT_EQ(replies.size(), 11u) << client.received;
  EXPECT_EQ(replies[7].substr(0, 4), "550 ");
  EXPECT_EQ(replies[9].substr(0, 24), "250 2.0.0 Ok: queued as ");
  EXPECT_EQ(replies[10], "221 2.0.0 Bye\r");

  std::vector<std::string> messages = Files(sandbox->folderPath(), ".eml");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(test::ReadFile(messages[0]), "Subject: hi\r\n\r\n.dotted\r\n" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(replies[9].substr(24), fs::path(messages[0]).stem().string() + "\r");
  std::vector<std::string> index = Lines(test::ReadFile(sandbox->indexPath()));
  ASSERT_EQ(index.size(), 2u);
  EXPECT_NE(index[0].find("\tfrom@a.test\treject-550@b.test\t-\t550 5.1.1 "), std::string::npos) << index[0];
  EXPECT_NE(index[1].find("\tfrom@a.test\tto@b.test\t3026\t250 2.0.0 Ok: queued as "), std::string::npos)
      << index[1];
}

TEST_F(SandboxEndToEnd, ScriptedOutcomesReachARealClient) {
  struct Row {
    const char* recipient;
    int swaksExit;  // swaks's exit codes: 0 delivered, 24 RCPT refused, 6 connection lost
    const char* reply;
  } rows[] = {
      {"someone@example.com", 0, "<-  250 2.0.0 Ok: queued as "},
      {"reject-550@example.com", 24, "<** 550 5.1.1 <reject-550@example.com>"},
      {"full-552@example.com", 24, "<** 552 5.2.2 "},
      {"tempfail-450@example.com", 24, "<** 450 4.2.0 "},
      {"drop@example.com", 6, "*** Remote host closed connection unexpectedly."},
  };
  for (const Row& row : rows) {
    ProcessResult run = RunWhileLooping(
        loop,
        {"swaks", "--server", "127.0.0.1", "--port", std::to_string(sandbox->smtpPort()), "--from",
         "me@here.test", "--to", row.recipient, "--helo", "client.test", "--timeout", "20"},
        temp.File("swaks.log"));
    EXPECT_EQ(run.exitCode, row.swaksExit) << row.recipient << "\n" << run.output;
    EXPECT_NE(run.output.find(row.reply), std::string::npos) << row.recipient << "\n" << run.output;
  }
  EXPECT_EQ(Files(sandbox->folderPath(), ".eml").size(), 1u);
  EXPECT_EQ(Lines(test::ReadFile(sandbox->indexPath())).size(), 5u);
}

TEST_F(SandboxEndToEnd, ManySessionsAtOnce) {
  ProcessResult run =
      RunWhileLooping(loop,
                      {"smtp-source", "-s", "25", "-m", "200", "-l", "1500", "-f", "from@a.test", "-t",
                       "to@b.test", "-M", "client.test", "127.0.0.1:" + std::to_string(sandbox->smtpPort())},
                      temp.File("source.log"));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(Files(sandbox->folderPath(), ".eml").size(), 200u);
  EXPECT_EQ(Lines(test::ReadFile(sandbox->indexPath())).size(), 200u);
  EXPECT_TRUE(Files(sandbox->folderPath(), ".part").empty());
}

TEST(SandboxSlowReply, WaitsOnTheLoopClockNotBySleeping) {
  test::TempDir temp;
  FakeClock clock(1000);
  ScopedClock useClock(clock);
  EventLoop loop(clock);
  SandboxOptions options;
  options.folder = temp.File("mail");
  Sandbox sandbox(options, loop);
  sandbox.Start();
  LoopClient client(loop, sandbox.smtpPort());
  ASSERT_TRUE(RunUntil(loop, [&] { return client.connected && !client.received.empty(); }));
  std::string dialogue = "HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<slow-400@x>\r\nNOOP\r\n";
  client.socket.Send(dialogue.data(), static_cast<int>(dialogue.size()));
  ASSERT_TRUE(RunUntil(loop, [&] { return Lines(client.received).size() == 3; }));
  for (int i = 0; i < 10; ++i) loop.RunOnce(5);
  // Longer than the idle limit: a client waiting for a held reply is not silent.
  for (int step = 0; step < 4; ++step) {
    clock.Advance(99'999);
    for (int i = 0; i < 10; ++i) loop.RunOnce(5);
  }
  EXPECT_EQ(Lines(client.received).size(), 3u) << client.received;  // nothing after the held reply either
  clock.Advance(3);
  clock.Advance(1);
  ASSERT_TRUE(RunUntil(loop, [&] { return Lines(client.received).size() == 5; }));
  EXPECT_EQ(Lines(client.received)[3], "250 2.1.5 Ok\r");
  EXPECT_EQ(Lines(client.received)[4], "250 2.0.0 Ok\r");

  // A client that hangs up while its reply is held back leaves nothing behind
  // for the timer to touch.
  {
    LoopClient quitter(loop, sandbox.smtpPort());
    ASSERT_TRUE(RunUntil(loop, [&] { return quitter.connected && !quitter.received.empty(); }));
    std::string slow = "HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<slow-5@x>\r\n";
    quitter.socket.Send(slow.data(), static_cast<int>(slow.size()));
    ASSERT_TRUE(RunUntil(loop, [&] { return Lines(quitter.received).size() == 3; }));
    ASSERT_EQ(sandbox.smtpConnections(), 2u);
  }
  ASSERT_TRUE(RunUntil(loop, [&] { return sandbox.smtpConnections() == 1; }));
  clock.Advance(5'000);
  for (int i = 0; i < 10; ++i) loop.RunOnce(5);

  // Silence for the idle limit ends the session with 421.
  clock.Advance(300'000);
  ASSERT_TRUE(RunUntil(loop, [&] { return client.closed; }));
  EXPECT_EQ(Lines(client.received).back(), "421 4.4.2 sandbox.test Error: timeout exceeded\r");
  ASSERT_TRUE(RunUntil(loop, [&] { return sandbox.smtpConnections() == 0; }));
}

TEST_F(SandboxEndToEnd, StopDiscardsHalfReceivedMessagesAndFreesThePort) {
  LoopClient client(loop, sandbox->smtpPort());
  ASSERT_TRUE(RunUntil(loop, [&] { return client.connected && !client.received.empty(); }));
  std::string dialogue = "HELO c\r\nMAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\npartial\r\n";
  client.socket.Send(dialogue.data(), static_cast<int>(dialogue.size()));
  ASSERT_TRUE(RunUntil(loop, [&] { return Lines(client.received).size() == 5; }));
  EXPECT_EQ(Files(sandbox->folderPath(), ".part").size(), 1u);
  uint16_t port = sandbox->smtpPort();
  sandbox->Stop();
  ASSERT_TRUE(RunUntil(loop, [&] { return client.closed; }));
  EXPECT_TRUE(Files(temp.File("mail"), ".part").empty());
  EXPECT_TRUE(Files(temp.File("mail"), ".eml").empty());

  // The same ports can be taken again at once.
  SandboxOptions options = sandbox->options();
  options.smtpPort = port;
  Sandbox again(options, loop);
  EXPECT_NO_THROW(again.Start());
  // And a port in use is a clear error.
  Sandbox clash(options, loop);
  EXPECT_THROW(clash.Start(), std::exception);
  EXPECT_FALSE(clash.running());
}

}  // namespace
}  // namespace norvane
