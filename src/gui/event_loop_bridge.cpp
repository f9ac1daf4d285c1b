#include "gui/event_loop_bridge.h"

#include <QCoreApplication>

namespace norvane {

EventLoopBridge::EventLoopBridge(EventLoop& loop, QObject* parent)
    : QObject(parent), loop_(loop), notifier_(loop.fd(), QSocketNotifier::Read) {
  connect(&notifier_, &QSocketNotifier::activated, this, [this] { Dispatch(); });
  loop_.SetProcessMessagesHook([this] { Pump(); });
}

EventLoopBridge::~EventLoopBridge() {
  loop_.SetProcessMessagesHook({});
}

void EventLoopBridge::Dispatch() {
  if (loop_.RunOnce(0)) emit Dispatched();
}

void EventLoopBridge::Pump() {
  // The notifier is not consulted here: a nested Qt dispatch may fire it, and
  // the loop's own share is taken explicitly so nothing due waits a round.
  loop_.RunOnce(0);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace norvane
