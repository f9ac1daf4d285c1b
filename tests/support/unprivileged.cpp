#include "support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <stdexcept>

namespace norvane::test {

namespace {

constexpr uid_t kNobody = 65534;

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string RunUnprivileged(const std::function<std::string()>& piece) {
  if (::geteuid() != 0) return piece();
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(pipeFds[0]);
    std::string result;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      result = "cannot give up root";
    } else {
      try {
        result = piece();
      } catch (const std::exception& error) {
        result = std::string("exception: ") + error.what();
      }
    }
    WriteAll(pipeFds[1], result);
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string result;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    result.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("the unprivileged child failed");
  return result;
}

}  // namespace norvane::test
