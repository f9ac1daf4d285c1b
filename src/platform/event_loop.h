// The program's one event loop: readiness callbacks per file descriptor, timers, a queue of posted
// work and a nested dispatch. Everything runs on the thread that runs the loop; there are no locks.
//
// The loop's own epoll descriptor (a timerfd for the earliest timer and an eventfd for posted work
// sit inside it) is readable whenever anything is due, so a foreign loop (the GUI's) can drive this
// one by watching fd() and calling RunOnce(0) when it turns readable.
//
// Callbacks may remove their own watch or timer, or release the object that owns them: the loop
// keeps the running callback alive until it returns and never touches a removed entry again.
//
// An exception that leaves a callback stops at the dispatch that called it and goes to the error
// hook; the loop and every other callback carry on. A handler deep in some owner's code failing
// must not end the program with its mailing half done.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "platform/clock.h"

namespace norvane {

class EventLoop {
 public:
  explicit EventLoop(Clock& clock = CurrentClock());
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // The process's one loop, created on first use. It reads time from CurrentClock() at each use,
  // so a test's ScopedClock takes effect on it and no dangling clock is ever held.
  static EventLoop& Default();

  enum : uint32_t { kReadable = 1, kWritable = 2, kError = 4 /* EPOLLERR|EPOLLHUP */ };
  // Readiness callbacks per file descriptor (level-triggered). Watch replaces an existing watch.
  // While a descriptor's callback runs, nested dispatch does not call it again for that descriptor.
  void Watch(int fd, uint32_t events, std::function<void(uint32_t ready)> callback);
  void Modify(int fd, uint32_t events);
  void Unwatch(int fd);  // safe from inside any callback, including the fd's own
  bool IsWatched(int fd) const { return fds_.count(fd) != 0; }

  using TimerId = uint64_t;  // 0 is never a valid id
  TimerId AddTimer(uint32_t intervalMs, std::function<void()> callback, bool periodic = false);
  void CancelTimer(TimerId id);  // safe from inside any callback, including the timer's own

  // Runs `callback` after the current event has returned, in posting order; work posted while the
  // queue is drained waits for the next round. Never runs inside Post().
  void Post(std::function<void()> callback);

  // Waits at most timeoutMs (-1 = forever, 0 = no wait) and dispatches everything that is due.
  // Returns false when nothing was dispatched.
  bool RunOnce(int timeoutMs);
  // Nested dispatch ("process pending events"): dispatches what is due now without waiting; safe to
  // re-enter. Replaceable, so the GUI can pump its own events there too (its hook should call
  // RunOnce(0) for this loop's share).
  void ProcessMessages();
  void SetProcessMessagesHook(std::function<void()> hook);  // empty = default
  // Receives the text of every exception a callback let escape (empty = a line on stderr).
  void SetErrorHook(std::function<void(const std::string& what)> hook);
  // Hands a failure to the error hook: for callers that catch an owner's exception themselves so
  // they can finish their own work, but should not hide it.
  void CallbackFailed(const std::string& what);
  void Run();  // RunOnce(-1) until Quit()
  void Quit();
  // How deeply dispatch is nested right now (0 outside any callback).
  int Depth() const { return depth_; }

  int fd() const { return epfd_; }  // the epoll fd: readable whenever anything is due
  Clock& clock() const { return clock_ ? *clock_ : CurrentClock(); }
  uint32_t TickCount() const { return clock().TickCount(); }
  // Tests with a FakeClock: after FakeClock::Advance, timers due by the fake clock run on RunOnce(0).

 private:
  struct FdWatch {
    int fd;
    uint32_t events;
    bool running = false;
    std::function<void(uint32_t)> callback;
  };
  struct Timer {
    uint64_t deadline;
    uint32_t interval;
    bool periodic;
    bool running = false;
    std::shared_ptr<std::function<void()>> callback;
  };
  struct Posted {
    uint64_t seq;
    std::function<void()> callback;
  };

  struct DefaultClockTag {};
  explicit EventLoop(DefaultClockTag);
  void Init();
  bool DispatchFd(uint64_t key, uint32_t ready);
  bool DispatchTimers();
  bool DispatchPosted();
  void ArmTimerFd();
  void SignalPosted();
  int WaitBudget(int timeoutMs) const;
  void DrainEventFd();
  // Runs one callback, handing whatever it throws to the error hook.
  template <typename F>
  void Guard(F& callback);

  Clock* clock_;
  int epfd_ = -1;
  int timerfd_ = -1;
  int eventfd_ = -1;
  int depth_ = 0;
  int runDepth_ = 0;  // RunOnce calls in progress, nested ones included
  bool quit_ = false;
  bool eventfdSignalled_ = false;

  uint64_t nextWatchKey_ = 16;             // keys below are reserved for the loop's own descriptors
  std::unordered_map<int, uint64_t> fds_;  // fd -> key of its current watch
  std::unordered_map<uint64_t, std::shared_ptr<FdWatch>> watches_;  // key -> watch

  TimerId nextTimerId_ = 1;
  std::unordered_map<TimerId, Timer> timers_;
  std::set<std::pair<uint64_t, TimerId>> timerOrder_;  // (deadline, id), earliest first
  uint64_t armedDeadline_ = 0;                         // 0 = timerfd disarmed

  uint64_t nextPostSeq_ = 0;
  std::deque<Posted> posted_;

  std::function<void()> hook_;
  std::function<void(const std::string&)> errorHook_;
};

}  // namespace norvane
