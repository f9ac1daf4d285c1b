// Feeds arbitrary bytes to the spell checker's configuration reader: every
// input gives a configuration, and what it gives survives a rewrite.
#include "spell/spell_config.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto config = norvane::ParseSpellConfig(std::string_view(reinterpret_cast<const char*>(data), size));
  if (norvane::ParseSpellConfig(norvane::FormatSpellConfig(config)) != config) __builtin_trap();
  return 0;
}
