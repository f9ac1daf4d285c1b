#include "support/test_certificate.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <stdexcept>

#include "support/temp_dir.h"

extern char** environ;

namespace norvane::test {

int RunToEnd(const std::vector<std::string>& args, const std::string& outputPath) {
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& arg : copy) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string output = outputPath.empty() ? "/dev/null" : outputPath;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TestCertificate MakeTestCertificate(const std::string& folder, const std::string& altNames) {
  std::string stem;
  for (char c : altNames) stem += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  TestCertificate cert{folder + "/" + stem + ".crt", folder + "/" + stem + ".key"};
  const std::string first =
      altNames.substr(altNames.find(':') + 1, altNames.find(',') - altNames.find(':') - 1);
  const std::string log = folder + "/" + stem + ".log";
  const int status =
      RunToEnd({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                "-nodes", "-keyout", cert.keyFile, "-out", cert.certFile, "-days", "2", "-subj",
                "/CN=" + first, "-addext", "subjectAltName=" + altNames},
               log);
  if (status != 0) throw std::runtime_error("openssl could not make a certificate: " + ReadFile(log));
  return cert;
}

}  // namespace norvane::test
