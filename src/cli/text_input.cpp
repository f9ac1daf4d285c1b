#include "cli/text_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/utf8_input.h"

namespace norvane::cli {

namespace {

[[noreturn]] void Refuse(const Utf8Conversion& out, const std::string& name, bool oneLine) {
  std::string text = name + ": " + std::to_string(out.unmappableCount) +
                     (out.unmappableCount == 1 ? " character has" : " characters have") +
                     " no Windows-1252 form, which the project holds:";
  for (const UnmappableChar& entry : out.unmappable) text += "\n  " + DescribeUnmappable(entry, !oneLine);
  if (out.unmappableCount > out.unmappable.size())
    text += "\n  and " + std::to_string(out.unmappableCount - out.unmappable.size()) + " more";
  text += "\nChange them, or give --replace-unmappable to store \"?\" in their place.";
  throw std::invalid_argument(text);
}

}  // namespace

std::string ReadInput(const std::string& path, std::size_t limit) {
  const bool standardInput = path == "-";
  const std::string name = standardInput ? "standard input" : path;
  int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + name + ": " + std::strerror(errno));
  struct stat info;
  if (!standardInput && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    throw std::runtime_error("cannot read " + name + ": it is a folder");
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int error = errno;
      if (!standardInput) ::close(fd);
      throw std::runtime_error("cannot read " + name + ": " + std::strerror(error));
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
    if (bytes.size() > limit) {
      if (!standardInput) ::close(fd);
      throw std::runtime_error(name + " is too long (more than " + std::to_string(limit) + " bytes)");
    }
  }
  if (!standardInput) ::close(fd);
  return bytes;
}

std::string AnsiFromArgument(std::string_view utf8, const std::string& what, bool replaceUnmappable) {
  Utf8Conversion out = ConvertUtf8ToAnsi(utf8);
  if (out.unmappableCount > 0 && !replaceUnmappable) Refuse(out, what, utf8.find('\n') == std::string::npos);
  return out.text;
}

std::string AnsiFromFile(std::string_view bytes, const std::string& name, bool replaceUnmappable,
                         bool* converted) {
  const bool utf8 = LooksLikeUtf8(bytes);
  if (converted) *converted = utf8;
  if (!utf8) return std::string(bytes);
  Utf8Conversion out = ConvertUtf8ToAnsi(bytes);
  if (out.unmappableCount > 0 && !replaceUnmappable) Refuse(out, name, false);
  return out.text;
}

std::string ReadBody(const std::string& file, bool replaceUnmappable) {
  std::string name = file == "-" ? "standard input" : file;
  std::string text = AnsiFromFile(ReadInput(file, kBodyInputLimit), name, replaceUnmappable);
  // The message import's own check, here so that nothing has changed yet when it fails.
  try {
    (void)MessageTextFromBytes(text);
  } catch (const EMemoCapacityError&) {
    throw std::invalid_argument(name + ": the text is longer than a message body holds (" +
                                std::to_string(kMemoCapacity) + " bytes)");
  }
  return text;
}

}  // namespace norvane::cli
