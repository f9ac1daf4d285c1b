// Time as the system sees it: a monotonic millisecond count (the 32-bit tick
// of the original platform is its low 32 bits, wrapping every 49.7 days) and
// the local wall-clock date and time. Everything that reads time goes through
// a Clock so that tests can move time forward without sleeping.
#pragma once

#include <cstdint>

namespace norvane {

struct LocalDateTime {
  int year = 1970;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
  int millisecond = 0;
  int dayOfWeek = 4;         // 0 = Sunday .. 6 = Saturday
  int utcOffsetMinutes = 0;  // local time minus UTC
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; never goes backwards.
  virtual uint64_t MonotonicMs() const = 0;
  virtual LocalDateTime Now() const = 0;

  // The 32-bit millisecond tick count; callers compare ticks by signed difference.
  uint32_t TickCount() const { return static_cast<uint32_t>(MonotonicMs()); }
};

// The real clock (CLOCK_MONOTONIC and localtime_r).
Clock& SystemClock();

// The clock the process uses: SystemClock() unless a test installed another.
Clock& CurrentClock();

// Installs `clock` as CurrentClock() for the lifetime of this object.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// A clock that moves only when told to; for tests.
class FakeClock : public Clock {
 public:
  explicit FakeClock(uint64_t startMs = 0) : ms_(startMs) {}
  uint64_t MonotonicMs() const override { return ms_; }
  LocalDateTime Now() const override { return now_; }

  void Advance(uint64_t ms) { ms_ += ms; }
  void SetNow(const LocalDateTime& now) { now_ = now; }

 private:
  uint64_t ms_;
  LocalDateTime now_;
};

}  // namespace norvane
