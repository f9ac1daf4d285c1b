// A main window on the offscreen platform over a private settings file and
// its own core loop. Message boxes and file dialogs are answered from
// queues (default: OK / Cancel) and recorded; the loop is driven through
// Qt's, as in the program.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "gui/event_loop_bridge.h"
#include "gui/main_window_view.h"
#include "gui/qt_main_form_ui.h"
#include "settings/ini_data.h"
#include "support/temp_dir.h"

namespace norvane::test {

// Types `text` into `widget` one key at a time, as a keyboard would, also
// characters QTest::keyClicks cannot (it knows only ASCII keys).
inline void Type(QWidget* widget, const QString& text) {
  for (char32_t code : text.toUcs4()) {
    const QString key = QString::fromUcs4(&code, 1);
    if (code < 0x80)
      QTest::keyClicks(widget, key);
    else
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, key, Qt::NoModifier);
  }
}

class MainWindowFixture : public ::testing::Test {
 protected:
  MainWindowFixture() : ini(RegistryHive(dir.File("Norvane.reg"))), bridge(loop), ui(loop) {
    ini.ilRunSpellChecker().SetAsBoolean(false);
    ui.BoxHook = [this](const MessageBoxRequest& request) {
      boxes.push_back(request);
      if (onBox) onBox();
      QMessageBox::StandardButton answer = QMessageBox::Ok;
      if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
      }
      return answer;
    };
    ui.FileDialogHook = [this](const FileDialogRequest& request) {
      fileDialogs.push_back(request);
      QStringList chosen;
      if (!files.empty()) {
        chosen = files.front();
        files.pop_front();
      }
      return chosen;
    };
  }
  ~MainWindowFixture() override {
    window.reset();
    form.reset();
  }

  // The program's start, without the pause: FormCreate, then the view.
  void Open(const std::vector<std::string>& args = {}) {
    form = std::make_unique<TMainForm>(ui, ini, RegistryHive(dir.File("Norvane.reg")), loop);
    form->FormCreate(args);
    window = std::make_unique<MainWindowView>(*form, ui, bridge);
    window->ShowForm();
    QCoreApplication::processEvents();
  }

  // Runs Qt's event loop (and through it the core's) until `done`; false
  // when 60 s pass first. Waiting is for events, never a sleep.
  bool RunUntil(const std::function<bool()>& done, int limitMs = 60000) {
    bool expired = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { expired = true; });
    guard.start(limitMs);
    while (!done() && !expired) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
  }

  std::vector<QString> BoxTexts() const {
    std::vector<QString> texts;
    for (const auto& box : boxes) texts.push_back(box.text);
    return texts;
  }

  TempDir dir;
  TINI ini;
  EventLoop loop;
  EventLoopBridge bridge;
  QtMainFormUi ui;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<MainWindowView> window;

  std::deque<QMessageBox::StandardButton> answers;
  std::function<void()> onBox;  // looks at the window while a box shows
  std::vector<MessageBoxRequest> boxes;
  std::deque<QStringList> files;
  std::vector<FileDialogRequest> fileDialogs;
};

}  // namespace norvane::test
