// Feeds arbitrary text to the spell checker's word finder: every word lies
// inside the text, in order, without overlap, starts and ends with a letter
// or digit; the word at any caret and the context of any word stay inside.
#include "spell/spell_text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool IsWordEdge(char c) {
  return norvane::IsAnsiLetter(c) || (c >= '0' && c <= '9');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t previousEnd = 0;
  for (const norvane::TTextWord& word : norvane::WordsToCheck(text)) {
    if (word.Length == 0 || word.Offset < previousEnd || word.End() > text.size()) __builtin_trap();
    if (!IsWordEdge(text[word.Offset]) || !IsWordEdge(text[word.End() - 1])) __builtin_trap();
    norvane::TWordContext context = norvane::ContextOf(text, word);
    if (context.Text.substr(context.WordOffset, word.Length) != text.substr(word.Offset, word.Length))
      __builtin_trap();
    previousEnd = word.End();
  }
  for (std::size_t caret = 0; caret <= text.size() && caret < 64; ++caret) {
    if (auto word = norvane::WordAt(text, caret)) {
      if (word->Offset > caret || word->End() < caret || word->End() > text.size()) __builtin_trap();
    }
  }
  return 0;
}
