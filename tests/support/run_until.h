// Drives an event loop in a test until a condition holds, for real network
// round trips and real peers; the limit only keeps a broken run from hanging.
#pragma once

#include <chrono>
#include <functional>

#include "platform/event_loop.h"

namespace norvane::test {

// Runs the loop until `done` holds; false when `limitMs` of real time passed first.
inline bool RunUntil(EventLoop& loop, const std::function<bool()>& done, int limitMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    loop.RunOnce(20);
  }
  return true;
}

}  // namespace norvane::test
