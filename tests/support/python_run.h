// Runs a short Python script under Debian's /usr/bin/python3, where the
// distribution's modules (email, dkim) live, and returns what it printed: the
// peers we did not write, used to read back what Norvane composes.
#pragma once

#include <string>
#include <vector>

namespace norvane::test {

struct PythonResult {
  int exitCode = -1;   // -1 when it did not exit normally
  std::string output;  // standard output and standard error together
};

// `script` is passed with -c; `args` become sys.argv[1:]. Waits for the end.
PythonResult RunPython(const std::string& script, const std::vector<std::string>& args = {});

}  // namespace norvane::test
