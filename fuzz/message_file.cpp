// Message import: the bytes of a text file as a body. Every line end of the
// result is CR LF, no NUL survives, the text stays within the editor's
// capacity, and reading the bytes from a file gives what converting them in
// memory gives.
#include "import/message_file.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  bool tooLong = false;
  try {
    text = norvane::MessageTextFromBytes(bytes);
  } catch (const norvane::EMemoCapacityError&) {
    tooLong = true;
  }
  if (!tooLong) {
    if (text.size() > norvane::kMemoCapacity) __builtin_trap();
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\0') __builtin_trap();
      if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) __builtin_trap();
      if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) __builtin_trap();
    }
  }

  static const std::string path = "/tmp/fuzz_message_file_" + std::to_string(::getpid()) + ".txt";
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
      if (norvane::ReadMessageFile(path) != text || tooLong) __builtin_trap();
    } catch (const norvane::EMemoCapacityError&) {
      if (!tooLong) __builtin_trap();
    }
  }
  return 0;
}
