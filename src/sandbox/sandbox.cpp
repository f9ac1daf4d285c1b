#include "sandbox/sandbox.h"

#include <stdexcept>

#include "net/wsocket.h"
#include "sandbox/dns_server.h"
#include "sandbox/message_folder.h"
#include "sandbox/smtp_server.h"

namespace norvane {

namespace {

// Only a dotted IPv4 address: a host name would need DNS to start the DNS server.
std::array<uint8_t, 4> ParseIpv4(const std::string& text) {
  std::array<uint8_t, 4> out{};
  size_t position = 0;
  for (size_t i = 0; i < 4; ++i) {
    size_t end = position;
    unsigned value = 0;
    while (end < text.size() && end - position < 3 && text[end] >= '0' && text[end] <= '9')
      value = value * 10 + static_cast<unsigned>(text[end++] - '0');
    bool separatorOk = i < 3 ? (end < text.size() && text[end] == '.') : end == text.size();
    if (end == position || value > 255 || !separatorOk)
      throw std::runtime_error("the sandbox address must be a dotted IPv4 address: " + text);
    out[i] = static_cast<uint8_t>(value);
    position = end + 1;
  }
  return out;
}

}  // namespace

Sandbox::Sandbox(SandboxOptions options, EventLoop& loop) : options_(std::move(options)), loop_(loop) {}

Sandbox::~Sandbox() {
  Stop();
}

void Sandbox::Start() {
  Stop();
  std::array<uint8_t, 4> address = ParseIpv4(options_.address);
  try {
    folder_ = std::make_unique<MessageFolder>(options_.folder);
    dns_ = std::make_unique<SandboxDnsServer>(loop_);
    dns_->Start(options_.address, options_.dnsPort, address);
    smtp_ = std::make_unique<SandboxSmtpServer>(*folder_, options_.hostName, loop_);
    smtp_->Start(options_.address, options_.smtpPort);
  } catch (...) {
    Stop();
    throw;
  }
}

void Sandbox::Stop() {
  smtp_.reset();
  dns_.reset();
  folder_.reset();
}

uint16_t Sandbox::dnsPort() const {
  return dns_ ? dns_->port() : 0;
}
uint16_t Sandbox::smtpPort() const {
  return smtp_ ? smtp_->port() : 0;
}
size_t Sandbox::smtpConnections() const {
  return smtp_ ? smtp_->connectionCount() : 0;
}
std::string Sandbox::folderPath() const {
  return folder_ ? folder_->path() : options_.folder;
}
std::string Sandbox::indexPath() const {
  return folderPath() + "/index.txt";
}

}  // namespace norvane
