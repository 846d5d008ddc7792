#pragma once

#include <string>

namespace mirvo {

// What rsync's exit status means, in the words the user reads: rsync's documented exit values,
// 127 (the program could not be found) and 137 (ended by force); any other status reads
// "退出状态 N".
std::string RsyncExitMeaning(int status);

// "退出状态 5：<meaning>", or only "退出状态 N" when the status has no documented meaning.
std::string DescribeRsyncExit(int status);

}  // namespace mirvo
