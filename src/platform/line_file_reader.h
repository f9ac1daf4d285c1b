// Reading a file a line at a time, for files that may be larger than memory
// should hold (the run journal of a mailing of a million recipients).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/append_only_file.h"

namespace norvane {

// Reads a file line by line (LF ends a line) a piece at a time, so a file of any
// size costs about its longest line of memory.
class LineFileReader {
 public:
  // A missing file reads as empty with exists() false; throws AppendFileError on any
  // other failure.
  explicit LineFileReader(const std::string& path);
  ~LineFileReader();
  LineFileReader(const LineFileReader&) = delete;
  LineFileReader& operator=(const LineFileReader&) = delete;

  bool exists() const { return fd_ >= 0; }
  // The next line without its LF, and the file offset where it starts; false at the end.
  // `complete` is false for a last line without LF (cut off by a crash). The view lasts
  // until the next call.
  bool Next(std::string_view& line, uint64_t& offset, bool& complete);
  // Continues reading at `offset` (the start of a line).
  void Seek(uint64_t offset);
  // `length` bytes at `offset`, read apart from the line-by-line position.
  std::string ReadAt(uint64_t offset, std::size_t length);

 private:
  bool Fill();

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t begin_ = 0;     // first unread byte in buffer_
  uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
  bool eof_ = false;
};

}  // namespace norvane
