// The splash window of the start: no border, above other windows, centred;
// the product picture at its natural size fills it, a notice line at its
// top. TStartupSequence decides when it comes and goes.
#pragma once

#include <QWidget>

namespace norvane {

class SplashWindow : public QWidget {
 public:
  static constexpr int kWidth = 400;
  static constexpr int kHeight = 250;

  explicit SplashWindow(QWidget* parent = nullptr);

  // Shows the window centred on the primary screen and paints it at once,
  // before the main window is built.
  void ShowCentred();
};

// The splash's notice line.
inline constexpr char kSplashNotice[] = "Starting Norvane...";

}  // namespace norvane
