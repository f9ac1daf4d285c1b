// Runs the core's event loop inside Qt's: the loop's epoll descriptor, which
// is readable whenever a socket, a timer or posted work is due, sits on a
// QSocketNotifier, and each time it turns readable the loop dispatches what
// is due without waiting. Nested dispatch (ProcessMessages, e.g. a session
// waiting for its client to go idle) pumps Qt's events as well, so the window
// keeps painting and answering while the core waits. One thread throughout.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include "platform/event_loop.h"

namespace norvane {

class EventLoopBridge : public QObject {
  Q_OBJECT

 public:
  explicit EventLoopBridge(EventLoop& loop, QObject* parent = nullptr);
  ~EventLoopBridge() override;

  EventLoop& Loop() { return loop_; }

 signals:
  // The core loop has run callbacks: the logic's state may have changed.
  void Dispatched();

 private:
  void Dispatch();
  void Pump();

  EventLoop& loop_;
  QSocketNotifier notifier_;
};

}  // namespace norvane
