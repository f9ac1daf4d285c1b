#include "spell/user_dictionary.h"

#include <algorithm>

#include "platform/codepage.h"
#include "spell/spell_dictionary.h"
#include "spell/spell_error.h"
#include "spell/spell_file.h"

namespace norvane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool HasBlankOrControl(std::string_view word) {
  return std::any_of(word.begin(), word.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F || byte == 0xA0;
  });
}

}  // namespace

bool IsAddableWord(std::string_view word) {
  return !word.empty() && word.size() <= kMaxWordBytes && !HasBlankOrControl(word);
}

std::vector<std::string> ParseUserWords(std::string_view bytes) {
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  std::vector<std::string> words;
  ForEachLine(bytes, [&](std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (line.empty() || line[0] == '#' || line.size() > 4 * kMaxWordBytes) return;
    std::string word = Utf8ToAnsi(line);
    // Exact only: a line that does not come back the same was not 1252 text.
    if (AnsiToUtf8(word) != line || !IsAddableWord(word)) return;
    if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(std::move(word));
  });
  return words;
}

void TUserDictionary::Load() {
  words_ = ParseUserWords(ReadSpellFile(path_, kMaxUserDictionaryBytes, "user dictionary"));
}

bool TUserDictionary::Contains(std::string_view word) const {
  return std::find(words_.begin(), words_.end(), word) != words_.end();
}

void TUserDictionary::Add(std::string_view word) {
  if (!IsAddableWord(word))
    throw SpellError("\"" + std::string(word) + "\" cannot be added to the user dictionary");
  std::string content = ReadSpellFile(path_, kMaxUserDictionaryBytes, "user dictionary");
  std::vector<std::string> current = ParseUserWords(content);
  if (std::find(current.begin(), current.end(), word) == current.end()) {
    if (!content.empty() && content.back() != '\n') content += '\n';
    content += AnsiToUtf8(word);
    content += '\n';
    if (content.size() > kMaxUserDictionaryBytes)
      throw SpellError("The user dictionary " + path_ + " is full");
    SaveSpellFile(path_, content);
    current.emplace_back(word);
  }
  words_ = std::move(current);
}

}  // namespace norvane
