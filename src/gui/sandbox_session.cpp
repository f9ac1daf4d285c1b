#include "gui/sandbox_session.h"

#include "app/main_form.h"
#include "net/host_lookup.h"

namespace norvane {

namespace {

SandboxOptions OptionsFor(const std::string& folder) {
  SandboxOptions options;
  options.folder = folder;
  return options;
}

}  // namespace

SandboxSession::SandboxSession(TMainForm& form, const std::string& folder, EventLoop& loop)
    : sandbox_(OptionsFor(folder), loop) {
  sandbox_.Start();
  const std::string address = sandbox_.options().address;
  TRunOverrides& overrides = form.Sending.Overrides;
  overrides.Dns = address;
  overrides.DnsPort = std::to_string(sandbox_.dnsPort());
  overrides.Port = std::to_string(sandbox_.smtpPort());
  overrides.gateway = std::string();  // a relay from the settings must not take the copies
  SetResolverServers(address + ":" + std::to_string(sandbox_.dnsPort()));
}

SandboxSession::~SandboxSession() {
  ResetResolverServers();
}

}  // namespace norvane
