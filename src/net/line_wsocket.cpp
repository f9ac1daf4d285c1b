#include "net/line_wsocket.h"

#include <poll.h>

#include <algorithm>
#include <cstring>

namespace norvane {

void _TCustomLineWSocket::ResetDefaults() {
  _TCustomTlsWSocket::ResetDefaults();
  // Bytes of a finished connection must never reach the reader of the next one.
  lineBuffer_.clear();
  pendingLine_ = 0;
}

void _TCustomLineWSocket::SetLineMode(bool value) {
  if (value == lineMode_) return;
  lineMode_ = value;
  if (!value) pendingLine_ = 0;  // a line half taken is now plain buffered bytes
  if ((lineBuffer_.empty() && pendingLine_ == 0) || modeEventPosted_) return;
  modeEventPosted_ = true;
  std::weak_ptr<const bool> weak = Token();
  loop_.Post([this, weak] {
    auto alive = weak.lock();
    if (!alive || !*alive) return;
    modeEventPosted_ = false;
    AliveToken token = Token();
    try {
      OnModeChanged();
    } catch (const std::exception& e) {
      if (Alive(token)) HandleBackGroundException(e);
    }
  });
}

void _TCustomLineWSocket::OnModeChanged() {
  if (lineMode_ && !lineEnd_.empty()) {
    // Switched on: what is buffered is cut into lines like fresh data.
    pendingLine_ = 0;
    DeliverLines(0);
    return;
  }
  // Switched off: the reader drains the buffer with plain receives.
  AliveToken alive = Token();
  pendingLine_ = 0;
  while (!lineBuffer_.empty()) {
    size_t before = lineBuffer_.size();
    if (!_TCustomTlsWSocket::TriggerDataAvailable(0)) lineBuffer_.clear();
    if (!Alive(alive)) return;
    if (lineBuffer_.size() == before) return;  // the reader took nothing; keep it for later
  }
}

int _TCustomLineWSocket::Rcvdcount() {
  if (lineMode_ && pendingLine_ > 0) return static_cast<int>(pendingLine_);
  if (!lineMode_ && !lineBuffer_.empty()) return static_cast<int>(lineBuffer_.size());
  return _TCustomTlsWSocket::Rcvdcount();
}

int _TCustomLineWSocket::HeldReceived() {
  if (lineMode_ && pendingLine_ > 0) return static_cast<int>(pendingLine_);
  if (!lineMode_ && !lineBuffer_.empty()) return static_cast<int>(lineBuffer_.size());
  return _TCustomTlsWSocket::HeldReceived();
}

int _TCustomLineWSocket::Receive(void* buffer, int length) {
  if (length < 0) length = 0;
  size_t available = 0;
  if (lineMode_ && pendingLine_ > 0) {
    available = pendingLine_;
  } else if (!lineMode_ && !lineBuffer_.empty()) {
    available = lineBuffer_.size();
  } else {
    return _TCustomTlsWSocket::Receive(buffer, length);
  }
  size_t n = std::min(available, static_cast<size_t>(length));
  std::memcpy(buffer, lineBuffer_.data(), n);
  lineBuffer_.erase(0, n);
  if (lineMode_) pendingLine_ -= n;
  return static_cast<int>(n);
}

bool _TCustomLineWSocket::DeliverPending() {
  AliveToken alive = Token();
  while (lineMode_ && pendingLine_ > 0) {
    size_t before = pendingLine_;
    if (!_TCustomTlsWSocket::TriggerDataAvailable(0)) {
      // Nobody reads lines: drop this one rather than spin.
      lineBuffer_.erase(0, pendingLine_);
      pendingLine_ = 0;
    }
    if (!Alive(alive)) return false;
    if (pendingLine_ == before) return true;  // the reader took nothing; the line stays pending
  }
  return true;
}

bool _TCustomLineWSocket::DeliverLines(size_t from) {
  while (lineMode_ && !lineEnd_.empty()) {
    if (pendingLine_ > 0) {
      size_t before = pendingLine_;
      if (!DeliverPending()) return false;
      if (pendingLine_ == before && pendingLine_ > 0) return true;
      if (pendingLine_ > 0) continue;  // line mode still on, reader paused mid-line
      from = 0;
    }
    size_t pos = lineBuffer_.find(lineEnd_, std::min(from, lineBuffer_.size()));
    if (pos != std::string::npos) {
      pendingLine_ = std::min(pos + lineEnd_.size(), lineLimit_);
    } else if (lineBuffer_.size() >= lineLimit_) {
      pendingLine_ = lineLimit_;  // an over-long line goes out in pieces
    } else {
      return true;
    }
  }
  return true;
}

bool _TCustomLineWSocket::TriggerDataAvailable(uint16_t error) {
  // During a SOCKS or TLS handshake the bytes belong to that dialogue, not to lines.
  if (!lineMode_ || lineEnd_.empty() || SocksState() != 0 || TlsHandshaking())
    return _TCustomTlsWSocket::TriggerDataAvailable(error);
  // One receive of at most kReadBytes; more is announced by the next readiness.
  constexpr int kReadBytes = 4096;
  size_t old = lineBuffer_.size();
  lineBuffer_.resize(old + kReadBytes);
  int n = _TCustomTlsWSocket::Receive(lineBuffer_.data() + old, kReadBytes);
  lineBuffer_.resize(old + static_cast<size_t>(std::max(n, 0)));
  if (n <= 0) return true;
  // Start a little before the new bytes so that a marker split between two reads is found.
  size_t from = old > lineEnd_.size() ? old - lineEnd_.size() : 0;
  if (pendingLine_ > 0) from = 0;
  DeliverLines(from);
  return true;
}

void _TCustomLineWSocket::TriggerSessionClosed(uint16_t error) {
  AliveToken alive = Token();
  if (lineMode_ && !lineBuffer_.empty()) {
    // Whatever is left forms a last line without an end marker.
    if (!DeliverLines(0)) return;
    if (lineMode_ && !lineBuffer_.empty()) {
      pendingLine_ = lineBuffer_.size();
      if (!DeliverPending()) return;
    }
  }
  lineBuffer_.clear();
  pendingLine_ = 0;
  _TCustomTlsWSocket::TriggerSessionClosed(error);
}

namespace {
bool g_terminating = false;
}

void _TCustomSyncWSocket::SetTerminating(bool terminating) {
  g_terminating = terminating;
}
bool _TCustomSyncWSocket::Terminating() {
  return g_terminating;
}

int _TCustomSyncWSocket::WaitForFlag(bool& flag, const std::function<void()>& start) {
  flag = false;
  AliveToken alive = Token();
  if (start) start();
  // The socket may be released by a callback during the wait: only locals are used after that.
  EventLoop& loop = loop_;
  const int timeout = syncTimeout_;
  const uint32_t begin = loop.TickCount();
  while (!flag) {
    if (g_terminating || !Alive(alive)) return kWaitTimedOut;
    if (timeout > 0 && static_cast<int32_t>(loop.TickCount() - begin) >= timeout) return kWaitTimedOut;
    loop.ProcessMessages();
    if (flag) break;
    // Yield the processor until the loop has something due, but never for long: a GUI hook may
    // have its own events that this descriptor does not show.
    pollfd p{loop.fd(), POLLIN, 0};
    poll(&p, 1, 10);
  }
  return 0;
}

}  // namespace norvane
