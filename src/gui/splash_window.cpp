#include "gui/splash_window.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

#include "gui/product_picture.h"

namespace norvane {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
  setObjectName("frmSplash");
  // The keyboard stays with the main window: when the splash goes, focus it
  // held would fall to no window at all on a desktop without a window manager.
  setAttribute(Qt::WA_ShowWithoutActivating);
  auto* picture = new QLabel(this);
  picture->setObjectName("Image1");
  picture->setPixmap(ProductPicture(QSize(kWidth, kHeight), true));
  picture->setGeometry(0, 0, kWidth, kHeight);
  auto* notice = new QLabel(QString::fromLatin1(kSplashNotice), this);
  notice->setObjectName("Label1");
  notice->setStyleSheet(QStringLiteral("color: white;"));
  notice->setGeometry(8, 6, kWidth - 16, notice->sizeHint().height());
  setFixedSize(kWidth, kHeight);
}

void SplashWindow::ShowCentred() {
  if (QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  show();
  raise();
  // The main window is built before the event loop runs; paint now so the
  // splash is seen while that happens.
  repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace norvane
