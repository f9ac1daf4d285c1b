// A TCP connection through a SOCKS 4, 4A or 5 proxy. With SocksServer set, Connect connects to the
// proxy, runs the handshake inside the socket and only then reports OnSessionConnected, so the
// owner sees an ordinary connection to Addr:port. With SocksServer empty nothing changes.
// Handshake failures reach the owner as OnSessionConnected(20001..20017) then OnSessionClosed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/custom_wsocket.h"

namespace norvane {

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
// OnSocksAuthState values.
enum TSocksAuthState {
  socksAuthStart = 0,
  socksAuthSuccess = 1,
  socksAuthFailure = 2,
  socksAuthNotRequired = 3
};

class _TCustomSocksWSocket : public _TCustomWSocket {
 public:
  using TSocksErrorEvent = std::function<void(_TCustomWSocket* Sender, int Error, const std::string& msg)>;
  using TSocksAuthStateEvent = std::function<void(_TCustomWSocket* Sender, int AuthState)>;

  explicit _TCustomSocksWSocket(EventLoop& loop = EventLoop::Default()) : _TCustomWSocket(loop) {}

  const std::string& SocksServer() const { return socksServer_; }
  void SetSocksServer(const std::string& value);
  const std::string& SocksPort() const { return socksPort_; }
  void SetSocksPort(const std::string& value);
  const std::string& SocksLevel() const { return socksLevel_; }
  void SetSocksLevel(const std::string& value);  // "4", "4A" (or "4a") or "5"
  const std::string& SocksUsercode() const { return socksUsercode_; }
  void SetSocksUsercode(const std::string& value) { socksUsercode_ = value; }
  const std::string& SocksPassword() const { return socksPassword_; }
  void SetSocksPassword(const std::string& value) { socksPassword_ = value; }
  TSocksAuthentication SocksAuthentication() const { return socksAuthentication_; }
  void SetSocksAuthentication(TSocksAuthentication value) { socksAuthentication_ = value; }

  TNotifyError OnSocksConnected;
  TSocksErrorEvent OnSocksError;
  TSocksAuthStateEvent OnSocksAuthState;

  void Connect() override;
  void Listen() override;
  int Rcvdcount() override;

 protected:
  void ResetDefaults() override;
  int DoRecv(void* buffer, int length, int flags) override;
  int HeldReceived() override;
  bool TriggerDataAvailable(uint16_t error) override;
  void TriggerSessionConnected(uint16_t error) override;
  void TriggerSessionClosed(uint16_t error) override;
  void TriggerDataSent(uint16_t error) override;
  int SocksState() const { return socksState_; }

 private:
  void SocksDoConnect();
  void SocksDoAuthenticate();
  void SocksSend(const std::string& bytes);
  void SocksFail(int code, const std::string& text);
  void SocksAuthState(int state);
  void HandleReply();

  std::string socksServer_, socksPort_, socksLevel_ = "5", socksUsercode_, socksPassword_;
  TSocksAuthentication socksAuthentication_ = socksNoAuthentication;
  int socksState_ = 0;  // 0 none, 1 method selection, 2 authentication, 3 connect request sent
  uint16_t destPort_ = 0;
  // Room for the longest SOCKS 5 reply (a 255-byte name: 262 bytes) and what follows it.
  uint8_t socksReply_[512] = {};
  int socksRcvdCnt_ = 0;
  int leftoverPos_ = 0;
  int leftoverCnt_ = 0;
};

}  // namespace norvane
