#include "tray/notify_icon_record.h"

#include <gtest/gtest.h>

#include "support/fake_window_frame.h"

namespace mirvo {
namespace {

using testing::FakeWindowFrame;

TEST(FillNotifyIconRecord, TakesWindowAndIconHandlesInOrder) {
  FakeWindowFrame frame;
  NotifyIconRecord record = FillNotifyIconRecord(frame, "MIRVO服务端");
  EXPECT_EQ(frame.calls, (std::vector<std::string>{"Handle", "IconHandle", "IconHandle"}));
  EXPECT_EQ(record.cbSize, 88);
  EXPECT_EQ(record.hWnd, 0x1234u);
  EXPECT_EQ(record.uID, 0x5678u);
  EXPECT_EQ(record.uFlags, 7u);
  EXPECT_EQ(record.uCallbackMessage, 512u);
  EXPECT_EQ(record.hIcon, 0x5678u);
  EXPECT_EQ(record.szTip, "MIRVO服务端");
}

}  // namespace
}  // namespace mirvo
