// `norvane sandbox`: runs the local capture service in the foreground until
// Ctrl-C (or SIGTERM).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "cli/commands.h"
#include "platform/event_loop.h"
#include "sandbox/sandbox.h"

namespace norvane::cli {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

uint16_t ParsePort(const std::string& option, const std::string& text) {
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value > 65535 || text[0] == '-' || text[0] == '+')
    throw std::invalid_argument(option + " needs a port number from 0 to 65535, not '" + text + "'");
  return static_cast<uint16_t>(value);
}

SandboxOptions ParseOptions(const Args& args) {
  SandboxOptions options;
  options.dnsPort = 10053;
  options.smtpPort = 10025;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i], value;
    if (size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    } else if (name == "--dir" || name == "--dns-port" || name == "--smtp-port" || name == "--address") {
      if (i + 1 >= args.size()) throw std::invalid_argument(name + " needs a value");
      value = args[++i];
    }
    if (name == "--dir") {
      if (value.empty()) throw std::invalid_argument("--dir needs a folder");
      options.folder = value;
    } else if (name == "--dns-port") {
      options.dnsPort = ParsePort(name, value);
    } else if (name == "--smtp-port") {
      options.smtpPort = ParsePort(name, value);
    } else if (name == "--address") {
      options.address = value;
    } else {
      throw std::invalid_argument("unknown option '" + args[i] + "'");
    }
  }
  return options;
}

}  // namespace

int SandboxCommand(const Args& args) {
  SandboxOptions options;
  try {
    options = ParseOptions(args);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "norvane sandbox: %s\n", error.what());
    return 2;
  }
  EventLoop& loop = EventLoop::Default();
  Sandbox sandbox(options, loop);
  sandbox.Start();
  std::printf("Sandbox DNS server on %s port %u (UDP)\n", options.address.c_str(), sandbox.dnsPort());
  std::printf("Sandbox SMTP server on %s port %u\n", options.address.c_str(), sandbox.smtpPort());
  std::string folder = std::filesystem::absolute(sandbox.folderPath()).lexically_normal().string();
  std::printf("Messages go to %s (index: %s/index.txt)\n", folder.c_str(), folder.c_str());
  std::printf("Press Ctrl-C to stop.\n");
  std::fflush(stdout);

  stopRequested = 0;
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  // A signal interrupts the wait; the bounded wait covers one that lands just
  // before it starts.
  while (!stopRequested) loop.RunOnce(500);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  sandbox.Stop();
  std::printf("Sandbox stopped.\n");
  return 0;
}

}  // namespace norvane::cli
