// The socket's TLS mode, between the SOCKS layer and line mode. StartTls on a connected socket
// runs a TLS handshake over the connection (after STARTTLS, or at once for TLS from the first
// byte); from then on the socket is a TLS session: Send takes plaintext and queues ciphertext,
// Receive and Rcvdcount hand out plaintext, and OnDataAvailable fires for plaintext only. A
// SOCKS tunnel below stays plain; line mode above splits plaintext.
//
// Nothing blocks: OpenSSL works on memory buffers (TlsEngine) and the socket feeds it whatever
// the network delivered, on the event loop. The handshake's end arrives as OnTlsDone(Error) from
// the loop, never inside StartTls: 0, or one of the kTls... numbers of net/tls_errors.h with
// TlsErrorText() saying why. A failed handshake closes the connection after OnTlsDone. Records
// that break the protocol later end the session like a reset, with OnSessionClosed carrying
// kTlsProtocolError. Every close ends the TLS mode: the next connection starts plain.
#pragma once

#include <memory>
#include <string>

#include "net/socks_wsocket.h"
#include "net/tls_engine.h"

namespace norvane {

class _TCustomTlsWSocket : public _TCustomSocksWSocket {
 public:
  explicit _TCustomTlsWSocket(EventLoop& loop = EventLoop::Default()) : _TCustomSocksWSocket(loop) {}

  // Starts the handshake; `peerName` is the host the certificate must name when the context
  // verifies. Refused through RaiseSocketError when the socket is not a connected TCP socket,
  // while a SOCKS handshake runs, or once TLS has started on this connection. Bytes sent before
  // the handshake ends wait for it.
  void StartTls(std::shared_ptr<TlsContext> context, const std::string& peerName);
  bool TlsHandshaking() const { return tls_ && !tls_->HandshakeDone() && !tlsFailed_; }
  // The handshake is done and records flow.
  bool TlsActive() const { return tls_ && tls_->HandshakeDone() && !tlsFailed_; }
  // "TLSv1.3", "TLS_AES_256_GCM_SHA384" while TLS is active; empty otherwise.
  std::string TlsVersion() const { return TlsActive() ? tls_->Version() : std::string(); }
  std::string TlsCipher() const { return TlsActive() ? tls_->Cipher() : std::string(); }
  // Why the last handshake or session failed.
  const std::string& TlsErrorText() const { return tlsErrorText_; }

  TNotifyError OnTlsDone;

  int Receive(void* buffer, int length) override;
  int Rcvdcount() override;
  int Send(const void* data, int length) override;
  // Sends close_notify first when a TLS session is up and nothing is waiting to be sent.
  void Close() override;

 protected:
  void ResetDefaults() override;
  void CloseSocket(bool shutdownFirst, uint16_t error) override;
  bool TriggerDataAvailable(uint16_t error) override;
  void TriggerSessionClosed(uint16_t error) override;
  int HeldReceived() override;

 private:
  // One read of ciphertext into the engine; the raw receive's result (> 0 bytes fed).
  int PullCiphertext();
  // Hands the engine's output to the network; false when the socket died or closed meanwhile.
  bool FlushOutput();
  // Runs the handshake on whatever the network has delivered.
  void PumpHandshake();
  void HandshakeFinished(int error);
  // The connection ends while the handshake runs: OnTlsDone(kTlsHandshakeFailed), once.
  // False when the socket died in the handler.
  bool HandshakeCutOff();
  // The peer ended the TLS session: our close_notify answers it and the connection closes.
  void PeerEndedTls();

  std::unique_ptr<TlsEngine> tls_;
  bool tlsFailed_ = false;
  bool tlsEnded_ = false;  // close_notify received
  std::string tlsErrorText_;
  std::string pendingPlain_;  // sent while the handshake ran
  std::string cipherOut_;     // scratch for the engine's output
  std::string cipherIn_;      // scratch for one raw read
};

}  // namespace norvane
