// The splash window: borderless, above other windows, centred, as large as
// its picture, with the notice line at its top.
#include "gui/splash_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScreen>

namespace norvane {
namespace {

TEST(SplashWindow, IsABorderlessTopmostPictureWithTheNoticeAtItsTop) {
  SplashWindow splash;
  splash.ShowCentred();
  EXPECT_TRUE(splash.isVisible());
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
  // Focus the splash held would go nowhere when it closes: the keyboard stays with the main window.
  EXPECT_TRUE(splash.windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(splash.testAttribute(Qt::WA_ShowWithoutActivating));
  auto* picture = splash.findChild<QLabel*>("Image1");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(splash.size(), picture->pixmap().size()) << "the window takes the picture's size";
  EXPECT_EQ(picture->pos(), QPoint(0, 0));
  auto* notice = splash.findChild<QLabel*>("Label1");
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->text(), kSplashNotice);
  EXPECT_LT(notice->y(), splash.height() / 4);
  EXPECT_EQ(splash.frameGeometry().center(), QApplication::primaryScreen()->availableGeometry().center());
}

}  // namespace
}  // namespace norvane
