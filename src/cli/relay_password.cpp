#include "cli/relay_password.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace norvane::cli {

namespace {

// Puts the terminal's echo back however the read ends.
class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string ReadPasswordFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::invalid_argument("--password-file: cannot read '" + path + "': " + std::strerror(errno));
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.empty())
    throw std::invalid_argument("--password-file: '" + path + "' holds no password on its first line");
  return line;
}

std::optional<std::string> GivenPassword(const std::optional<std::string>& passwordFile) {
  if (passwordFile) return ReadPasswordFile(*passwordFile);
  const char* variable = std::getenv(kPasswordVariable);
  if (variable && *variable) return std::string(variable);
  return std::nullopt;
}

std::optional<std::string> AskPassword(const std::string& prompt) {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string answer;
  bool ended = false;
  {
    EchoOff quiet(fd);
    WriteAll(fd, prompt);
    char c;
    for (;;) {
      const ssize_t n = ::read(fd, &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      if (c == '\n') {
        ended = true;
        break;
      }
      answer += c;
    }
  }
  ::close(fd);
  if (!ended && answer.empty()) return std::nullopt;  // end of input: no answer
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  return answer;
}

}  // namespace norvane::cli
