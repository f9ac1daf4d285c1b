// Tips files: every tip the reader keeps is one non-blank line without line
// breaks or control characters, and a tip dialog over them steps through
// them without leaving its list.
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/tips.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> tips = norvane::TipsFromText(bytes);
  for (const std::string& tip : tips) {
    if (tip.empty() || tip.size() > size) __builtin_trap();
    if (tip.find_first_not_of(" \t") == std::string::npos) __builtin_trap();
    for (char c : tip) {
      unsigned char byte = static_cast<unsigned char>(c);
      if ((byte < 0x20 && byte != '\t') || byte == 0x7F) __builtin_trap();
    }
  }
  norvane::TTipForm form;
  form.Tips = tips;
  form.Random = [size](int count) { return static_cast<int>(size % 3) - 1 + count / 2; };
  form.FormShow();
  for (std::size_t i = 0; i < size % 7; ++i) {
    (i % 2 ? form.LastClick() : form.NextClick());
    if (form.Current < 0 || form.Current >= static_cast<int>(form.Tips.size())) __builtin_trap();
  }
  return 0;
}
