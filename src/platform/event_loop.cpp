#include "platform/event_loop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <system_error>
#include <vector>

namespace norvane {
namespace {

constexpr uint64_t kTimerKey = 1;
constexpr uint64_t kPostKey = 2;

uint32_t ToEpoll(uint32_t events) {
  uint32_t e = 0;
  if (events & EventLoop::kReadable) e |= EPOLLIN;
  if (events & EventLoop::kWritable) e |= EPOLLOUT;
  return e;
}

uint32_t FromEpoll(uint32_t e) {
  uint32_t ready = 0;
  if (e & (EPOLLIN | EPOLLRDHUP | EPOLLPRI)) ready |= EventLoop::kReadable;
  if (e & EPOLLOUT) ready |= EventLoop::kWritable;
  if (e & (EPOLLERR | EPOLLHUP)) ready |= EventLoop::kError;
  return ready;
}

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Restores a flag and the nesting depth even when a callback throws.
class RunningScope {
 public:
  RunningScope(bool& running, int& depth) : running_(running), depth_(depth) {
    running_ = true;
    ++depth_;
  }
  ~RunningScope() {
    running_ = false;
    --depth_;
  }

 private:
  bool& running_;
  int& depth_;
};

}  // namespace

EventLoop::EventLoop(Clock& clock) : clock_(&clock) {
  Init();
}

EventLoop::EventLoop(DefaultClockTag) : clock_(nullptr) {
  Init();
}

void EventLoop::Init() {
  epfd_ = epoll_create1(EPOLL_CLOEXEC);
  if (epfd_ < 0) Fail("epoll_create1");
  timerfd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (timerfd_ < 0) Fail("timerfd_create");
  eventfd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (eventfd_ < 0) Fail("eventfd");
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kTimerKey;
  if (epoll_ctl(epfd_, EPOLL_CTL_ADD, timerfd_, &ev) < 0) Fail("epoll_ctl(timerfd)");
  ev.data.u64 = kPostKey;
  if (epoll_ctl(epfd_, EPOLL_CTL_ADD, eventfd_, &ev) < 0) Fail("epoll_ctl(eventfd)");
}

EventLoop::~EventLoop() {
  if (eventfd_ >= 0) close(eventfd_);
  if (timerfd_ >= 0) close(timerfd_);
  if (epfd_ >= 0) close(epfd_);
}

EventLoop& EventLoop::Default() {
  // Never destroyed: sockets held in other statics may still unwatch during exit.
  static EventLoop* loop = new EventLoop(DefaultClockTag{});
  return *loop;
}

void EventLoop::Watch(int fd, uint32_t events, std::function<void(uint32_t)> callback) {
  auto old = fds_.find(fd);
  bool registered = false;
  if (old != fds_.end()) {
    auto w = watches_.find(old->second);
    registered = w != watches_.end() && w->second->events != 0;
    watches_.erase(old->second);
  }
  uint64_t key = nextWatchKey_++;
  auto watch = std::make_shared<FdWatch>();
  watch->fd = fd;
  watch->events = events;
  watch->callback = std::move(callback);
  // A watch with no events is kept out of epoll: epoll reports hang-ups even with an empty mask,
  // and a paused socket that the peer closed would otherwise spin the loop.
  if (events != 0) {
    epoll_event ev{};
    ev.events = ToEpoll(events);
    ev.data.u64 = key;
    // A caller that closed the descriptor without Unwatch leaves epoll and our map out of step;
    // fall back to the other operation instead of failing.
    int op = registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    if (epoll_ctl(epfd_, op, fd, &ev) < 0) {
      int other = op == EPOLL_CTL_MOD ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
      if ((errno != ENOENT && errno != EEXIST) || epoll_ctl(epfd_, other, fd, &ev) < 0)
        Fail("epoll_ctl(watch)");
    }
  } else if (registered) {
    epoll_ctl(epfd_, EPOLL_CTL_DEL, fd, nullptr);
  }
  fds_[fd] = key;
  watches_[key] = std::move(watch);
}

void EventLoop::Modify(int fd, uint32_t events) {
  auto it = fds_.find(fd);
  if (it == fds_.end()) return;
  FdWatch& w = *watches_.at(it->second);
  if (w.events == events) return;
  epoll_event ev{};
  ev.events = ToEpoll(events);
  ev.data.u64 = it->second;
  int op = w.events == 0 ? EPOLL_CTL_ADD : (events == 0 ? EPOLL_CTL_DEL : EPOLL_CTL_MOD);
  if (epoll_ctl(epfd_, op, fd, op == EPOLL_CTL_DEL ? nullptr : &ev) < 0) Fail("epoll_ctl(modify)");
  w.events = events;
}

void EventLoop::Unwatch(int fd) {
  auto it = fds_.find(fd);
  if (it == fds_.end()) return;
  auto w = watches_.find(it->second);
  // The descriptor may already be closed (epoll then forgot it by itself), so errors are ignored.
  if (w != watches_.end() && w->second->events != 0) epoll_ctl(epfd_, EPOLL_CTL_DEL, fd, nullptr);
  if (w != watches_.end()) watches_.erase(w);
  fds_.erase(it);
}

EventLoop::TimerId EventLoop::AddTimer(uint32_t intervalMs, std::function<void()> callback, bool periodic) {
  TimerId id = nextTimerId_++;
  uint64_t deadline = clock().MonotonicMs() + intervalMs;
  timers_.emplace(id, Timer{deadline, intervalMs, periodic, false,
                            std::make_shared<std::function<void()>>(std::move(callback))});
  timerOrder_.emplace(deadline, id);
  ArmTimerFd();
  return id;
}

void EventLoop::CancelTimer(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  timerOrder_.erase({it->second.deadline, id});
  timers_.erase(it);
  ArmTimerFd();
}

void EventLoop::Post(std::function<void()> callback) {
  posted_.push_back(Posted{nextPostSeq_++, std::move(callback)});
  // Inside RunOnce the eventfd would only wake the loop that is already running: the work is
  // either run before RunOnce returns or signalled as it returns. Skipping it saves three system
  // calls per post on the delivery path. A replaced nested dispatch may look at fd() before it
  // calls RunOnce, so with a hook installed every post still signals.
  if (runDepth_ == 0 || hook_) SignalPosted();
}

void EventLoop::SignalPosted() {
  if (eventfdSignalled_) return;
  uint64_t one = 1;
  if (write(eventfd_, &one, sizeof one) == sizeof one) eventfdSignalled_ = true;
}

void EventLoop::DrainEventFd() {
  // One read takes the whole count; only this thread writes it.
  uint64_t count;
  [[maybe_unused]] ssize_t got = read(eventfd_, &count, sizeof count);
  eventfdSignalled_ = false;
}

void EventLoop::ArmTimerFd() {
  uint64_t deadline = timerOrder_.empty() ? 0 : timerOrder_.begin()->first;
  if (deadline == armedDeadline_) return;
  armedDeadline_ = deadline;
  itimerspec due{};
  if (deadline != 0) {
    uint64_t now = clock().MonotonicMs();
    if (deadline > now) {
      uint64_t ms = deadline - now;
      due.it_value.tv_sec = static_cast<time_t>(ms / 1000);
      due.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    } else {
      due.it_value.tv_nsec = 1;  // already due: make the loop's descriptor readable at once
    }
  }
  timerfd_settime(timerfd_, 0, &due, nullptr);
}

int EventLoop::WaitBudget(int timeoutMs) const {
  if (!posted_.empty() || quit_) return 0;
  if (timerOrder_.empty()) return timeoutMs;
  uint64_t now = clock().MonotonicMs();
  uint64_t deadline = timerOrder_.begin()->first;
  if (deadline <= now) return 0;
  uint64_t until = deadline - now;
  if (timeoutMs >= 0 && static_cast<uint64_t>(timeoutMs) < until) return timeoutMs;
  return until > 0x7fffffff ? 0x7fffffff : static_cast<int>(until);
}

bool EventLoop::RunOnce(int timeoutMs) {
  // Work posted during this call and still queued when it returns (also by an exception) must
  // leave fd() readable for a foreign loop.
  struct RunScope {
    EventLoop& loop;
    explicit RunScope(EventLoop& l) : loop(l) { ++loop.runDepth_; }
    ~RunScope() {
      --loop.runDepth_;
      if (!loop.posted_.empty()) loop.SignalPosted();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
  } runScope(*this);
  epoll_event events[64];
  int n = epoll_wait(epfd_, events, 64, WaitBudget(timeoutMs));
  if (n < 0) n = 0;  // EINTR: treat as a wake-up with nothing ready
  bool dispatched = false;
  for (int i = 0; i < n; ++i) {
    uint64_t key = events[i].data.u64;
    if (key == kTimerKey) {
      uint64_t expirations;
      while (read(timerfd_, &expirations, sizeof expirations) == sizeof expirations) {
      }
      armedDeadline_ = 0;  // fired; re-armed below for the next timer
    } else if (key == kPostKey) {
      DrainEventFd();
    } else {
      dispatched |= DispatchFd(key, FromEpoll(events[i].events));
    }
  }
  dispatched |= DispatchTimers();
  dispatched |= DispatchPosted();
  ArmTimerFd();
  return dispatched;
}

template <typename F>
void EventLoop::Guard(F& callback) {
  try {
    callback();
  } catch (const std::exception& e) {
    CallbackFailed(e.what());
  } catch (...) {
    CallbackFailed("unknown exception");
  }
}

void EventLoop::CallbackFailed(const std::string& what) {
  if (errorHook_) {
    try {
      errorHook_(what);
    } catch (...) {
    }
    return;
  }
  std::fprintf(stderr, "norvane: an event handler failed: %s\n", what.c_str());
}

void EventLoop::SetErrorHook(std::function<void(const std::string& what)> hook) {
  errorHook_ = std::move(hook);
}

bool EventLoop::DispatchFd(uint64_t key, uint32_t ready) {
  auto it = watches_.find(key);
  if (it == watches_.end()) return false;  // removed by an earlier callback of this round
  std::shared_ptr<FdWatch> watch = it->second;
  // Re-check the mask: an earlier callback may have changed it after epoll reported.
  uint32_t wanted = (ready & watch->events) | (ready & kError);
  if (wanted == 0 || watch->running) return false;
  RunningScope scope(watch->running, depth_);
  auto call = [&] { watch->callback(wanted); };
  Guard(call);
  return true;
}

bool EventLoop::DispatchTimers() {
  if (timerOrder_.empty()) return false;
  uint64_t now = clock().MonotonicMs();
  TimerId newest = nextTimerId_;  // timers made during this round wait for the next one
  std::vector<TimerId> due;
  for (const auto& [deadline, id] : timerOrder_) {
    if (deadline > now) break;
    if (id < newest) due.push_back(id);
  }
  bool dispatched = false;
  for (TimerId id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end() || it->second.deadline > now || it->second.running) continue;
    std::shared_ptr<std::function<void()>> callback = it->second.callback;
    if (it->second.periodic) {
      timerOrder_.erase({it->second.deadline, id});
      it->second.deadline = now + it->second.interval;
      timerOrder_.emplace(it->second.deadline, id);
      bool running = false;
      it->second.running = true;
      {
        RunningScope scope(running, depth_);
        struct Clear {
          EventLoop* loop;
          TimerId id;
          ~Clear() {
            auto t = loop->timers_.find(id);
            if (t != loop->timers_.end()) t->second.running = false;
          }
        } clear{this, id};
        Guard(*callback);
      }
    } else {
      timerOrder_.erase({it->second.deadline, id});
      timers_.erase(it);
      bool running = false;
      RunningScope scope(running, depth_);
      Guard(*callback);
    }
    dispatched = true;
  }
  return dispatched;
}

bool EventLoop::DispatchPosted() {
  if (posted_.empty()) return false;
  if (eventfdSignalled_) DrainEventFd();
  uint64_t limit = nextPostSeq_;
  bool dispatched = false;
  // Items are popped one at a time so that a nested dispatch continues with this round's items in
  // order instead of overtaking them.
  while (!posted_.empty() && posted_.front().seq < limit) {
    std::function<void()> callback = std::move(posted_.front().callback);
    posted_.pop_front();
    bool running = false;
    RunningScope scope(running, depth_);
    Guard(callback);
    dispatched = true;
  }
  if (!posted_.empty()) SignalPosted();
  return dispatched;
}

void EventLoop::ProcessMessages() {
  if (hook_) {
    hook_();
  } else {
    RunOnce(0);
  }
}

void EventLoop::SetProcessMessagesHook(std::function<void()> hook) {
  hook_ = std::move(hook);
}

void EventLoop::Run() {
  quit_ = false;
  while (!quit_) RunOnce(-1);
  quit_ = false;
}

void EventLoop::Quit() {
  quit_ = true;
  SignalPosted();  // wakes a waiting RunOnce
}

}  // namespace norvane
