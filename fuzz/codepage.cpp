// Converts arbitrary bytes between the code pages: terminal and GUI text
// arrives as UTF-8 of any shape. Checks that nothing grows where it must not
// and that ANSI text survives the round trip.
#include "platform/codepage.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const std::string ansi = norvane::Utf8ToAnsi(bytes);
  if (ansi.size() > size) abort();

  // Read as ANSI: back from UTF-8 unchanged, but for the undefined bytes.
  std::string expected(bytes);
  for (char& c : expected) {
    const auto b = static_cast<uint8_t>(c);
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) c = '?';
  }
  const std::string utf8 = norvane::AnsiToUtf8(bytes);
  if (utf8.size() > size * 3 || norvane::Utf8ToAnsi(utf8) != expected) abort();

  std::string oem(bytes);
  norvane::OemToAnsiInPlace(oem);
  if (oem.size() != size) abort();
  if (norvane::AnsiLowerCase(bytes).size() != size || norvane::AnsiUpperCase(bytes).size() != size) abort();
  return 0;
}
