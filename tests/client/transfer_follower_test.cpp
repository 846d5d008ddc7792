#include "client/transfer_follower.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "foundation/rsync_exit.h"
#include "support/fake_platform.h"
#include "support/recording_notifier.h"

namespace mirvo {
namespace {

using testing::FakePlatform;
using testing::FakeWatch;
using testing::Notice;
using testing::RecordingNotifier;
using Lines = std::vector<std::string>;

const std::string kLog = "D:\\Tools\\Sync\\mirvo-transfers.log";
const std::string kOlderLog = "D:\\Tools\\Sync\\mirvo-transfers.log.1";

// Tests never leave loopback.
const TransferSettings kPull = {.ServerAddress = "127.0.0.1", .LocalFolder = "d:\\数据"};
const TransferSettings kPush = {.ServerAddress = "127.0.0.1",
                                .Module = "备份",
                                .LocalFolder = "d:\\数据",
                                .PushToServer = true,
                                .Authenticate = true,
                                .UserName = "alice",
                                .Password = "s3cret"};

struct Client {
  FakePlatform platform;
  RecordingNotifier notifier;
  TransferFollower follower{platform, notifier};

  std::shared_ptr<FakeWatch> Start(const TransferSettings& settings) {
    auto watch = std::make_shared<FakeWatch>();
    follower.Follow(watch, settings);
    return watch;
  }
  // One transfer from start to end.
  void RunToEnd(const TransferSettings& settings, int status) { Start(settings)->End(status); }
  Lines LogLines() const {
    Lines lines;
    auto it = platform.files.find(kLog);
    if (it == platform.files.end()) return lines;
    const std::string& text = it->second.bytes;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find("\r\n", start);
      EXPECT_NE(end, std::string::npos) << "a line without CR LF";
      if (end == std::string::npos) break;
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
};

TEST(TransferLogLine, HoldsTimeDirectionFolderRemoteStatusAndMeaningButNoPassword) {
  struct Case {
    TransferSettings settings;
    int status;
    std::string line;
  } cases[] = {
      {kPull, 0, "T\t拉取\td:\\数据\ttest@127.0.0.1::test\t0\t成功\r\n"},
      {kPush, 5, "T\t推送\td:\\数据\talice@127.0.0.1::备份\t5\t" + RsyncExitMeaning(5) + "\r\n"},
      {{.ServerAddress = "127.0.0.1", .LocalFolder = "c:\\a\tb\r\nc"},
       99,
       "T\t拉取\tc:\\a b  c\ttest@127.0.0.1::test\t99\t退出状态 99\r\n"},
  };
  for (const Case& c : cases) {
    std::string line = TransferLogLine("T", c.settings, c.status);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(line.find(c.settings.Password), std::string::npos);
  }
}

TEST(TransferFollower, LogsEveryEndAndAnnouncesEachFailureOnceUntilASuccess) {
  struct Step {
    const TransferSettings* settings;
    int status;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<int> announced;  // the statuses announced, in order
  } cases[] = {
      {"same failure ten times", std::vector<Step>(10, Step{&kPull, 5}), {5}},
      {"success in between re-arms", {{&kPull, 5}, {&kPull, 5}, {&kPull, 0}, {&kPull, 5}}, {5, 5}},
      {"another failure", {{&kPull, 5}, {&kPull, 23}, {&kPull, 23}, {&kPull, 5}}, {5, 23, 5}},
      {"another route", {{&kPull, 10}, {&kPush, 10}, {&kPull, 10}}, {10, 10}},
      {"success elsewhere does not re-arm", {{&kPull, 10}, {&kPush, 0}, {&kPull, 10}}, {10}},
      // The user closed the window (Windows, then POSIX) and read rsync's words there.
      {"window closed", {{&kPull, kClosedConsoleStatus}, {&kPull, 129}}, {}},
      {"window closed between failures", {{&kPull, 5}, {&kPull, 129}, {&kPull, 5}}, {5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Client client;
    for (const Step& step : c.steps) client.RunToEnd(*step.settings, step.status);

    Lines lines = client.LogLines();
    ASSERT_EQ(lines.size(), c.steps.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::string expected =
          TransferLogLine(client.platform.timestamp, *c.steps[i].settings, c.steps[i].status);
      EXPECT_EQ(lines[i] + "\r\n", expected);
    }
    ASSERT_EQ(client.notifier.notices.size(), c.announced.size());
    for (std::size_t i = 0; i < c.announced.size(); ++i) {
      const Notice& notice = client.notifier.notices[i];
      EXPECT_EQ(notice.title, "MIRVO客户端");
      EXPECT_NE(notice.text.find(DescribeRsyncExit(c.announced[i])), std::string::npos)
          << notice.text;
    }
  }
}

TEST(TransferFollower, AFailureNamesDirectionModuleServerStatusAndMeaning) {
  Client client;
  client.RunToEnd(kPush, 5);
  ASSERT_EQ(client.notifier.notices.size(), 1u);
  EXPECT_EQ(client.notifier.notices[0].text,
            "推送失败：模块“备份”，服务端 127.0.0.1\r\n退出状态 5：" + RsyncExitMeaning(5));
  EXPECT_EQ(client.notifier.notices[0].text.find("s3cret"), std::string::npos);
}

// Nothing is told before its end, and each end is told with its own transfer's status.
TEST(TransferFollower, EachTransferIsLoggedAtItsOwnEnd) {
  Client client;
  std::vector<std::shared_ptr<FakeWatch>> watches;
  for (int i = 0; i < 4; ++i) watches.push_back(client.Start(kPull));
  EXPECT_TRUE(client.LogLines().empty());
  const int order[] = {2, 0, 3, 1};
  for (int i : order) watches[i]->End(11 + i);
  Lines lines = client.LogLines();
  ASSERT_EQ(lines.size(), 4u);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    EXPECT_EQ(lines[k] + "\r\n", TransferLogLine(client.platform.timestamp, kPull, 11 + order[k]));
  }
}

TEST(TransferFollower, AbandonedTransfersAreNeitherLoggedNorAnnounced) {
  Client client;
  std::shared_ptr<FakeWatch> watch = client.Start(kPull);
  client.follower.Abandon();
  watch->End(128 + 9);
  EXPECT_TRUE(client.LogLines().empty());
  EXPECT_TRUE(client.notifier.notices.empty());
}

// A message box runs its own loop, in which another transfer's end may be told.
TEST(TransferFollower, AnotherEndToldWhileAFailureIsShownIsLoggedOnceEach) {
  Client client;
  std::shared_ptr<FakeWatch> watch = client.Start(kPull);
  std::shared_ptr<FakeWatch> other = client.Start(kPush);
  client.notifier.whileShowing = [&other] { other->End(0); };
  watch->End(23);
  EXPECT_EQ(client.notifier.notices.size(), 1u);
  Lines lines = client.LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0] + "\r\n", TransferLogLine(client.platform.timestamp, kPull, 23));
  EXPECT_EQ(lines[1] + "\r\n", TransferLogLine(client.platform.timestamp, kPush, 0));
}

TEST(TransferFollower, RotatesTheLogBeforeItWouldPassOneMebibyte) {
  const std::size_t line = TransferLogLine(FakePlatform().timestamp, kPull, 0).size();
  struct Case {
    std::size_t existing;
    bool rotated;
  } cases[] = {
      {0, false},
      {100, false},
      {kTransferLogBound - line, false},  // exactly at the bound
      {kTransferLogBound - line + 1, true},
      {kTransferLogBound + 5000, true},  // grown by an earlier build or by hand
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.existing);
    Client client;
    client.platform.files[kOlderLog].bytes = "older";
    if (c.existing > 0) client.platform.files[kLog].bytes = std::string(c.existing, 'x');
    client.RunToEnd(kPull, 0);
    const std::string& log = client.platform.files[kLog].bytes;
    if (c.rotated) {
      EXPECT_EQ(log.size(), line);
      EXPECT_EQ(client.platform.files[kOlderLog].bytes, std::string(c.existing, 'x'));
    } else {
      EXPECT_EQ(log.size(), c.existing + line);
      EXPECT_EQ(client.platform.files[kOlderLog].bytes, "older");
    }
    EXPECT_TRUE(client.notifier.notices.empty());
  }
}

TEST(TransferFollower, ALogThatCannotBeWrittenIsToldOnceAndStopsNothing) {
  struct Case {
    const char* name;
    std::function<void(FakePlatform&)> breakLog;
    std::size_t linesKept;  // of three transfers
  } cases[] = {
      {"unwritable", [](FakePlatform& p) { p.unwritable.insert(kLog); }, 0},
      {"size unknown", [](FakePlatform& p) { p.unreadable.insert(kLog); }, 3},
      {"cannot rotate",
       [](FakePlatform& p) {
         p.files[kLog].bytes = std::string(kTransferLogBound, 'x');
         p.unwritable.insert(kOlderLog);
       },
       3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Client client;
    c.breakLog(client.platform);
    for (int status : {0, 5, 5}) client.RunToEnd(kPull, status);

    std::vector<Notice>& notices = client.notifier.notices;
    ASSERT_EQ(notices.size(), 2u);  // the log problem once, the failure once
    EXPECT_NE(notices[0].text.find("mirvo-transfers.log"), std::string::npos) << notices[0].text;
    EXPECT_NE(notices[0].text.find("同步不受影响"), std::string::npos);
    EXPECT_NE(notices[1].text.find(DescribeRsyncExit(5)), std::string::npos);
    std::size_t lines = std::count(client.platform.files[kLog].bytes.begin(),
                                   client.platform.files[kLog].bytes.end(), '\n');
    EXPECT_EQ(lines, c.linesKept);

    // Once the log could be written again, a new problem is told again.
    client.platform.unwritable.clear();
    client.platform.unreadable.clear();
    client.RunToEnd(kPull, 0);
    EXPECT_EQ(notices.size(), 2u);
    c.breakLog(client.platform);
    client.RunToEnd(kPull, 0);
    EXPECT_EQ(notices.size(), 3u);
  }
}

}  // namespace
}  // namespace mirvo
