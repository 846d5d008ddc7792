#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace mirvo {

// A control name that a window does not have is a wiring mistake, never a user's: both window
// adapters report it here, the same way, and carry on as if the call did nothing.
//
// By default the report is a warning line on standard error ("MIRVO: 服务端: no control named
// 共享目录 (SetEnabled)"). Tests replace the reporter to catch a misspelt name.
void ReportUnknownControl(std::string_view window, std::string_view control, std::string_view call);

using UnknownControlReporter = std::function<void(const std::string& report)>;
// Installs a reporter (an empty one restores the warning on standard error); returns the old one.
UnknownControlReporter SetUnknownControlReporter(UnknownControlReporter reporter);

}  // namespace mirvo
