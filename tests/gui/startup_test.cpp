#include <gtest/gtest.h>

#include <QApplication>

TEST(GuiStartup, AnApplicationRunsOnTheOffscreenPlatform) {
  EXPECT_EQ(QApplication::platformName(), "offscreen");
}
