// Which bytes of a text (ANSI, Windows-1252) the spell checker looks at.
//
// A text is read as chunks separated by white space. Left out, so that a
// message full of mail-merge tags, addresses and figures is not a wall of
// false alarms:
//  - merge tags and anything else in angle brackets on one line, with at most
//    kMaxTagLength bytes between "<" and ">" and no blank just inside either
//    ("<name>", "<first name>", "<b>"; not "a < b and c > d");
//  - chunks that hold "@" (e-mail addresses), "://" or begin with "www."
//    (web addresses), or hold "/", "\", "_", "=", "#", "~", "%" or a "."
//    followed by a letter or digit (file names, host names, "e.g."): a typo
//    such as a missing blank after a full stop is missed in exchange;
//  - words holding a digit ("2nd", "A4", "10am") and numbers;
//  - words written in capitals of up to kMaxSkippedCapitals letters
//    (acronyms: "SMTP", "HTTPS"); longer ones ("IMPORTANT") are checked.
// A word is a run of letters and digits; an apostrophe (' or the typographic
// one) or a hyphen between two of them stays inside the word ("don't",
// "e-mail"), so the dictionary judges the whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

inline constexpr std::size_t kMaxTagLength = 64;
inline constexpr std::size_t kMaxSkippedCapitals = 6;

struct TTextWord {
  std::size_t Offset = 0;
  std::size_t Length = 0;
  std::size_t End() const { return Offset + Length; }
  bool operator==(const TTextWord&) const = default;
};

// A letter of the ANSI code page (A-Z, a-z, the accented Latin letters,
// Š Œ Ž š œ ž Ÿ ƒ ª µ º ß).
bool IsAnsiLetter(char c);

// The words to check, in text order. One pass over the text.
std::vector<TTextWord> WordsToCheck(std::string_view text);

// The word at the caret (a position between bytes; the word before it when
// the caret stands at its end), for the thesaurus; none when the caret
// touches no word. The leaving-out rules above do not apply here.
std::optional<TTextWord> WordAt(std::string_view text, std::size_t caret);

// The line holding the word, cut to kContextBytes on each side of it, for the
// check dialog.
inline constexpr std::size_t kContextBytes = 40;
struct TWordContext {
  std::string Text;
  std::size_t WordOffset = 0;  // where the word starts in Text
};
TWordContext ContextOf(std::string_view text, TTextWord word);

// `replacement` written in the letter case of `original`: all capitals when
// it has two or more letters all in capitals, a capital first letter when it
// starts with one, otherwise as it is.
std::string MatchCase(std::string_view original, std::string_view replacement);

}  // namespace norvane
