// Words crossing between the project's text (Windows-1252) and the character
// set a dictionary or thesaurus is written in, as its own files name it (the
// SET line of a dictionary's .aff file, the first line of a thesaurus index:
// "UTF-8", "ISO8859-1", "microsoft-cp1251", ...). The two directions are
// exact: a word that one side cannot write is reported, never replaced by a
// look-alike, so a correction never brings in a character the person did
// not choose.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace norvane {

class TDictionaryEncoding {
 public:
  // Throws SpellError when the system knows no such character set.
  explicit TDictionaryEncoding(const std::string& name);
  ~TDictionaryEncoding();
  TDictionaryEncoding(const TDictionaryEncoding&) = delete;
  TDictionaryEncoding& operator=(const TDictionaryEncoding&) = delete;

  const std::string& Name() const { return name_; }
  // Nothing when a character of `ansi` has no place in the dictionary's set
  // (such a word cannot be in the dictionary).
  std::optional<std::string> FromAnsi(std::string_view ansi) const;
  // Nothing when `text` is not valid in the dictionary's set or holds a
  // character Windows-1252 lacks.
  std::optional<std::string> ToAnsi(std::string_view text) const;

 private:
  std::string name_;
  bool utf8_ = false;
  // UTF-8 to the dictionary's set and back, for sets other than UTF-8.
  iconv_t toDictionary_ = reinterpret_cast<iconv_t>(-1);
  iconv_t fromDictionary_ = reinterpret_cast<iconv_t>(-1);
};

}  // namespace norvane
