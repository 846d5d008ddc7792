#include "foundation/rsync_exit.h"

#include <gtest/gtest.h>

#include <set>

#include "foundation/local_time.h"

namespace mirvo {
namespace {

TEST(RsyncExitMeaning, EveryDocumentedStatusHasItsOwnWordsAndOthersShowTheNumber) {
  const int documented[] = {0,  1,  2,  3,  4,  5,  10, 11, 12, 13, 14,  15,
                            16, 19, 20, 21, 22, 23, 24, 25, 30, 35, 127, 137};
  std::set<std::string> seen;
  for (int status : documented) {
    std::string meaning = RsyncExitMeaning(status);
    EXPECT_EQ(meaning.find("退出状态"), std::string::npos) << status;
    EXPECT_TRUE(seen.insert(meaning).second) << status << " repeats " << meaning;
    EXPECT_EQ(DescribeRsyncExit(status), "退出状态 " + std::to_string(status) + "：" + meaning);
  }

  struct Case {
    int status;
    const char* meaning;
  } cases[] = {
      {0, "成功"},
      {23, "因出错只传输了一部分文件"},
      {35, "等待与守护进程建立连接超时"},
      {127, "找不到要运行的程序"},
      {6, "退出状态 6"},
      {-1073741510, "命令窗口被关闭或按下了 Ctrl+C"},
      {-1, "退出状态 -1"},
  };
  for (const Case& c : cases) EXPECT_EQ(RsyncExitMeaning(c.status), c.meaning) << c.status;
  EXPECT_EQ(DescribeRsyncExit(99), "退出状态 99");
  EXPECT_NE(RsyncExitMeaning(5).find("模块不存在"), std::string::npos);
}

TEST(Iso8601, WritesTheOffsetWithSignHoursAndMinutes) {
  struct Case {
    LocalTime time;
    const char* text;
  } cases[] = {
      {{2026, 12, 9, 20, 1, 2, 480}, "2026-12-09T20:01:02+08:00"},
      {{2027, 1, 31, 0, 0, 0, 0}, "2027-01-31T00:00:00+00:00"},
      {{2026, 3, 8, 23, 59, 59, -210}, "2026-03-08T23:59:59-03:30"},
      {{2026, 6, 1, 5, 4, 3, 345}, "2026-06-01T05:04:03+05:45"},
  };
  for (const Case& c : cases) EXPECT_EQ(Iso8601(c.time), c.text);
}

}  // namespace
}  // namespace mirvo
