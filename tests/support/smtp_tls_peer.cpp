#include "support/smtp_tls_peer.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "support/loopback_port.h"

namespace norvane::test {

namespace {

std::string ScriptPath() {
  std::string here = __FILE__;
  return here.substr(0, here.rfind('/')) + "/smtp_tls_peer.py";
}

std::vector<std::string> Files(const std::string& folder, const std::string& suffix) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string path = entry.path().string();
    if (path.size() > suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
      files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

SmtpTlsPeer::SmtpTlsPeer(Options options) : options_(std::move(options)) {
  std::filesystem::create_directories(dir_.File("out"));
  for (int attempt = 0; attempt < 5; ++attempt) {
    port_ = options_.port != 0 ? options_.port : PickFreeTcpPort(options_.address);
    std::vector<std::string> args = {"/usr/bin/python3",    ScriptPath(),     options_.address,
                                     std::to_string(port_), dir_.File("out"), "--mode",
                                     options_.mode};
    if (!options_.cert.certFile.empty())
      args.insert(args.end(), {"--cert", options_.cert.certFile, "--key", options_.cert.keyFile});
    if (!options_.user.empty())
      args.insert(args.end(), {"--user", options_.user, "--password", options_.password});
    if (!options_.excludeAuth.empty()) args.insert(args.end(), {"--exclude-auth", options_.excludeAuth});
    child_.Start(std::move(args), dir_.File("stderr"));
    if (WaitUntilAccepting(child_, Ipv4Address(options_.address, port_), std::chrono::seconds(20))) return;
    child_.Stop();
  }
  throw std::runtime_error("smtp_tls_peer.py did not start: " + child_.StderrText());
}

SmtpTlsPeer::~SmtpTlsPeer() {
  child_.Stop();
}

std::vector<SmtpTlsPeer::Message> SmtpTlsPeer::Messages() const {
  std::vector<Message> messages;
  // The .json is renamed into place after the .eml, so a message with both is complete.
  for (const std::string& meta : Files(dir_.File("out"), ".json")) {
    const std::string stem = meta.substr(0, meta.size() - 5);
    messages.push_back({ReadFile(stem + ".eml"), ReadFile(meta)});
  }
  return messages;
}

std::size_t SmtpTlsPeer::MessageCount() const {
  return Files(dir_.File("out"), ".json").size();
}

}  // namespace norvane::test
