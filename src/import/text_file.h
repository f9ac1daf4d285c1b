// Comma-separated recipient files: record reading and field splitting.
//
// A line ends at CR LF, at a lone CR and at a lone LF (files written on Linux
// end their lines with LF alone; a lone LF must never end up inside an address).
// A record is one line, except that a double-quoted field runs on to its
// closing quote across line ends, each of which becomes one blank: text inside
// a field (a "Bcc:" line, a lone ".") must never become a record of its own.
// A Ctrl-Z byte ends the file, and the last line needs no line end. The file
// is read through a fixed buffer, so memory holds one record at a time
// whatever the file's size; a record longer than kMaxRecordBytes, a quote
// still open at the end and a file whose first block is not text are refused.
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

// Content that cannot be a recipient list: not text, a record over the
// length cap, or a quoted field that never closes. The message names the
// file and, where there is one, the line.
class ETextFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A longer record is refused: a file without line ends (a binary file, a
// runaway quote) would otherwise be held in memory whole, twice.
inline constexpr std::size_t kMaxRecordBytes = 1 << 20;
// The first block is checked for text: it must hold no NUL byte, and at most
// one byte in ten may be a control character that text does not use (TAB,
// LF, VT, FF, CR, Ctrl-Z and ESC are text), also after a Ctrl-Z.
inline constexpr std::size_t kTextCheckBytes = 64 * 1024;

class TextRecordReader {
 public:
  // Opens `path` for reading; throws EInOutError, or ETextFileError when the
  // file's first block is not text.
  explicit TextRecordReader(const std::string& path);
  // Reads records from bytes in memory (tests, fuzzing); `name` stands for
  // the file name in messages.
  static TextRecordReader FromBytes(std::string bytes, std::string name = "the text");
  ~TextRecordReader();
  TextRecordReader(TextRecordReader&& other) noexcept;
  TextRecordReader& operator=(TextRecordReader&&) = delete;
  TextRecordReader(const TextRecordReader&) = delete;
  TextRecordReader& operator=(const TextRecordReader&) = delete;

  // True when no record is left (the end of the bytes or a Ctrl-Z).
  bool Eof();
  // The next record without its line end; an empty text at the end. Throws
  // EInOutError, or ETextFileError for an overlong record or an open quote.
  std::string ReadRecord();
  // As ReadRecord, into `record`, reusing its storage.
  void ReadRecord(std::string& record);
  // Starts again at the first record.
  void Rewind();

  const std::string& path() const { return path_; }

 private:
  TextRecordReader() = default;
  bool Fill();  // false at the end of the bytes
  void CheckFirstBlock();
  [[noreturn]] void Fail(const char* what, int error) const;
  [[noreturn]] void FailRecord(const std::string& what) const;

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;   // no more bytes, or a Ctrl-Z was met
  bool skipLf_ = false;  // the last line ended with CR: a LF right after belongs to it
  bool inMemory_ = false;
  long long line_ = 1;        // the physical line the next byte is on
  long long recordLine_ = 1;  // the line the current record started on
};

// Splits one record at the commas outside double quotes. Every double quote is
// removed from a field, and characters up to code 32 from both of its ends. A
// record that ends with a comma gives no empty last field; an empty record
// gives one empty field.
void SplitLine(std::string_view line, std::vector<std::string>& fields);
std::vector<std::string> SplitLine(std::string_view line);

// `text` without characters of code up to 32 at either end.
std::string_view TrimControl(std::string_view text);
// As TrimControl, only at the right end.
std::string_view TrimControlRight(std::string_view text);

}  // namespace norvane
