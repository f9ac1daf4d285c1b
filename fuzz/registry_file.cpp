// Feeds arbitrary bytes to the registry file parser: damaged settings files
// must give a RegistryError, and whatever parses must survive a rewrite.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    auto document =
        norvane::RegistryDocument::Parse(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    std::string text = document.Serialize();
    auto again = norvane::RegistryDocument::Parse(text, "fuzz");
    if (again.Serialize() != text) __builtin_trap();
  } catch (const norvane::RegistryError&) {
  }
  return 0;
}
