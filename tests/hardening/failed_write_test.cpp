// A write that fails after the file was opened removes a cut-off regular file, and nothing else.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/posix/posix_platform.h"

namespace mirvo {
namespace {

TEST(FailedWrite, ADeviceIsNeverRemoved) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no writable /dev/full here";
  PosixPlatform platform("/tmp");
  Status full = platform.WriteFileBytes("/dev/full", "x", FileAccess::Normal);
  ASSERT_FALSE(full.ok());
  EXPECT_NE(full.error().message.find("磁盘空间不足"), std::string::npos);
  struct stat info;
  ASSERT_EQ(stat("/dev/full", &info), 0) << "/dev/full was removed";
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

}  // namespace
}  // namespace mirvo
