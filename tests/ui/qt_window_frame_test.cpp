#include "ui/qt/qt_window_frame.h"

#include <gtest/gtest.h>

#include <functional>

#include "qt_test_app.h"
#include "tray/notify_icon_record.h"

namespace mirvo::ui {
namespace {

using testing::App;
using testing::ProcessUntil;

class QtWindowFrameTest : public testing::WithApplication {
 protected:
  LayoutWindow window{layout::ServerLayout()};
  QtWindowFrame frame{window};
};

TEST_F(QtWindowFrameTest, PositionInTwipsRoundTrips) {
  window.show();
  ASSERT_TRUE(ProcessUntil([&] { return window.isVisible(); }));
  const float perPixel = frame.TwipsPerPixel();
  EXPECT_FLOAT_EQ(perPixel, static_cast<float>(1440.0 / window.logicalDpiX()));
  frame.MoveTo(120 * perPixel, 200 * perPixel);
  ASSERT_TRUE(ProcessUntil([&] { return window.frameGeometry().topLeft() == QPoint(200, 120); }));
  EXPECT_FLOAT_EQ(frame.Top(), 120 * perPixel);
  EXPECT_FLOAT_EQ(frame.Left(), 200 * perPixel);
}

TEST_F(QtWindowFrameTest, RestoringAHiddenWindowRaisesTheResizeNotificationBeforeReturning) {
  window.show();
  ASSERT_TRUE(ProcessUntil([&] { return window.isVisible(); }));
  frame.Hide();
  EXPECT_FALSE(window.isVisible());
  int notifications = 0;
  window.onResizeNotification = [&] { ++notifications; };
  frame.ShowRestored();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(frame.IsMinimized());
  EXPECT_GE(notifications, 1);
}

TEST_F(QtWindowFrameTest, RestoringAMinimizedWindowRaisesTheResizeNotificationBeforeReturning) {
  window.show();
  window.setWindowState(Qt::WindowMinimized);
  ASSERT_TRUE(ProcessUntil([&] { return frame.IsMinimized(); }));
  int notifications = 0;
  window.onResizeNotification = [&] { ++notifications; };
  frame.ShowRestored();
  EXPECT_FALSE(frame.IsMinimized());
  EXPECT_GE(notifications, 1);
}

TEST_F(QtWindowFrameTest, ShowingMeansOnTheScreenNeitherHiddenNorMinimized) {
  const struct {
    const char* step;
    std::function<void()> act;
    bool showing;
  } steps[] = {
      {"never shown", [] {}, false},
      {"shown", [&] { window.show(); }, true},
      {"minimized", [&] { window.setWindowState(Qt::WindowMinimized); }, false},
      {"restored", [&] { frame.ShowRestored(); }, true},
      {"hidden in the tray", [&] { frame.Hide(); }, false},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_TRUE(ProcessUntil([&] { return frame.IsShowing() == s.showing; })) << s.step;
  }
}

TEST_F(QtWindowFrameTest, ABalloonNeedsTheIconInATray) {
  EXPECT_FALSE(frame.ShowTrayMessage("MIRVO客户端", "拉取失败")) << "no icon yet";
  NotifyIconRecord record;
  record.szTip = "MIRVO客户端";
  frame.AddTrayIcon(record);
  EXPECT_EQ(frame.ShowTrayMessage("MIRVO客户端", "拉取失败"),
            QSystemTrayIcon::isSystemTrayAvailable());
  frame.RemoveTrayIcon(record);
  EXPECT_FALSE(frame.ShowTrayMessage("MIRVO客户端", "拉取失败")) << "the icon has gone";
}

TEST_F(QtWindowFrameTest, HandlesAreStable) {
  EXPECT_NE(frame.Handle(), 0u);
  EXPECT_EQ(frame.Handle(), frame.Handle());
  EXPECT_EQ(frame.IconHandle(), frame.IconHandle());
}

TEST_F(QtWindowFrameTest, TheTrayTipEndsAtItsNulCharacter) {
  NotifyIconRecord record;
  record.szTip = "MIRVO服务端";
  EXPECT_EQ(TipText(record), "MIRVO服务端");
  record.szTip = std::string("MIRVO客户端\0   ", 17);
  EXPECT_EQ(TipText(record), "MIRVO客户端");
}

TEST_F(QtWindowFrameTest, TheIconGoesIntoTheTrayWithTheRecordsTipAndLeavesIt) {
  NotifyIconRecord record;
  record.szTip = "MIRVO服务端";
  frame.AddTrayIcon(record);
  ASSERT_NE(frame.TrayIcon(), nullptr);
  EXPECT_EQ(frame.TrayIcon()->toolTip(), "MIRVO服务端");
  EXPECT_FALSE(frame.TrayIcon()->icon().isNull());
  int doubleClicks = 0;
  frame.onTrayDoubleClick = [&] { ++doubleClicks; };
  // Only a double-click brings the window back; a click or a context request does nothing.
  for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                      QSystemTrayIcon::MiddleClick, QSystemTrayIcon::DoubleClick}) {
    emit const_cast<QSystemTrayIcon*>(frame.TrayIcon())->activated(reason);
  }
  EXPECT_EQ(doubleClicks, 1);
  frame.RemoveTrayIcon(record);
  EXPECT_EQ(frame.TrayIcon(), nullptr);
}

}  // namespace
}  // namespace mirvo::ui
