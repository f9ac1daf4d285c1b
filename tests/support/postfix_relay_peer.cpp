#include "support/postfix_relay_peer.h"

#include <poll.h>
#include <pwd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "support/loopback_port.h"

namespace norvane::test {

namespace {

void Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("PostfixRelayPeer: cannot write " + path);
}

}  // namespace

PostfixRelayPeer::PostfixRelayPeer(const TestCertificate& cert, const std::string& nextHost,
                                   uint16_t nextPort, std::string address)
    : address_(std::move(address)) {
  if (geteuid() != 0) throw std::runtime_error("PostfixRelayPeer: Postfix's master runs as root only");
  // Postfix's own processes run as its mail owner, which must reach the queue and data folders.
  if (chmod(dir_.path().c_str(), 0755) != 0)
    throw std::runtime_error("PostfixRelayPeer: cannot open up " + dir_.path());
  const std::string conf = dir_.File("conf");
  std::filesystem::create_directories(conf);
  std::filesystem::create_directories(dir_.File("queue"));
  std::filesystem::create_directories(dir_.File("data"));
  if (const passwd* owner = getpwnam("postfix")) {
    if (chown(dir_.File("data").c_str(), owner->pw_uid, owner->pw_gid) != 0)
      throw std::runtime_error("PostfixRelayPeer: cannot give the data folder to postfix");
  }
  port_ = PickFreeTcpPort(address_);
  std::ostringstream main;
  main << "compatibility_level = 3.6\n"
       << "queue_directory = " << dir_.File("queue") << "\n"
       << "data_directory = " << dir_.File("data") << "\n"
       << "mail_owner = postfix\n"
       << "inet_interfaces = 127.0.0.1\n"
       << "mynetworks = 127.0.0.0/8\n"
       << "mydestination =\n"
       << "myhostname = relay.test\n"
       << "relayhost = [" << nextHost << "]:" << nextPort << "\n"
       << "smtpd_relay_restrictions = permit_mynetworks, reject\n"
       << "maillog_file = " << dir_.File("maillog") << "\n"
       << "maillog_file_prefixes = " << dir_.path() << "\n"
       << "alias_maps =\nalias_database =\nlocal_recipient_maps =\n"
       << "smtpd_tls_cert_file = " << cert.certFile << "\n"
       << "smtpd_tls_key_file = " << cert.keyFile << "\n"
       << "smtpd_tls_security_level = may\n"
       << "smtpd_tls_loglevel = 1\n"
       << "smtp_tls_security_level = none\n"
       // Copies leave at once, and many at a time, so a large run is not held in the queue.
       << "default_destination_concurrency_limit = 50\n"
       << "queue_run_delay = 1s\nminimal_backoff_time = 1s\n";
  Write(conf + "/main.cf", main.str());
  std::ifstream in("/etc/postfix/master.cf");
  std::string master, line;
  while (std::getline(in, line)) {
    // The listener of the test replaces the system's port 25 one; chroot off, as nothing is copied in.
    if (line.rfind("smtp ", 0) == 0 && line.find(" inet ") != std::string::npos)
      line = address_ + ":" + std::to_string(port_) + " inet n - n - - smtpd";
    master += line + "\n";
  }
  Write(conf + "/master.cf", master);
  const std::string checkLog = dir_.File("check.log");
  if (RunToEnd({"postfix", "-c", conf, "check"}, checkLog) != 0)
    // Postfix tells its configuration errors to a terminal or syslog only; run it under
    // `script -q -c "postfix -c DIR check" /dev/null` to see them.
    throw std::runtime_error("PostfixRelayPeer: postfix check failed: " + ReadFile(checkLog));
  child_.Start({"postfix", "-c", conf, "start-fg"}, dir_.File("stderr"), true);
  if (!WaitUntilAccepting(child_, Ipv4Address(address_, port_), std::chrono::seconds(30))) {
    const std::string why = child_.StderrText() + Log();
    RunToEnd({"postfix", "-c", conf, "stop"});
    throw std::runtime_error("PostfixRelayPeer: Postfix did not start: " + why);
  }
}

PostfixRelayPeer::~PostfixRelayPeer() {
  RunToEnd({"postfix", "-c", dir_.File("conf"), "stop"});
  child_.Stop();
}

std::string PostfixRelayPeer::Log() const {
  try {
    return ReadFile(dir_.File("maillog"));
  } catch (const std::exception&) {
    return {};
  }
}

bool WaitForFolder(const std::string& folder, const std::function<bool()>& done,
                   std::chrono::milliseconds budget) {
  const int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (fd < 0) return done();
  inotify_add_watch(fd, folder.c_str(), IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO);
  const auto end = std::chrono::steady_clock::now() + budget;
  bool ok = done();
  while (!ok) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    // The predicate is asked again after every change, and once a second for what no event shows.
    if (poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000))) > 0) {
      char events[4096];
      while (read(fd, events, sizeof events) > 0) {
      }
    }
    ok = done();
  }
  close(fd);
  return ok;
}

}  // namespace norvane::test
