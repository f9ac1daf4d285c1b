// Line mode and the synchronous wait, between the TLS layer and _TWSocket.
//
// With LineMode on, OnDataAvailable fires once per complete line (bytes up to and including
// LineEnd) and Receive hands out that line and nothing beyond it. LineBuffer is bounded by
// LineLimit: a run of that many bytes without LineEnd is handed out as a line of its own, so a
// peer that never ends a line cannot make the buffer grow without end and no byte is lost.
#pragma once

#include <functional>
#include <string>

#include "net/tls_wsocket.h"

namespace norvane {

class _TCustomLineWSocket : public _TCustomTlsWSocket {
 public:
  static constexpr size_t kDefaultLineLimit = 1 << 20;

  explicit _TCustomLineWSocket(EventLoop& loop = EventLoop::Default()) : _TCustomTlsWSocket(loop) {}

  bool LineMode() const { return lineMode_; }
  void SetLineMode(bool value);
  const std::string& LineEnd() const { return lineEnd_; }
  void SetLineEnd(const std::string& value) { lineEnd_ = value; }
  size_t LineLimit() const { return lineLimit_; }
  void SetLineLimit(size_t bytes) { lineLimit_ = bytes ? bytes : kDefaultLineLimit; }
  size_t LineBufferCount() const { return lineBuffer_.size(); }

  int Receive(void* buffer, int length) override;
  int Rcvdcount() override;

 protected:
  void ResetDefaults() override;
  bool TriggerDataAvailable(uint16_t error) override;
  void TriggerSessionClosed(uint16_t error) override;
  int HeldReceived() override;

 private:
  // Hands out every complete line found from `from` on; false when the socket died meanwhile.
  bool DeliverLines(size_t from);
  // Fires the reader while the pending line lasts; false when the socket died meanwhile.
  bool DeliverPending();
  void OnModeChanged();

  bool lineMode_ = false;
  std::string lineEnd_ = "\r\n";
  size_t lineLimit_ = kDefaultLineLimit;
  std::string lineBuffer_;
  size_t pendingLine_ = 0;
  bool modeEventPosted_ = false;
};

class _TCustomSyncWSocket : public _TCustomLineWSocket {
 public:
  static constexpr int kWaitTimedOut = 12001;

  explicit _TCustomSyncWSocket(EventLoop& loop = EventLoop::Default()) : _TCustomLineWSocket(loop) {}

  int SyncTimeout() const { return syncTimeout_; }
  void SetSyncTimeout(int ms) { syncTimeout_ = ms; }

  // Clears `flag`, calls `start`, then dispatches events until `flag` is set: 0 then, or 12001
  // when the application is terminating or SyncTimeout (ms, 0 = none) has passed.
  int WaitForFlag(bool& flag, const std::function<void()>& start = {});

  // Set when the application is shutting down; every running wait returns 12001.
  static void SetTerminating(bool terminating);
  static bool Terminating();

 private:
  int syncTimeout_ = 0;
};

}  // namespace norvane
