#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "client/transfer_settings.h"
#include "foundation/form.h"
#include "foundation/platform.h"

namespace mirvo {

// The log is rotated before it would grow past this size.
inline constexpr std::uint64_t kTransferLogBound = 1024 * 1024;

// One line of the result log, UTF-8, ending in CR LF because the log is read in Windows editors:
// the time, 推送 or 拉取, the local folder as typed, user@host::module (never the password), the
// exit status and its meaning, separated by tabs. A tab never occurs in a Windows path or a module
// name, and spreadsheet programs open such a file as columns.
std::string TransferLogLine(std::string_view timestamp, const TransferSettings& settings,
                            int status);

// mirvo-transfers.log in the program folder: appended to, never rewritten. When a line would take
// it past kTransferLogBound, it first becomes mirvo-transfers.log.1 (replacing an older one).
class TransferLog {
 public:
  explicit TransferLog(Platform& platform);

  // Every problem is returned; a rotation or size that fails does not keep the line out of the log.
  Status Append(std::string_view line);

 private:
  Platform& platform_;
};

// Opens the result log with the user's program for text files. Before any transfer has ended there
// is no log yet, and a message in the window says so; so does one when it cannot be opened.
void ShowTransferLog(Platform& platform, Form& form);

}  // namespace mirvo
