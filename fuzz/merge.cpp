// Merges and wraps arbitrary template text, tags and values (they come from
// project files and imported recipient lists), checking the results against
// the straightforward forms of the same rules: a search from the start after
// every replacement, and a wrap that inserts each break in place.
#include "project/merge.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "support/wrap_reference.h"

namespace {

std::string ReplaceByRescanning(const std::string& tag, std::string text, const std::string& value) {
  for (;;) {
    const std::size_t at = norvane::AnsiLowerCase(text).find(tag);
    if (at == std::string::npos) return text;
    text.replace(at, tag.size(), value);
  }
}

// Splits at the first two NUL bytes: tag, value, text.
std::string_view Take(std::string_view& input) {
  const std::size_t end = input.find('\0');
  std::string_view part = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int width = data[0] % 80 - 1;
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string tag = norvane::AnsiLowerCase(Take(input));
  const std::string value(Take(input));
  const std::string text(input);

  const std::string merged = norvane::ReplaceTag(tag, text, value);
  // Every replacement consumes at least one character of the text.
  if (merged.size() > text.size() * (value.size() + 1)) abort();
  const bool value_can_begin_tag =
      !tag.empty() && norvane::AnsiLowerCase(value).find(tag[0]) != std::string::npos;
  if (!tag.empty() && !value_can_begin_tag && merged != ReplaceByRescanning(tag, text, value)) abort();

  if (norvane::WrapText(text, width) != norvane::test::WrapInPlace(text, width)) abort();

  const std::string address = norvane::ExtractEmailAddress(text);
  if (address.size() > text.size() || (!address.empty() && text.find(address) == std::string::npos)) abort();
  if (norvane::ExtractDomain(text).size() > 255) abort();
  return 0;
}
