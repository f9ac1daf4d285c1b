#include "spell/spell_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/codepage.h"

namespace norvane {

namespace {

const std::array<bool, 256>& LetterTable() {
  static const std::array<bool, 256> table = [] {
    std::array<bool, 256> t{};
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = t[c + 32] = true;
    for (int c : {0x83, 0x8A, 0x8C, 0x8E, 0x9A, 0x9C, 0x9E, 0x9F, 0xAA, 0xB5, 0xBA}) t[c] = true;
    for (int c = 0xC0; c <= 0xFF; ++c) t[c] = c != 0xD7 && c != 0xF7;
    return t;
  }();
  return table;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsWordByte(char c) {
  return IsAnsiLetter(c) || IsDigit(c);
}

// Joins two word bytes into one word: the apostrophe, its typographic form
// (0x92) and the hyphen.
bool IsJoiner(char c) {
  return c == '\'' || c == '\x92' || c == '-';
}

// Blanks, line ends, other control bytes and the no-break space.
bool IsSeparator(char c) {
  auto byte = static_cast<uint8_t>(c);
  return byte <= 0x20 || byte == 0x7F || byte == 0xA0;
}

bool IsUpperLetter(char c) {
  return IsAnsiLetter(c) && AnsiLower(c) != c;
}

// The end of the tag that starts at `start` ("<" ... ">" on one line, at most
// kMaxTagLength bytes inside, no blank just inside either bracket, so that
// "a < b and c > d" stays prose), or `start` when none starts there.
std::size_t TagEnd(std::string_view text, std::size_t start) {
  if (start + 1 >= text.size() || IsSeparator(text[start + 1])) return start;
  std::size_t limit = std::min(text.size(), start + 1 + kMaxTagLength + 1);
  for (std::size_t i = start + 1; i < limit; ++i) {
    char c = text[i];
    if (c == '>') return IsSeparator(text[i - 1]) ? start : i + 1;
    if (c == '<' || c == '\r' || c == '\n') return start;
  }
  return start;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && AnsiEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// An e-mail or web address, a file or host name, an abbreviation with dots.
bool IsAddressLike(std::string_view chunk) {
  std::size_t first = 0, last = chunk.size();
  while (first < last && !IsWordByte(chunk[first])) ++first;
  while (last > first && !IsWordByte(chunk[last - 1])) --last;
  std::string_view core = chunk.substr(first, last - first);
  if (core.empty()) return false;
  if (chunk.find('@') != std::string_view::npos || chunk.find("://") != std::string_view::npos) return true;
  if (StartsWithNoCase(core, "www.")) return true;
  if (chunk.find_first_of("/\\_=#~%") != std::string_view::npos) return true;
  for (std::size_t i = 0; i + 1 < core.size(); ++i)
    if (core[i] == '.' && IsWordByte(core[i + 1])) return true;
  return false;
}

bool IsLeftOut(std::string_view word) {
  std::size_t letters = 0;
  bool allCapitals = true;
  for (char c : word) {
    if (IsDigit(c)) return true;
    if (IsAnsiLetter(c)) {
      ++letters;
      if (!IsUpperLetter(c)) allCapitals = false;
    }
  }
  return allCapitals && letters <= kMaxSkippedCapitals;
}

void AddWords(std::string_view text, std::size_t start, std::size_t end, std::vector<TTextWord>& words) {
  std::size_t i = start;
  while (i < end) {
    if (!IsWordByte(text[i])) {
      ++i;
      continue;
    }
    std::size_t begin = i;
    while (i < end) {
      if (IsWordByte(text[i])) {
        ++i;
      } else if (IsJoiner(text[i]) && i + 1 < end && IsWordByte(text[i + 1])) {
        i += 2;
      } else {
        break;
      }
    }
    if (!IsLeftOut(text.substr(begin, i - begin))) words.push_back({begin, i - begin});
  }
}

}  // namespace

bool IsAnsiLetter(char c) {
  return LetterTable()[static_cast<uint8_t>(c)];
}

std::vector<TTextWord> WordsToCheck(std::string_view text) {
  std::vector<TTextWord> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsSeparator(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == '<') {
      if (std::size_t end = TagEnd(text, i); end != i) {
        i = end;
        continue;
      }
    }
    // A chunk runs to the next separator or the next tag.
    std::size_t start = i++;
    while (i < text.size() && !IsSeparator(text[i]) && !(text[i] == '<' && TagEnd(text, i) != i)) ++i;
    if (!IsAddressLike(text.substr(start, i - start))) AddWords(text, start, i, words);
  }
  return words;
}

std::optional<TTextWord> WordAt(std::string_view text, std::size_t caret) {
  caret = std::min(caret, text.size());
  auto inWord = [&](std::size_t at) {
    if (at >= text.size()) return false;
    if (IsWordByte(text[at])) return true;
    return IsJoiner(text[at]) && at > 0 && at + 1 < text.size() && IsWordByte(text[at - 1]) &&
           IsWordByte(text[at + 1]);
  };
  std::size_t begin = caret;
  if (!inWord(begin)) {
    if (begin == 0 || !inWord(begin - 1)) return std::nullopt;
  }
  while (begin > 0 && inWord(begin - 1)) --begin;
  std::size_t end = std::max(begin, caret);
  while (end < text.size() && inWord(end)) ++end;
  std::string_view word = text.substr(begin, end - begin);
  if (std::none_of(word.begin(), word.end(), IsAnsiLetter)) return std::nullopt;
  return TTextWord{begin, end - begin};
}

TWordContext ContextOf(std::string_view text, TTextWord word) {
  std::size_t lineStart = word.Offset;
  while (lineStart > 0 && text[lineStart - 1] != '\n' && text[lineStart - 1] != '\r') --lineStart;
  std::size_t lineEnd = word.End();
  while (lineEnd < text.size() && text[lineEnd] != '\n' && text[lineEnd] != '\r') ++lineEnd;
  std::size_t start = std::max(lineStart, word.Offset > kContextBytes ? word.Offset - kContextBytes : 0);
  std::size_t end = std::min(lineEnd, word.End() + kContextBytes);
  return {std::string(text.substr(start, end - start)), word.Offset - start};
}

std::string MatchCase(std::string_view original, std::string_view replacement) {
  std::size_t letters = 0, capitals = 0;
  for (char c : original) {
    if (!IsAnsiLetter(c)) continue;
    ++letters;
    if (IsUpperLetter(c)) ++capitals;
  }
  std::string result(replacement);
  if (letters >= 2 && capitals == letters) return AnsiUpperCase(result);
  if (!original.empty() && IsUpperLetter(original[0]) && !result.empty()) result[0] = AnsiUpper(result[0]);
  return result;
}

}  // namespace norvane
