#include "app/startup_sequence.h"

#include "project/project_model.h"

namespace norvane {

TStartupSequence::TStartupSequence(TStartupUi& ui, EventLoop& loop) : ui_(ui), loop_(loop) {}

TStartupSequence::~TStartupSequence() {
  if (timer_) loop_.CancelTimer(timer_);
}

void TStartupSequence::Run() {
  ui_.ShowSplash();
  ui_.SetApplicationTitle(kProductName);
  if (CreateSettings) CreateSettings();
  if (CreateMainWindow) CreateMainWindow();
  ui_.ShowMainWindow();
  // A timer rather than a sleep: the loop stays free for the splash to paint.
  timer_ = loop_.AddTimer(kSplashMs, [this] { AfterSplash(); });
}

void TStartupSequence::AfterSplash() {
  timer_ = 0;
  ui_.DestroySplash();
  ui_.EnableMainWindow();
  if (StartupDialogs) StartupDialogs();
  finished_ = true;
}

}  // namespace norvane
