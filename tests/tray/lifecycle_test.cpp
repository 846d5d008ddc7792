#include "tray/lifecycle.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"
#include "support/fake_window_frame.h"

namespace mirvo {
namespace {

using testing::FakePlatform;
using testing::FakeWindowFrame;

using Calls = std::vector<std::string>;

struct Fixture {
  FakeWindowFrame frame;
  FakePlatform platform;
  WorkingWindowLifecycle lifecycle{frame, platform, "MIRVO客户端"};

  Fixture() {
    frame.onRestoreResize = [this] { lifecycle.OnResize(); };
  }
};

TEST(Lifecycle, LoadFillsTheRecordThenAddsTheIcon) {
  Fixture f;
  f.lifecycle.OnLoad();
  EXPECT_EQ(f.frame.calls,
            (Calls{"Handle", "IconHandle", "IconHandle", "AddTrayIcon MIRVO客户端"}));
  ASSERT_EQ(f.frame.added.size(), 1u);
  EXPECT_EQ(f.frame.added[0].hWnd, 0x1234u);
  EXPECT_EQ(f.frame.added[0].cbSize, 88);
}

TEST(Lifecycle, ResizeRecordsThePositionAndHidesOnlyWhenMinimizedWithATray) {
  struct Case {
    const char* name;
    bool minimized;
    bool tray;
    Calls calls;
  } cases[] = {
      {"normal", false, true, {}},
      {"minimized", true, true, {"Handle", "IconHandle", "IconHandle", "Hide"}},
      // Without a notification area the window stays minimized in the taskbar.
      {"minimized, no tray", true, false, {"Handle", "IconHandle", "IconHandle"}},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.frame.top = 300;
    f.frame.left = 450;
    f.frame.minimized = c.minimized;
    f.frame.trayAvailable = c.tray;
    f.lifecycle.OnResize();
    EXPECT_EQ(f.frame.calls, c.calls) << c.name;
    EXPECT_TRUE(f.lifecycle.Position().set);
    EXPECT_EQ(f.lifecycle.Position().top, 300);
    EXPECT_EQ(f.lifecycle.Position().left, 450);
  }
}

TEST(Lifecycle, OnlyALeftDoubleClickCodeRestores) {
  struct Case {
    float x;
    float twipsPerPixel;
    bool restores;
  } cases[] = {
      {515 * 15.0f, 15, true},  {515 * 12.0f, 12, true},  {512 * 15.0f, 15, false},
      {513 * 15.0f, 15, false}, {514 * 15.0f, 15, false}, {516 * 15.0f, 15, false},
      {518 * 15.0f, 15, false}, {7726, 15, false},        {0, 15, false},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.frame.twipsPerPixel = c.twipsPerPixel;
    f.lifecycle.OnResize();
    f.frame.calls.clear();
    f.lifecycle.OnPointerMove(c.x);
    EXPECT_EQ(!f.frame.calls.empty(), c.restores) << c.x;
  }
}

TEST(Lifecycle, RestoreFromTrayShowsMovesToThePositionTheRestoreRecordedThenFocuses) {
  Fixture f;
  f.frame.top = 100;
  f.frame.left = 200;
  f.lifecycle.OnResize();  // first display
  f.frame.top = -32000;    // where a minimized window is parked
  f.frame.left = -32000;
  f.frame.minimized = true;
  f.lifecycle.OnResize();  // minimize: records the parked position, hides
  ASSERT_TRUE(f.frame.hidden);
  f.frame.restoredTop = 100;
  f.frame.restoredLeft = 200;
  f.frame.calls.clear();

  f.lifecycle.OnPointerMove(515 * 15.0f);
  EXPECT_EQ(f.frame.calls, (Calls{"ShowRestored", "MoveTo 100 200", "GiveFocus"}));
  EXPECT_FALSE(f.frame.hidden);
}

TEST(Lifecycle, RestoreWhileShownMovesBackToTheLastRecordedPosition) {
  Fixture f;
  f.frame.top = 100;
  f.frame.left = 200;
  f.lifecycle.OnResize();
  f.frame.top = 700;  // moved without resizing: nothing recorded
  f.frame.left = 800;
  f.frame.calls.clear();
  f.lifecycle.RestoreFromTray();
  EXPECT_EQ(f.frame.calls, (Calls{"ShowRestored", "MoveTo 100 200", "GiveFocus"}));
}

TEST(Lifecycle, CloseKillsRsyncRemovesTheIconAndEnds) {
  for (bool commandsFail : {false, true}) {
    Fixture f;
    f.platform.failCommands = commandsFail;
    f.lifecycle.OnLoad();
    f.frame.calls.clear();
    f.lifecycle.OnCloseRequest();
    ASSERT_EQ(f.platform.commands.size(), 1u);
    EXPECT_EQ(f.platform.commands[0].line, "cmd.exe /c taskkill /F /im rsync.exe");
    EXPECT_EQ(f.platform.commands[0].mode, WindowMode::Hidden);
    EXPECT_EQ(f.frame.calls, (Calls{"RemoveTrayIcon MIRVO客户端", "ExitNow"}));
    ASSERT_EQ(f.frame.removed.size(), 1u);
    EXPECT_EQ(f.frame.removed[0].uID, 0x5678u);
  }
}

}  // namespace
}  // namespace mirvo
