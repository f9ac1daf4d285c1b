// Drives modal dialogs from a test, as a person would: each step runs once a
// modal window is up (the dialog's own event loop delivers it) and acts on
// that window; a step that leaves the same dialog open is followed by the
// next step on it. Steps left over at the end mean a dialog did not appear.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <exception>
#include <functional>

namespace norvane::test {

class ModalScript {
 public:
  using Step = std::function<void(QWidget& dialog)>;

  // Queues `step` for the next modal window; the first step arms the timer.
  void Then(Step step) {
    steps_.push_back(std::move(step));
    if (steps_.size() == 1) Arm();
  }
  bool Done() const { return steps_.empty(); }

 private:
  void Arm() {
    QTimer::singleShot(0, [this] { Fire(); });
  }
  void Fire() {
    if (steps_.empty()) return;
    QWidget* dialog = QApplication::activeModalWidget();
    // Between two dialogs no modal window is up; the next one is a later
    // round of the loop. A bounded number of rounds keeps a missing dialog
    // from spinning the test forever.
    if (dialog == nullptr) {
      if (++idleRounds_ < kMaxIdleRounds) Arm();
      return;
    }
    idleRounds_ = 0;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    // An exception must not cross Qt's event loop: it becomes this test's
    // failure, and the dialog is closed so the test goes on to its end.
    try {
      step(*dialog);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "dialog step failed: " << e.what();
      steps_.clear();
      dialog->close();
      return;
    }
    if (!steps_.empty()) Arm();
  }

  static constexpr int kMaxIdleRounds = 1000;
  std::deque<Step> steps_;
  int idleRounds_ = 0;
};

}  // namespace norvane::test
