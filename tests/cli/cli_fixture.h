// The fixture of the command-line tests: the real binary run from the top of
// the source tree with a private settings file, small projects written for
// it, and a run in the background that a test can read from, interrupt or kill.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "project/project_file.h"
#include "support/temp_dir.h"

namespace norvane::test {

inline const std::string kSourceRoot =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string();

// `norvane ARGS...` in the background, standard output and error into one pipe.
class BackgroundRun {
 public:
  BackgroundRun(const std::vector<std::string>& args, const std::string& config) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], STDOUT_FILENO);
      ::dup2(fds[1], STDERR_FILENO);
      ::close(fds[0]);
      ::setenv("NORVANE_CONFIG", config.c_str(), 1);
      std::vector<char*> argv{const_cast<char*>(NORVANE_BINARY)};
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      ::execv(NORVANE_BINARY, argv.data());
      ::_exit(127);
    }
    ::close(fds[1]);
    fd_ = fds[0];
  }
  ~BackgroundRun() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    if (fd_ >= 0) ::close(fd_);
  }

  // Reads until the output holds `count` copies of `mark` or the run ends.
  bool ReadUntil(const std::string& mark, std::size_t count) {
    char buffer[4096];
    while (Count(mark) < count) {
      ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got <= 0) return false;
      out.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
  }
  std::size_t Count(const std::string& mark) const {
    std::size_t n = 0;
    for (std::size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + mark.size())) ++n;
    return n;
  }
  void Signal(int signal) { ::kill(pid_, signal); }
  // Reads what is left and returns the exit status (-1 for a death by signal).
  int Wait() {
    char buffer[4096];
    for (ssize_t got; fd_ >= 0 && (got = ::read(fd_, buffer, sizeof buffer)) > 0;)
      out.append(buffer, static_cast<std::size_t>(got));
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string out;

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
};

class NorvaneCli : public ::testing::Test {
 protected:
  // Runs the command from the top of the source tree (the demo's attachment is relative to it).
  CliRun Run(const std::string& arguments) {
    std::string command = "cd '" + kSourceRoot + "' && NORVANE_CONFIG='" + dir.File("Norvane.reg") + "' " +
                          NORVANE_BINARY + " " + arguments + " 2>&1 </dev/null";
    return RunShell(command);
  }
  std::string Project(const std::vector<std::string>& addresses, const std::string& name = "p.nvp") {
    ProjectModel model;
    for (const auto& address : addresses) model.Items.push_back({address, {}, 1});
    model.Subject = "Test";
    model.Body = "Hello <email>\r\n.a line with a dot";
    std::string path = dir.File(name);
    SaveProject(model, path);
    return path;
  }
  ProjectModel Load(const std::string& path) {
    ProjectModel model;
    LoadProject(model, path);
    return model;
  }
  std::string config() const { return dir.File("Norvane.reg"); }

  TempDir dir;
};

}  // namespace norvane::test
