// A file that only ever grows by whole records, for the run journal: each
// Append is one write(2) to a descriptor opened with O_APPEND, so a record is
// in the kernel (and survives the process being killed) as soon as Append
// returns; DataSync makes it survive a power loss too. The file doubles as
// the lock that keeps a second run off the same project.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace norvane {

class AppendFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AppendOnlyFile {
 public:
  // Opens (creating it when missing) `path` for appending; throws AppendFileError.
  explicit AppendOnlyFile(std::string path);
  ~AppendOnlyFile();
  AppendOnlyFile(const AppendOnlyFile&) = delete;
  AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

  // Takes the exclusive lock without waiting; false when another process holds it.
  // The lock lasts as long as this object (or the process).
  bool TryLock();

  // Writes `record` whole at the end of the file; throws AppendFileError with the system's reason.
  void Append(std::string_view record);
  // Flushes the data written so far to the disk; throws AppendFileError.
  void DataSync();
  // Replaces the whole content atomically (temporary file, sync, rename) and keeps
  // appending to the new file; the lock, when held, moves with it. The old file stays
  // as it was when anything fails.
  void Replace(std::string_view content);
  // The same with the content written a piece at a time by `produce`, so a large
  // content needs no memory of its size. Whatever `produce` throws leaves the old file.
  using PieceWriter = std::function<void(std::string_view piece)>;
  void Replace(const std::function<void(const PieceWriter& write)>& produce);

  uint64_t Size() const { return size_; }
  const std::string& path() const { return path_; }

  // Test seam: every file opened while this is set fails its appends with ENOSPC
  // once `bytes` more bytes have been appended. Negative switches it off.
  static void FailAfterBytesForTesting(long long bytes);

 private:
  [[noreturn]] void Fail(const char* step, int error) const;

  std::string path_;
  int fd_ = -1;
  bool locked_ = false;
  uint64_t size_ = 0;
  long long failAfter_ = -1;
};

// Reads a whole file; a missing file reads as empty with `exists` set false.
// Throws AppendFileError on any other failure.
std::string ReadWholeFile(const std::string& path, bool* exists = nullptr);
// The first `length` bytes of a file (fewer when it is shorter); as ReadWholeFile otherwise.
std::string ReadFileStart(const std::string& path, std::size_t length, bool* exists = nullptr);

}  // namespace norvane
