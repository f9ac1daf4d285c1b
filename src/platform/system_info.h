// What the About box says about the machine, and where the program's own
// files are: the running kernel's name and release (uname), the physical
// memory size, the folder of the running program and the folder of the data
// shipped with it.
#pragma once

#include <cstdint>
#include <string>

namespace norvane {

struct SystemInfo {
  std::string Name;     // "Linux"
  std::string Release;  // "6.1.0-18-amd64"
  uint64_t PhysicalMemoryBytes = 0;
};

// Empty fields where the system does not tell.
SystemInfo ReadSystemInfo();

// The folder of the running program (from /proc/self/exe), without a final
// "/"; empty when the system does not tell.
std::string ProgramDirectory();

// The folder of the files installed with the program (help pages, tips):
// $NORVANE_DATA when it is set and not empty, else "share/norvane" beside the
// program's folder ("<prefix>/bin/norvane" -> "<prefix>/share/norvane").
std::string DataDirectory();

}  // namespace norvane
