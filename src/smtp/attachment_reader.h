// Reads one attachment file as raw bytes and hands it out as base64 lines of
// at most 60 characters (45 bytes each). The file is read through a fixed
// buffer of a few tens of kilobytes, so memory stays flat whatever the file's
// size while still yielding one line per call.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace norvane {

class AttachmentReader {
 public:
  static constexpr std::size_t kBytesPerLine = 45;

  AttachmentReader();
  ~AttachmentReader();
  AttachmentReader(const AttachmentReader&) = delete;
  AttachmentReader& operator=(const AttachmentReader&) = delete;

  // Opens the file read-only. Throws SmtpException "Cannot open attachment
  // '<path>': <reason>" when it cannot.
  void Open(const std::string& path);
  // Replaces `line` with the encoding of the next (up to) 45 bytes and returns
  // whether bytes are left after them. An empty file yields one empty line.
  // Throws SmtpException when reading fails.
  bool EncodeLine(std::string& line);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

 private:
  // Tops the buffer up to at least one line's worth unless the file has ended.
  void Fill();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::vector<unsigned char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
};

}  // namespace norvane
