// The order in which the program starts: splash, title, settings, the main
// window created disabled and shown, a 2000 ms pause on the event loop's
// timer, the splash gone, the main window enabled, then the start-up
// dialogs. The windows are reached through TStartupUi; what "create the
// settings", "create the main window" and "the start-up dialogs" mean is
// given by the program's entry, so that the order can be tested alone.
#pragma once

#include <functional>
#include <string>

#include "platform/event_loop.h"

namespace norvane {

class TStartupUi {
 public:
  virtual ~TStartupUi() = default;
  // Borderless, always on top, centred; the product picture and a notice line.
  virtual void ShowSplash() = 0;
  virtual void SetApplicationTitle(const std::string& title) = 0;
  // The main window, created disabled, appears behind the splash.
  virtual void ShowMainWindow() = 0;
  virtual void DestroySplash() = 0;
  virtual void EnableMainWindow() = 0;
};

inline constexpr uint32_t kSplashMs = 2000;

class TStartupSequence {
 public:
  TStartupSequence(TStartupUi& ui, EventLoop& loop);
  ~TStartupSequence();
  TStartupSequence(const TStartupSequence&) = delete;
  TStartupSequence& operator=(const TStartupSequence&) = delete;

  // The settings store (TINI), made the process's one.
  std::function<void()> CreateSettings;
  // The main window's logic and view, disabled, with its FormCreate run.
  std::function<void()> CreateMainWindow;
  // TToolsHelpCommands::StartupDialogs, guarded by the main window.
  std::function<void()> StartupDialogs;

  // Steps up to the pause; the rest runs from the loop when the pause is
  // over. An error of the first steps is thrown: the program cannot start.
  void Run();
  // The main window has been enabled and the start-up dialogs have closed.
  bool Finished() const { return finished_; }

 private:
  void AfterSplash();

  TStartupUi& ui_;
  EventLoop& loop_;
  EventLoop::TimerId timer_ = 0;
  bool finished_ = false;
};

}  // namespace norvane
