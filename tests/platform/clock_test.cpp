#include "platform/clock.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

TEST(Clock, ScopedClockReplacesAndRestoresTheProcessClock) {
  FakeClock fake(0xFFFFFFF0ull);
  {
    ScopedClock use(fake);
    EXPECT_EQ(&CurrentClock(), &fake);
    fake.Advance(0x20);
    // The 32-bit tick wraps; signed differences still measure elapsed time.
    EXPECT_EQ(CurrentClock().TickCount(), 0x10u);
    EXPECT_EQ(static_cast<int32_t>(CurrentClock().TickCount() - 0xFFFFFFF0u), 0x20);
  }
  EXPECT_EQ(&CurrentClock(), &SystemClock());
}

TEST(Clock, SystemClockIsMonotonicAndGivesAPlausibleDate) {
  uint64_t a = SystemClock().MonotonicMs();
  uint64_t b = SystemClock().MonotonicMs();
  EXPECT_LE(a, b);
  LocalDateTime now = SystemClock().Now();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
}

}  // namespace
}  // namespace norvane
