#include "client/schedule_interval.h"

#include <gtest/gtest.h>

namespace mirvo {
namespace {

TEST(ParseIntervalMinutes, ExactDecimalTimesSixtyThousandHalvesToEven) {
  struct Case {
    const char* text;
    std::int32_t milliseconds;
  } cases[] = {
      {"1", 60000},
      {"0.5", 30000},
      {"90", 5400000},
      {"1.00001", 60001},                  // 60000.6
      {"1.000001", 60000},                 // 60000.06
      {"0.00001", 1},                      // 0.6
      {"0.00000833334", 1},                // 0.5000004: above the half
      {"0.0000125", 1},                    // 0.75
      {"0.000025", 2},                     // 1.5 exactly: to even, 2
      {"0.000041666666666666666667", 3},   // 2.50000000000000000002: above the half
      {"0.0000416666666666666666665", 2},  // 2.49999999999999999999: below
      {"0.00004166666666666666666666666666666666666666666666666666666667", 3},
      {"0.0000583333333333333333333333333", 3},                               // 3.4999...
      {"0.000058333333333333333333333333333333333333333333333333333334", 4},  // 3.5000...
      {"35791.394116666", 2147483647},
      {"  2  ", 120000},
      {"\t3", 180000},
      {"1.", 60000},
      {".5", 30000},
      {"+2", 120000},
      {"0001.5000", 90000},
      {"\xEF\xBC\x91\xEF\xBC\x8E\xEF\xBC\x95", 90000},  // full-width 1.5
      {"\xE3\x80\x80"
       "2",
       120000},  // full-width space
  };
  for (const Case& c : cases) {
    Result<std::int32_t> parsed = ParseIntervalMinutes(c.text);
    ASSERT_TRUE(parsed.ok()) << c.text << ": " << parsed.error().message;
    EXPECT_EQ(parsed.value(), c.milliseconds) << c.text;
  }
}

TEST(ParseIntervalMinutes, RejectsWhatTheTimerCannotUseAndNamesTheValue) {
  struct Case {
    const char* text;
    const char* reason;
  } cases[] = {
      {"", "为空"},
      {"   ", "为空"},
      {"abc", "不是有效的分钟数"},
      {"1,5", "不是有效的分钟数"},
      {"1.2.3", "不是有效的分钟数"},
      {"1e3", "不是有效的分钟数"},
      {".", "不是有效的分钟数"},
      {"-", "不是有效的分钟数"},
      {"- 1", "不是有效的分钟数"},
      {"0x10", "不是有效的分钟数"},
      {"1 2", "不是有效的分钟数"},
      {"0", "必须大于零"},
      {"0.000", "必须大于零"},
      {"-0", "必须大于零"},
      {"-1", "必须大于零"},
      {"-0.5", "必须大于零"},
      {"35791.3941250", "最长间隔"},  // 2147483647.5 rounds to the even 2147483648
      {"35792", "最长间隔"},
      {"100000", "最长间隔"},
      {"99999999999999999999999", "最长间隔"},
      {"0.000008", "不足 1 毫秒"},       // 0.48 ms
      {"0.00000833333", "不足 1 毫秒"},  // 0.4999998 ms
      {"0.0000083333333333333333333", "不足 1 毫秒"},
      {"0.00000000000000000000001", "不足 1 毫秒"},
  };
  for (const Case& c : cases) {
    Result<std::int32_t> parsed = ParseIntervalMinutes(c.text);
    ASSERT_FALSE(parsed.ok()) << c.text << " gave " << parsed.value();
    const std::string& message = parsed.error().message;
    EXPECT_NE(message.find(c.reason), std::string::npos) << c.text << ": " << message;
    if (std::string_view(c.reason) != "为空") {
      EXPECT_NE(message.find(std::string("“") + c.text + "”"), std::string::npos) << message;
    }
  }
}

}  // namespace
}  // namespace mirvo
