// Finding a dialog's widgets by name and reading what they show, for the
// dialog views' tests; and the start language held for one test.
#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QWidget>
#include <stdexcept>
#include <string>

#include "ui/base_multi_lang.h"

namespace norvane::test {

template <typename Widget = QWidget>
Widget& Child(QWidget& dialog, const char* name) {
  auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
  if (widget == nullptr) throw std::runtime_error(std::string("no widget ") + name);
  return *widget;
}

// The caption a person reads on the widget called `name` ("%Form%": the title).
inline QString Shown(QWidget& dialog, const char* name) {
  if (std::string(name) == "%Form%") return dialog.windowTitle();
  QWidget& widget = Child(dialog, name);
  if (auto* label = qobject_cast<QLabel*>(&widget)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(&widget)) return group->title();
  if (qobject_cast<QStackedWidget*>(widget.parentWidget()) != nullptr) {
    if (auto* tabs = qobject_cast<QTabWidget*>(widget.parentWidget()->parentWidget()))
      return tabs->tabText(tabs->indexOf(&widget));
  }
  throw std::runtime_error(std::string("no caption on ") + name);
}

// A check box or radio button is clicked on its indicator: a wide one's
// middle may lie beyond its text, where a click does nothing.
inline void Click(QWidget& dialog, const char* button) {
  auto& target = Child<QAbstractButton>(dialog, button);
  if (qobject_cast<QPushButton*>(&target) != nullptr) {
    QTest::mouseClick(&target, Qt::LeftButton);
  } else {
    QTest::mouseClick(&target, Qt::LeftButton, {}, QPoint(6, target.height() / 2));
  }
}

// Every window loaded while this lives shows `language`.
class StartLanguageScope {
 public:
  explicit StartLanguageScope(uint8_t language) { StartLanguage = language; }
  ~StartLanguageScope() { StartLanguage = 0; }
  StartLanguageScope(const StartLanguageScope&) = delete;
  StartLanguageScope& operator=(const StartLanguageScope&) = delete;
};

}  // namespace norvane::test
