#include "platform/event_loop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace norvane {
namespace {

bool Readable(int fd, int timeoutMs = 0) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

class Pipe {
 public:
  Pipe() {
    if (pipe(fds_) != 0) throw std::runtime_error("pipe");
  }
  ~Pipe() {
    close(fds_[0]);
    close(fds_[1]);
  }
  int in() const { return fds_[0]; }
  void Put(const std::string& s) { ASSERT_EQ(write(fds_[1], s.data(), s.size()), ssize_t(s.size())); }
  std::string Take() {
    char buf[256];
    ssize_t n = read(fds_[0], buf, sizeof buf);
    return n > 0 ? std::string(buf, n) : std::string();
  }

 private:
  int fds_[2];
};

class EventLoopTest : public ::testing::Test {
 protected:
  FakeClock clock_{1000};
  EventLoop loop_{clock_};
};

TEST_F(EventLoopTest, TimersRunByTheInjectedClock) {
  std::vector<std::string> log;
  loop_.AddTimer(100, [&] { log.push_back("once"); });
  EventLoop::TimerId periodic = loop_.AddTimer(
      40, [&] { log.push_back("tick"); }, true);

  EXPECT_FALSE(loop_.RunOnce(0));
  clock_.Advance(39);
  EXPECT_FALSE(loop_.RunOnce(0));
  clock_.Advance(1);
  EXPECT_TRUE(loop_.RunOnce(0));
  clock_.Advance(40);
  loop_.RunOnce(0);
  clock_.Advance(20);  // t = 100: the single shot is due, the periodic one again at 120
  loop_.RunOnce(0);
  clock_.Advance(20);
  loop_.RunOnce(0);
  loop_.CancelTimer(periodic);
  clock_.Advance(1000);
  EXPECT_FALSE(loop_.RunOnce(0));
  EXPECT_EQ(log, (std::vector<std::string>{"tick", "tick", "once", "tick"}));
  EXPECT_EQ(loop_.TickCount(), 2120u);
}

TEST_F(EventLoopTest, TimerCallbacksMayCancelAndAddTimers) {
  int selfCancelled = 0, added = 0, cancelledByOther = 0;
  EventLoop::TimerId self = 0, victim = 0;
  self = loop_.AddTimer(
      10, [&] { ++selfCancelled, loop_.CancelTimer(self); }, true);
  loop_.AddTimer(10, [&] {
    loop_.CancelTimer(victim);
    loop_.AddTimer(0, [&] { ++added; });  // due at once, but only in the next round
  });
  victim = loop_.AddTimer(10, [&] { ++cancelledByOther; });

  clock_.Advance(10);
  loop_.RunOnce(0);
  EXPECT_EQ(added, 0);
  loop_.RunOnce(0);
  clock_.Advance(100);
  loop_.RunOnce(0);
  EXPECT_EQ(selfCancelled, 1);
  EXPECT_EQ(added, 1);
  EXPECT_EQ(cancelledByOther, 0);
  loop_.CancelTimer(self);  // cancelling twice, or an unknown id, is harmless
  loop_.CancelTimer(12345);
}

TEST_F(EventLoopTest, PostedWorkRunsLaterInPostingOrder) {
  std::string log;
  loop_.Post([&] {
    log += "a";
    loop_.Post([&] { log += "d"; });  // posted while draining: next round
  });
  loop_.Post([&] { log += "b"; });
  loop_.Post([&] { log += "c"; });
  EXPECT_EQ(log, "");  // never inside Post
  EXPECT_TRUE(loop_.RunOnce(0));
  EXPECT_EQ(log, "abc");
  EXPECT_TRUE(loop_.RunOnce(0));
  EXPECT_EQ(log, "abcd");
  EXPECT_FALSE(loop_.RunOnce(0));
}

TEST_F(EventLoopTest, NestedDispatchKeepsPostingOrder) {
  std::string log;
  loop_.Post([&] {
    log += "1";
    loop_.Post([&] { log += "4"; });
    loop_.ProcessMessages();  // runs 2, 3 and then 4: nothing overtakes
    log += ")";
  });
  loop_.Post([&] { log += "2"; });
  loop_.Post([&] {
    log += "3";
    loop_.ProcessMessages();  // re-entered from a nested dispatch
  });
  loop_.RunOnce(0);
  EXPECT_EQ(log, "1234)");
}

TEST_F(EventLoopTest, NestedDispatchDoesNotReenterTheRunningFdCallback) {
  Pipe p;
  int calls = 0, maxDepth = 0;
  loop_.Watch(p.in(), EventLoop::kReadable, [&](uint32_t ready) {
    EXPECT_EQ(ready, uint32_t(EventLoop::kReadable));
    ++calls;
    maxDepth = std::max(maxDepth, loop_.Depth());
    loop_.ProcessMessages();  // the pipe is still readable (level-triggered)
    p.Take();
  });
  p.Put("x");
  EXPECT_TRUE(loop_.RunOnce(0));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_FALSE(loop_.RunOnce(0));
}

TEST_F(EventLoopTest, UnwatchAndReleaseInsideTheCallback) {
  // Two descriptors ready in the same round; the first callback destroys the owner of both, so the
  // second must not run (under ASan a use of the freed owner fails the test).
  Pipe a, b;
  struct Owner {
    EventLoop& loop;
    Pipe &a, &b;
    int* calls;
    ~Owner() {
      loop.Unwatch(a.in());
      loop.Unwatch(b.in());
    }
  };
  int calls = 0;
  auto owner = std::make_unique<Owner>(Owner{loop_, a, b, &calls});
  Owner* raw = owner.get();
  auto handler = [&, raw](uint32_t) {
    ++*raw->calls;
    owner.reset();
  };
  loop_.Watch(a.in(), EventLoop::kReadable, handler);
  loop_.Watch(b.in(), EventLoop::kReadable, handler);
  a.Put("1");
  b.Put("2");
  loop_.RunOnce(0);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(loop_.IsWatched(a.in()));
  EXPECT_FALSE(loop_.RunOnce(0));
}

TEST_F(EventLoopTest, ModifyAndWatchReplaceTheInterest) {
  Pipe p;
  std::string log;
  loop_.Watch(p.in(), EventLoop::kReadable, [&](uint32_t) { log += "old"; });
  loop_.Watch(p.in(), EventLoop::kReadable, [&](uint32_t) { log += "new"; });
  p.Put("x");
  loop_.Modify(p.in(), 0);  // paused: nothing, not even a spin
  EXPECT_FALSE(loop_.RunOnce(0));
  loop_.Modify(p.in(), EventLoop::kReadable);
  EXPECT_TRUE(loop_.RunOnce(0));
  EXPECT_EQ(log, "new");
  loop_.Unwatch(p.in());
  loop_.Unwatch(p.in());
}

// A handler that throws must not take the loop, and the program with it, down: the failure is
// handed to the error hook and everything else due still runs.
TEST_F(EventLoopTest, ExceptionsFromCallbacksAreCaughtAtDispatch) {
  std::vector<std::string> failures;
  loop_.SetErrorHook([&](const std::string& what) { failures.push_back(what); });
  Pipe p;
  std::string log;
  loop_.Watch(p.in(), EventLoop::kReadable, [&](uint32_t) {
    p.Take();
    throw std::runtime_error("fd");
  });
  loop_.Post([] { throw std::runtime_error("posted"); });
  loop_.Post([&] { log += "after-posted "; });
  loop_.AddTimer(10, [] { throw 42; });  // not even a std::exception
  EventLoop::TimerId periodic = loop_.AddTimer(
      10, [] { throw std::logic_error("periodic"); }, true);
  p.Put("x");
  EXPECT_NO_THROW(loop_.RunOnce(0));
  clock_.Advance(10);
  EXPECT_NO_THROW(loop_.RunOnce(0));
  clock_.Advance(10);
  EXPECT_NO_THROW(loop_.ProcessMessages());
  loop_.CancelTimer(periodic);
  EXPECT_EQ(log, "after-posted ");
  EXPECT_EQ(failures,
            (std::vector<std::string>{"fd", "posted", "unknown exception", "periodic", "periodic"}));

  // The loop goes on working afterwards.
  p.Put("y");
  EXPECT_NO_THROW(loop_.RunOnce(0));
  EXPECT_EQ(failures.size(), 6u);
  loop_.Unwatch(p.in());
}

TEST(EventLoopFd, ReadableWhenSomethingIsDue) {
  EventLoop loop;  // real clock: the timerfd runs on real time
  EXPECT_FALSE(Readable(loop.fd()));

  bool ran = false;
  loop.Post([&] { ran = true; });
  EXPECT_TRUE(Readable(loop.fd()));
  loop.RunOnce(0);
  EXPECT_TRUE(ran);
  EXPECT_FALSE(Readable(loop.fd()));

  ran = false;
  loop.AddTimer(0, [&] { ran = true; });
  EXPECT_TRUE(Readable(loop.fd(), 5000));  // armed to fire at once; bounded wait, not a sleep
  EXPECT_TRUE(loop.RunOnce(0));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(Readable(loop.fd()));

  Pipe p;
  loop.Watch(p.in(), EventLoop::kReadable, [&](uint32_t) { p.Take(); });
  EXPECT_FALSE(Readable(loop.fd()));
  p.Put("x");
  EXPECT_TRUE(Readable(loop.fd()));
  loop.RunOnce(0);
  EXPECT_FALSE(Readable(loop.fd()));
  loop.Unwatch(p.in());
}

// Posts made from callbacks skip the eventfd; what they leave queued must still show on fd().
TEST(EventLoopFd, WorkPostedFromCallbacksShowsWhileQueued) {
  EventLoop loop;
  Pipe p;
  int ran = 0;
  loop.Watch(p.in(), EventLoop::kReadable, [&](uint32_t) {
    p.Take();
    loop.Post([&] {
      ++ran;
      loop.Post([&] { ++ran; });  // queued while the queue drains: next round
    });
  });
  p.Put("x");
  loop.RunOnce(0);
  EXPECT_EQ(ran, 1);
  EXPECT_TRUE(Readable(loop.fd()));
  loop.RunOnce(0);
  EXPECT_EQ(ran, 2);
  EXPECT_FALSE(Readable(loop.fd()));

  // A replaced nested dispatch may poll fd() first, so it must see work posted just before.
  bool seen = false;
  loop.SetProcessMessagesHook([&] { seen = Readable(loop.fd()); });
  loop.Post([&] {
    loop.Post([] {});
    loop.ProcessMessages();
  });
  loop.RunOnce(0);
  EXPECT_TRUE(seen);
  loop.SetProcessMessagesHook(nullptr);
  loop.RunOnce(0);
  loop.Unwatch(p.in());
}

TEST(EventLoopFd, ADistantTimerDoesNotMakeItReadable) {
  EventLoop loop;
  EventLoop::TimerId id = loop.AddTimer(60000, [] {});
  EXPECT_FALSE(Readable(loop.fd()));
  loop.CancelTimer(id);
  EXPECT_FALSE(loop.RunOnce(0));
}

TEST(EventLoopRun, QuitEndsRunAndTheHookReplacesNestedDispatch) {
  EventLoop loop;
  int hooked = 0;
  loop.SetProcessMessagesHook([&] {
    ++hooked;
    loop.RunOnce(0);
  });
  bool inner = false;
  loop.Post([&] {
    loop.Post([&] { inner = true; });
    loop.ProcessMessages();
    loop.Quit();
  });
  loop.Run();
  EXPECT_EQ(hooked, 1);
  EXPECT_TRUE(inner);
  loop.SetProcessMessagesHook(nullptr);
  loop.ProcessMessages();
  EXPECT_EQ(hooked, 1);
}

TEST(EventLoopDefault, IsOneLoopFollowingTheCurrentClock) {
  EXPECT_EQ(&EventLoop::Default(), &EventLoop::Default());
  FakeClock fake(5);
  ScopedClock use(fake);
  EXPECT_EQ(&EventLoop::Default().clock(), &fake);
}

}  // namespace
}  // namespace norvane
