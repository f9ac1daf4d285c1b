#include "platform/system_info.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace norvane {

namespace {

uint64_t PhysicalMemory() {
  long pages = ::sysconf(_SC_PHYS_PAGES);
  long pageSize = ::sysconf(_SC_PAGE_SIZE);
  if (pages > 0 && pageSize > 0) return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
  struct sysinfo info {};
  if (::sysinfo(&info) == 0) return static_cast<uint64_t>(info.totalram) * info.mem_unit;
  return 0;
}

std::string ParentOf(std::string_view path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(0, slash == 0 ? 1 : slash));
}

}  // namespace

SystemInfo ReadSystemInfo() {
  SystemInfo info;
  struct utsname name {};
  if (::uname(&name) == 0) {
    info.Name = name.sysname;
    info.Release = name.release;
  }
  info.PhysicalMemoryBytes = PhysicalMemory();
  return info;
}

std::string ProgramDirectory() {
  char buffer[4096];
  ssize_t size = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  // A path that fills the buffer may have been cut short; better none than a wrong one.
  if (size <= 0 || static_cast<std::size_t>(size) >= sizeof buffer) return {};
  return ParentOf(std::string_view(buffer, static_cast<std::size_t>(size)));
}

std::string DataDirectory() {
  if (const char* data = std::getenv("NORVANE_DATA"); data && *data) return data;
  std::string program = ProgramDirectory();
  if (program.empty()) return {};
  std::string prefix = ParentOf(program);
  if (prefix.empty()) return {};
  return (prefix == "/" ? "" : prefix) + "/share/norvane";
}

}  // namespace norvane
