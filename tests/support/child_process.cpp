#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "support/temp_dir.h"

extern char** environ;

namespace norvane::test {

ChildProcess::~ChildProcess() {
  Stop();
}

void ChildProcess::Start(std::vector<std::string> args, std::string stderrPath, bool ownProcessGroup) {
  Stop();
  stderrPath_ = std::move(stderrPath);
  ownProcessGroup_ = ownProcessGroup;
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  if (ownProcessGroup_) {
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
  }
  int rc = posix_spawnp(&pid_, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot run " + args[0] + ": " + strerror(rc));
  }
}

bool ChildProcess::Exited() {
  if (pid_ <= 0) return true;
  int status;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
  pid_ = -1;
  return true;
}

void ChildProcess::Stop() {
  if (pid_ <= 0) return;
  kill(ownProcessGroup_ ? -pid_ : pid_, SIGTERM);
  int status;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

std::string ChildProcess::StderrText() const {
  if (stderrPath_.empty()) return {};
  try {
    return ReadFile(stderrPath_);
  } catch (const std::exception&) {
    return {};
  }
}

std::string FindProgram(std::initializer_list<const char*> candidates, const char* name) {
  for (const char* candidate : candidates) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return name;
}

}  // namespace norvane::test
