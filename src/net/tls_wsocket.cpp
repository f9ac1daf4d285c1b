#include "net/tls_wsocket.h"

#include "net/socket_errors.h"
#include "net/tls_errors.h"

namespace norvane {

namespace {

// One TLS record is at most 16 KB of plaintext plus its overhead; a read of that size takes a
// whole record in one go without holding more than one in memory.
constexpr int kCipherReadBytes = 16 * 1024 + 512;

}  // namespace

void _TCustomTlsWSocket::ResetDefaults() {
  _TCustomSocksWSocket::ResetDefaults();
  tls_.reset();
  tlsFailed_ = false;
  tlsEnded_ = false;
  pendingPlain_.clear();
}

bool _TCustomTlsWSocket::HandshakeCutOff() {
  if (!TlsHandshaking()) return true;
  tlsFailed_ = true;
  tlsErrorText_ = "the connection closed during the TLS handshake";
  AliveToken alive = Token();
  if (OnTlsDone) OnTlsDone(this, kTlsHandshakeFailed);
  return Alive(alive);
}

void _TCustomTlsWSocket::CloseSocket(bool shutdownFirst, uint16_t error) {
  // Every road to a closed connection passes here, also a send that met a reset, which drops
  // the TLS mode before it reports the close.
  if (handle_ >= 0 && state_ != wsClosed && !HandshakeCutOff()) return;
  _TCustomSocksWSocket::CloseSocket(shutdownFirst, error);
}

void _TCustomTlsWSocket::PeerEndedTls() {
  if (tlsEnded_) return;
  tlsEnded_ = true;
  // RFC 8446 6.1: answer with our own close_notify. A peer that waits for it before it closes
  // the connection would otherwise hold it open until its own time-out.
  tls_->Shutdown();
  if (!FlushOutput()) return;
  PostNotification(FD_CLOSE, 0);
}

void _TCustomTlsWSocket::StartTls(std::shared_ptr<TlsContext> context, const std::string& peerName) {
  if (state_ != wsConnected || IsDatagram() || handle_ < 0)
    return RaiseSocketError("StartTls: the socket is not a connected TCP socket");
  if (SocksState() != 0) return RaiseSocketError("StartTls: the SOCKS handshake has not ended");
  if (tls_) return RaiseSocketError("StartTls: TLS has already started on this connection");
  if (!context) return RaiseSocketError("StartTls: no TLS context");
  try {
    tls_ = std::make_unique<TlsEngine>(std::move(context), peerName);
  } catch (const TlsSetupError& e) {
    return RaiseSocketError(e.what());
  }
  tlsFailed_ = false;
  tlsErrorText_.clear();
  AliveToken alive = Token();
  // A client's first flight goes out now; a server's waits for the peer's.
  tls_->Handshake();
  if (!FlushOutput()) return;
  // Bytes that came in before the handshake started (after a SOCKS reply, say) are taken from
  // the loop, as is every outcome.
  PostNotification(FD_READ, 0);
}

int _TCustomTlsWSocket::PullCiphertext() {
  cipherIn_.resize(kCipherReadBytes);
  const int n = DoRecv(cipherIn_.data(), kCipherReadBytes, 0);
  if (n > 0 && tls_) tls_->Feed(cipherIn_.data(), static_cast<std::size_t>(n));
  return n;
}

bool _TCustomTlsWSocket::FlushOutput() {
  if (!tls_) return false;
  cipherOut_.clear();
  if (tls_->TakeOutput(cipherOut_) == 0) return true;
  AliveToken alive = Token();
  // The base Send queues what the network does not take at once; a connection that fails
  // under it is closed there, which ends the TLS mode.
  _TCustomSocksWSocket::Send(cipherOut_.data(), static_cast<int>(cipherOut_.size()));
  return Alive(alive) && tls_ != nullptr;
}

void _TCustomTlsWSocket::PumpHandshake() {
  AliveToken alive = Token();
  for (;;) {
    const int got = PullCiphertext();
    if (!Alive(alive) || !tls_) return;
    const TlsEngine::Status status = tls_->Handshake();
    // Alerts go out too: the peer learns why we stopped.
    if (!FlushOutput()) return;
    if (status == TlsEngine::Status::kOk) return HandshakeFinished(0);
    if (status == TlsEngine::Status::kFailed) return HandshakeFinished(tls_->ErrorCode());
    if (got <= 0) return;  // the rest comes with the next readiness
  }
}

void _TCustomTlsWSocket::HandshakeFinished(int error) {
  AliveToken alive = Token();
  if (error != 0) {
    tlsFailed_ = true;
    tlsErrorText_ = tls_->ErrorText();
  } else {
    tlsErrorText_.clear();
    if (!pendingPlain_.empty()) {
      std::string plain;
      plain.swap(pendingPlain_);
      if (tls_->Write(plain.data(), plain.size()) != TlsEngine::Status::kOk) {
        tlsFailed_ = true;
        tlsErrorText_ = tls_->ErrorText();
        error = tls_->ErrorCode();
      } else if (!FlushOutput()) {
        return;
      }
    }
    // Records that arrived with the handshake's last flight wait in the engine, where no
    // readiness of the network will announce them.
    if (error == 0 && tls_->Buffered() > 0) PostNotification(FD_READ, 0);
  }
  if (OnTlsDone) OnTlsDone(this, static_cast<uint16_t>(error));
  if (!Alive(alive)) return;
  if (error != 0 && state_ != wsClosed) Close();
}

bool _TCustomTlsWSocket::TriggerDataAvailable(uint16_t error) {
  if (!tls_) return _TCustomSocksWSocket::TriggerDataAvailable(error);
  if (!tls_->HandshakeDone()) {
    if (!tlsFailed_) PumpHandshake();
    return true;  // handshake bytes are nobody else's business
  }
  return _TCustomSocksWSocket::TriggerDataAvailable(error);
}

int _TCustomTlsWSocket::Rcvdcount() {
  const int raw = _TCustomSocksWSocket::Rcvdcount();
  if (!tls_ || raw < 0 || !tls_->HandshakeDone()) return raw;
  // Plaintext is never more than the ciphertext it comes from, so this is an upper bound.
  return raw + static_cast<int>(tls_->Buffered());
}

int _TCustomTlsWSocket::HeldReceived() {
  const int below = _TCustomSocksWSocket::HeldReceived();
  if (!tls_ || !tls_->HandshakeDone()) return below;
  return below + static_cast<int>(tls_->Buffered());
}

int _TCustomTlsWSocket::Receive(void* buffer, int length) {
  if (!tls_) return _TCustomSocksWSocket::Receive(buffer, length);
  AliveToken alive = Token();
  if (!tls_->HandshakeDone()) {
    if (!tlsFailed_) PumpHandshake();
    if (!Alive(alive)) return -1;
    if (!tls_ || !tls_->HandshakeDone() || tlsFailed_) {
      lastError_ = WSAEWOULDBLOCK;
      return -1;
    }
  }
  for (;;) {
    int count = 0;
    const TlsEngine::Status status = tls_->Read(buffer, length, count);
    // Reading may answer the peer (a key update, an alert): that goes out at once.
    if (!FlushOutput()) {
      if (!Alive(alive)) return -1;
      if (status == TlsEngine::Status::kOk) {
        readCount_ += count;
        return count;
      }
      lastError_ = WSAECONNRESET;
      return -1;
    }
    switch (status) {
      case TlsEngine::Status::kOk:
        readCount_ += count;
        return count;
      case TlsEngine::Status::kClosed:
        PeerEndedTls();
        return 0;  // the end of the stream, as a plain receive reports it
      case TlsEngine::Status::kFailed:
        if (!tlsFailed_) {
          tlsFailed_ = true;
          tlsErrorText_ = tls_->ErrorText();
          // Ended from the loop, not from inside the reader's call.
          PostNotification(FD_CLOSE, static_cast<uint16_t>(tls_->ErrorCode()));
        }
        lastError_ = tls_->ErrorCode();
        return -1;
      case TlsEngine::Status::kWant:
        break;
    }
    const int got = PullCiphertext();
    if (!Alive(alive)) return -1;
    if (got == 0) return 0;  // the end of the connection; its readiness says so next
    if (got < 0) {
      lastError_ = PlatformError();
      return -1;
    }
    if (!tls_) return -1;
  }
}

int _TCustomTlsWSocket::Send(const void* data, int length) {
  if (!tls_ || state_ != wsConnected) return _TCustomSocksWSocket::Send(data, length);
  if (length <= 0 || data == nullptr) return 0;
  if (tlsFailed_) {
    platformError_ = lastError_ = tls_->ErrorCode();
    return -1;
  }
  if (!tls_->HandshakeDone()) {
    pendingPlain_.append(static_cast<const char*>(data), static_cast<std::size_t>(length));
    allSent_ = false;
    return length;
  }
  if (tls_->Write(data, static_cast<std::size_t>(length)) != TlsEngine::Status::kOk) {
    tlsFailed_ = true;
    tlsErrorText_ = tls_->ErrorText();
    PostNotification(FD_CLOSE, static_cast<uint16_t>(tls_->ErrorCode()));
    platformError_ = lastError_ = tls_->ErrorCode();
    return -1;
  }
  FlushOutput();
  return length;
}

void _TCustomTlsWSocket::Close() {
  if (TlsActive() && state_ == wsConnected && BufferedBytes() == 0) {
    // Best effort: a peer that already left does not need to hear it.
    tls_->Shutdown();
    cipherOut_.clear();
    if (tls_->TakeOutput(cipherOut_) > 0) RealSend(cipherOut_.data(), static_cast<int>(cipherOut_.size()));
  }
  _TCustomSocksWSocket::Close();
}

void _TCustomTlsWSocket::TriggerSessionClosed(uint16_t error) {
  if (!HandshakeCutOff()) return;
  _TCustomSocksWSocket::TriggerSessionClosed(error);
}

}  // namespace norvane
