// Runs the real norvane binary as a user would from a shell and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace norvane::test {

struct CliRun {
  int status;       // the exit code; -1 when the shell could not run or the program died of a signal
  std::string out;  // standard output and standard error, interleaved as written
};

// `command` is a shell command line; the caller merges standard error into the output ("2>&1").
inline CliRun RunShell(const std::string& command) {
  CliRun run{-1, ""};
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// `arguments` are shell words, quoted by the caller where needed.
inline CliRun RunNorvane(const std::string& arguments) {
  return RunShell(std::string(NORVANE_BINARY) + " " + arguments + " 2>&1");
}

}  // namespace norvane::test
