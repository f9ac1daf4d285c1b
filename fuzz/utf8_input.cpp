// Outside bytes taken as UTF-8 on their way into Windows-1252: the
// recognition and the conversion must hold for any input, the text never
// grows, and every character kept is one the conversion back gives again.
#include "platform/utf8_input.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  bool utf8 = norvane::LooksLikeUtf8(bytes);
  norvane::Utf8Conversion out = norvane::ConvertUtf8ToAnsi(bytes);
  if (out.text.size() > bytes.size()) std::abort();
  if (out.unmappable.size() > norvane::kMaxListedUnmappable || out.unmappable.size() > out.unmappableCount)
    std::abort();
  for (const auto& entry : out.unmappable) (void)norvane::DescribeUnmappable(entry);
  // Well-formed text with nothing unmappable comes back from the plain conversion unchanged.
  if (utf8 && out.unmappableCount == 0) {
    std::string_view body = bytes.substr(0, 3) == norvane::kUtf8Bom ? bytes.substr(3) : bytes;
    if (norvane::AnsiToUtf8(out.text) != body) std::abort();
  }
  return 0;
}
