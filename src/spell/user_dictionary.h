// The words the person added to the dictionary: a text file in UTF-8, one word
// per line, in the settings folder unless the configuration names another.
// The file is the person's as much as ours (they may edit it), so reading is
// forgiving: blank lines, lines starting with "#", lines longer than a word
// can be, lines that are not valid UTF-8 or hold characters Windows-1252
// lacks, and lines with blanks or control characters inside are passed over;
// a byte order mark is allowed. Adding a word appends a line and keeps every
// other byte of the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvane {

inline constexpr std::size_t kMaxUserDictionaryBytes = 4 * 1024 * 1024;

// The words of the file's bytes (as ANSI), in file order, each once.
std::vector<std::string> ParseUserWords(std::string_view bytes);

// A word that may be added: not empty, no blanks or control characters, not
// longer than the dictionaries check.
bool IsAddableWord(std::string_view word);

class TUserDictionary {
 public:
  explicit TUserDictionary(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  // A missing file is an empty dictionary. Throws SpellError when the file
  // cannot be read or is larger than kMaxUserDictionaryBytes.
  void Load();
  const std::vector<std::string>& Words() const { return words_; }
  bool Contains(std::string_view word) const;
  // Appends the word to the file, read afresh so that words another program
  // added meanwhile stay, and saved atomically. Throws SpellError (the word
  // is then not in Words()).
  void Add(std::string_view word);

 private:
  std::string path_;
  std::vector<std::string> words_;
};

}  // namespace norvane
