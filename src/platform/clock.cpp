#include "platform/clock.h"

#include <ctime>

namespace norvane {
namespace {

class RealClock : public Clock {
 public:
  uint64_t MonotonicMs() const override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  }

  LocalDateTime Now() const override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    LocalDateTime now;
    now.year = local.tm_year + 1900;
    now.month = local.tm_mon + 1;
    now.day = local.tm_mday;
    now.hour = local.tm_hour;
    now.minute = local.tm_min;
    now.second = local.tm_sec;
    now.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    now.dayOfWeek = local.tm_wday;
    now.utcOffsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
    return now;
  }
};

Clock* g_current = nullptr;

}  // namespace

Clock& SystemClock() {
  static RealClock clock;
  return clock;
}

Clock& CurrentClock() {
  return g_current ? *g_current : SystemClock();
}

ScopedClock::ScopedClock(Clock& clock) : previous_(g_current) {
  g_current = &clock;
}

ScopedClock::~ScopedClock() {
  g_current = previous_;
}

}  // namespace norvane
