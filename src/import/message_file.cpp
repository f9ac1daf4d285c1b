#include "import/message_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "import/text_file.h"

namespace norvane {

std::string MessageTextFromBytes(std::string_view bytes) {
  auto nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 32);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r') {
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      text += "\r\n";
    } else if (c == '\n') {
      text += "\r\n";
    } else {
      text += c;
    }
  }
  return text;
}

std::string ReadMessageFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EInOutError("Cannot open file " + path);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      throw EInOutError("Cannot open file " + path);
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return MessageTextFromBytes(bytes);
}

}  // namespace norvane
