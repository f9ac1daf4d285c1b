#include "sandbox/dns_server.h"

#include <cstdlib>

#include "sandbox/dns_message.h"

namespace norvane {

SandboxDnsServer::SandboxDnsServer(EventLoop& loop) : socket_(loop) {}

void SandboxDnsServer::Start(const std::string& address, uint16_t port,
                             const std::array<uint8_t, 4>& aAddress) {
  aAddress_ = aAddress;
  socket_.SetProto("udp");
  socket_.SetAddr(address);
  socket_.SetPort(std::to_string(port));
  socket_.OnDataAvailable = [this](_TCustomWSocket*, uint16_t error) {
    if (error == 0) OnDatagram();
  };
  socket_.Listen();
  port_ = static_cast<uint16_t>(std::atoi(socket_.LocalPortText().c_str()));
}

void SandboxDnsServer::Stop() {
  socket_.OnDataAvailable = nullptr;
  socket_.Abort();
  port_ = 0;
}

void SandboxDnsServer::OnDatagram() {
  // Larger than any query: one that does not fit is cut short and then fails to parse.
  char buffer[4096];
  sockaddr_in from{};
  int length = socket_.ReceiveFrom(buffer, sizeof buffer, from);
  if (length <= 0) return;
  std::optional<DnsQuestion> question = ParseDnsQuery(std::string_view(buffer, static_cast<size_t>(length)));
  if (!question) return;
  std::string answer = BuildDnsAnswer(*question, aAddress_);
  socket_.SendTo(from, answer.data(), static_cast<int>(answer.size()));
  ++answered_;
}

}  // namespace norvane
