#pragma once

#include <string>

namespace mirvo {

// What rsync's exit status means, in the words the user reads: rsync's documented exit values,
// 127 (the program could not be found) and 137 (ended by force); any other status reads
// "退出状态 N".
std::string RsyncExitMeaning(int status);

// The status of a command whose window the user closed: cmd.exe ends with STATUS_CONTROL_C_EXIT,
// and on POSIX the terminal's shell ends by SIGHUP before it can tell rsync's status.
inline constexpr int kClosedConsoleStatus = static_cast<int>(0xC000013Au);
inline constexpr int kHungUpStatus = 128 + 1;
bool ClosedWithItsWindow(int status);

// "退出状态 5：<meaning>", or only "退出状态 N" when the status has no documented meaning.
std::string DescribeRsyncExit(int status);

}  // namespace mirvo
