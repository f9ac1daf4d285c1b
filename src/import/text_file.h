// Comma-separated recipient files: line reading and field splitting.
//
// A line ends at CR LF, at a lone CR and at a lone LF (files written on Linux
// end their lines with LF alone; a lone LF must never end up inside an address).
// A Ctrl-Z byte ends the file, and the last line needs no line end. The file is
// read through a fixed buffer, so memory holds one line at a time whatever the
// file's size.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

// A failure of the platform's file input/output; the message names the file
// and the system's reason.
class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TextLineReader {
 public:
  // Opens `path` for reading; throws EInOutError.
  explicit TextLineReader(const std::string& path);
  // Reads lines from bytes in memory (tests, fuzzing).
  static TextLineReader FromBytes(std::string bytes);
  ~TextLineReader();
  TextLineReader(TextLineReader&& other) noexcept;
  TextLineReader& operator=(TextLineReader&&) = delete;
  TextLineReader(const TextLineReader&) = delete;
  TextLineReader& operator=(const TextLineReader&) = delete;

  // True when no line is left (the end of the bytes or a Ctrl-Z).
  bool Eof();
  // The next line without its line end; an empty text at the end. Throws EInOutError.
  std::string ReadLine();
  // As ReadLine, into `line`, reusing its storage.
  void ReadLine(std::string& line);
  // Starts again at the first line.
  void Rewind();

  const std::string& path() const { return path_; }

 private:
  TextLineReader() = default;
  bool Fill();  // false at the end of the bytes
  [[noreturn]] void Fail(const char* what, int error) const;

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;   // no more bytes, or a Ctrl-Z was met
  bool skipLf_ = false;  // the previous line ended with CR: a LF right after belongs to it
  bool inMemory_ = false;
};

// Splits one line at the commas outside double quotes. Every double quote is
// removed from a field, and characters up to code 32 from both of its ends. A
// line that ends with a comma gives no empty last field; an empty line gives
// one empty field.
void SplitLine(std::string_view line, std::vector<std::string>& fields);
std::vector<std::string> SplitLine(std::string_view line);

// `text` without characters of code up to 32 at either end.
std::string_view TrimControl(std::string_view text);
// As TrimControl, only at the right end.
std::string_view TrimControlRight(std::string_view text);

}  // namespace norvane
