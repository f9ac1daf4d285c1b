// Feeds arbitrary TXT record text to the DKIM key record parser: it must end
// with a record or a reason, never both, and what it keeps must follow the
// tag grammar (no ";" in a value, no blanks left in the key).
#include "smtp/dkim_record.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto tags = norvane::ParseDkimTagList(text, error);
  if (tags) {
    for (const auto& [name, value] : *tags) {
      if (name.empty() || value.find(';') != std::string::npos) abort();
    }
  } else if (error.empty()) {
    abort();
  }
  error.clear();
  auto record = norvane::ParseDkimKeyRecord(text, error);
  if (record) {
    if (record->publicKey.find_first_of(" \t\r\n") != std::string::npos) abort();
  } else if (error.empty()) {
    abort();
  }
  return 0;
}
