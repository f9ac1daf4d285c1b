#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "support/temp_dir.h"

extern char** environ;

namespace norvane {
namespace {

TEST(SandboxCommand, RefusesBadOptions) {
  struct Row {
    const char* arguments;
    const char* message;
  } rows[] = {
      {"sandbox --bogus", "unknown option '--bogus'"},
      {"sandbox --smtp-port 70000", "--smtp-port needs a port number from 0 to 65535, not '70000'"},
      {"sandbox --dns-port=-1", "--dns-port needs a port number"},
      {"sandbox --dir", "--dir needs a value"},
      {"sandbox --address nowhere --dns-port 0 --smtp-port 0", "must be a dotted IPv4 address: nowhere"},
  };
  for (const Row& row : rows) {
    test::CliRun run = test::RunNorvane(row.arguments);
    EXPECT_EQ(run.status, 2) << row.arguments;
    EXPECT_NE(run.out.find(row.message), std::string::npos) << row.arguments << "\n" << run.out;
  }
}

TEST(SandboxCommand, RunsInTheForegroundUntilInterrupted) {
  test::TempDir dir;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::string folder = dir.File("mail");
  std::vector<std::string> args = {NORVANE_BINARY, "sandbox", "--dir",       folder,
                                   "--dns-port",   "0",       "--smtp-port", "0"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  FILE* out = ::fdopen(fds[0], "r");

  std::string printed;
  unsigned smtpPort = 0;
  char line[512];
  while (std::fgets(line, sizeof line, out)) {
    printed += line;
    std::sscanf(line, "Sandbox SMTP server on 127.0.0.1 port %u", &smtpPort);
    if (std::string(line).rfind("Press Ctrl-C", 0) == 0) break;
  }
  EXPECT_NE(printed.find("Sandbox DNS server on 127.0.0.1 port "), std::string::npos) << printed;
  EXPECT_NE(printed.find("Messages go to " + folder + " (index: " + folder + "/index.txt)"),
            std::string::npos)
      << printed;
  ASSERT_NE(smtpPort, 0u) << printed;

  std::string swaks = "swaks --server 127.0.0.1 --port " + std::to_string(smtpPort) +
                      " --from a@x.test --to b@example.com --helo c.test >/dev/null 2>&1";
  EXPECT_EQ(std::system(swaks.c_str()), 0);

  ::kill(pid, SIGINT);
  while (std::fgets(line, sizeof line, out)) printed += line;
  std::fclose(out);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << printed;
  EXPECT_NE(printed.find("Sandbox stopped."), std::string::npos) << printed;
  int messages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    messages += entry.path().extension() == ".eml";
  EXPECT_EQ(messages, 1);
}

}  // namespace
}  // namespace norvane
