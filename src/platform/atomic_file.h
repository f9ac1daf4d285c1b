// Saving a file so that a failure at any point leaves the previous file as it
// was: the bytes go to a temporary file in the same folder, which is flushed
// to disk and then renamed over the target; the folder is synced last so the
// rename itself survives a crash. On any failure the temporary file is removed
// and an AtomicFileError names the step that failed and the system's reason.
//
// A symbolic link is saved through: the links are followed to the file they
// name, the temporary file is made beside that file and renamed over it, so
// the link stays a link. An existing file keeps its mode and, where the
// process may set it, its owner and group; a new file gets 0666 less the umask.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace norvane {

// "Cannot save '<path>': <step> failed: <reason>", with the path as given and
// the system's reason in lower case ("no space left on device").
class AtomicFileError : public std::runtime_error {
 public:
  AtomicFileError(const std::string& path, std::string step, std::string reason);

  // "resolve symbolic link", "create temporary file", "set file mode",
  // "write", "sync", "close" or "rename".
  const std::string& step() const { return step_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string step_;
  std::string reason_;
};

// The system's text for `error` with its first letter in lower case, to follow a colon.
std::string SystemReason(int error);

inline constexpr char kCreateStep[] = "create temporary file";

// Who may read the saved file.
enum class FileAccess {
  kDocument,   // as described above
  kOwnerOnly,  // mode 0600 from the first byte on, also when replacing: keys, passwords
};

class AtomicFile {
 public:
  // Creates the temporary file beside `path` (beside the file it links to,
  // when it is a symbolic link); throws AtomicFileError.
  explicit AtomicFile(std::string path, FileAccess access = FileAccess::kDocument);
  // Removes the temporary file unless Commit() succeeded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(const void* data, std::size_t length);
  void Write(std::string_view text) { Write(text.data(), text.size()); }

  // Flushes, syncs, renames over the target and syncs the folder.
  void Commit();

  const std::string& path() const { return path_; }

  // Test seam: every AtomicFile made while this is set fails its write with
  // ENOSPC once `bytes` bytes have been written. Negative switches it off.
  static void FailAfterBytesForTesting(long long bytes);

 private:
  void Flush();
  [[noreturn]] void Fail(const char* step, int error);

  std::string path_;        // as given, for messages
  std::string targetPath_;  // the file the links lead to, which the rename replaces
  std::string tempPath_;
  int fd_ = -1;
  bool committed_ = false;
  std::string buffer_;
  long long written_ = 0;
  long long failAfter_ = -1;
};

// Writes `content` to `path` atomically.
void WriteFileAtomically(const std::string& path, std::string_view content,
                         FileAccess access = FileAccess::kDocument);

}  // namespace norvane
