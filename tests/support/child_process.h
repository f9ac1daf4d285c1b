// A server program a test runs as a real peer. Its standard input and output go to /dev/null and
// its standard error to a file, so a peer that will not start can be reported with its own
// complaint. Stop() and the destructor end it with SIGTERM and reap it.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace norvane::test {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Runs args[0] (a PATH search when it holds no slash), stopping any earlier run first. With
  // `ownProcessGroup` the child leads a process group of its own and Stop() signals the whole
  // group, so helpers it forked end with it. Throws std::runtime_error when it cannot be run.
  void Start(std::vector<std::string> args, std::string stderrPath, bool ownProcessGroup = false);

  // True once the child has ended, which reaps it; never blocks.
  bool Exited();
  void Stop();

  // What the child wrote to standard error; empty when there is nothing to read.
  std::string StderrText() const;

 private:
  pid_t pid_ = -1;
  bool ownProcessGroup_ = false;
  std::string stderrPath_;
};

// The first of `candidates` that is executable, else `name` for a PATH search.
std::string FindProgram(std::initializer_list<const char*> candidates, const char* name);

}  // namespace norvane::test
