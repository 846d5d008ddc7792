#include "client/transfer_log.h"

#include "client/transfer_command.h"
#include "foundation/names.h"
#include "foundation/rsync_exit.h"

namespace mirvo {
namespace {

// A pasted text may carry a tab or a line break; the line must stay one line of six fields.
std::string Field(std::string_view text) {
  std::string field(text);
  for (char& c : field) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return field;
}

}  // namespace

std::string TransferLogLine(std::string_view timestamp, const TransferSettings& settings,
                            int status) {
  std::string line = Field(timestamp);
  line += '\t';
  line += settings.PushToServer ? "推送" : "拉取";
  line += '\t' + Field(settings.LocalFolder);
  line += '\t' + Field(RemoteOperand(settings));
  line += '\t' + std::to_string(status);
  line += '\t' + RsyncExitMeaning(status);
  line += "\r\n";
  return line;
}

TransferLog::TransferLog(Platform& platform) : platform_(platform) {}

Status TransferLog::Append(std::string_view line) {
  const std::string folder = platform_.ProgramFolder();
  const std::string path = folder + std::string(kTransferLogName);
  Status problem;
  Result<std::uint64_t> size = platform_.FileSize(path);
  if (!size.ok()) {
    problem = size.error();
  } else if (size.value() > 0 && size.value() + line.size() > kTransferLogBound) {
    Status rotated = platform_.RenameReplacing(path, folder + std::string(kTransferLogOlderName));
    if (!rotated.ok()) problem = rotated;
  }
  Status appended = platform_.AppendFileBytes(path, line);
  return appended.ok() ? problem : appended;
}

}  // namespace mirvo
