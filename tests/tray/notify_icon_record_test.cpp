#include "tray/notify_icon_record.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"
#include "support/fake_window_frame.h"

namespace mirvo {
namespace {

using testing::FakePlatform;
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

std::string Tip(const std::string& ansi) {
  std::string field = ansi + '\0';
  field.resize(64, ' ');
  return field;
}

TEST(NotifyIconBytes, EightyEightBytesWithTheTipTerminatedAndPadded) {
  const std::string header(
      "\x58\x00\x00\x00"
      "\x34\x12\x00\x00"
      "\x78\x56\x00\x00"
      "\x07\x00\x00\x00"
      "\x00\x02\x00\x00"
      "\x78\x56\x00\x00",
      24);
  struct Case {
    std::string tip;
    std::string field;
  } cases[] = {
      {"MIRVO服务端", Tip("MIRVO\xB7\xFE\xCE\xF1\xB6\xCB")},
      {"MIRVO客户端", Tip("MIRVO\xBF\xCD\xBB\xA7\xB6\xCB")},
      {"", Tip("")},
      {std::string(63, 'a'), Tip(std::string(63, 'a'))},
      // Longer texts are cut so that the NUL still fits.
      {std::string(64, 'a'), Tip(std::string(63, 'a'))},
      {std::string(100, 'b'), Tip(std::string(63, 'b'))},
      // Never in the middle of a double-byte character: 62 + 2 would leave no room for the NUL.
      {std::string(62, 'c') + "共", Tip(std::string(62, 'c'))},
      {std::string(61, 'c') + "共", Tip(std::string(61, 'c') + "\xB9\xB2")},
  };
  FakeWindowFrame frame;
  FakePlatform platform;
  for (const Case& c : cases) {
    Result<std::string> bytes = NotifyIconBytes(FillNotifyIconRecord(frame, c.tip), platform);
    ASSERT_TRUE(bytes.ok()) << c.tip;
    ASSERT_EQ(bytes.value().size(), 88u);
    EXPECT_EQ(bytes.value().substr(0, 24), header);
    EXPECT_EQ(bytes.value().substr(24), c.field) << c.tip;
  }
}

TEST(NotifyIconBytes, ATipTheCodePageCannotHoldIsAnError) {
  FakeWindowFrame frame;
  FakePlatform platform;
  EXPECT_FALSE(NotifyIconBytes(FillNotifyIconRecord(frame, "x😀"), platform).ok());
}

}  // namespace
}  // namespace mirvo
