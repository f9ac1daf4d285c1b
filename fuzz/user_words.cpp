// Feeds arbitrary bytes to the user dictionary reader: every word it keeps
// can be added again, and writing the words out and reading them back gives
// the same list.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "spell/user_dictionary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto words = norvane::ParseUserWords(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string file;
  for (const std::string& word : words) {
    if (!norvane::IsAddableWord(word)) __builtin_trap();
    file += norvane::AnsiToUtf8(word) + "\n";
  }
  if (norvane::ParseUserWords(file) != words) __builtin_trap();
  return 0;
}
