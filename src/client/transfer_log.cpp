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

void ShowTransferLog(Platform& platform, Form& form) {
  constexpr std::string_view kTitle = "注意：";
  const std::string path = platform.ProgramFolder() + std::string(kTransferLogName);
  if (!platform.FileExists(path)) {
    form.ShowMessage("还没有一次同步结束，同步记录 mirvo-transfers.log 尚未生成。", kTitle);
    return;
  }
  Status opened = platform.OpenFile(path);
  if (!opened.ok()) {
    form.ShowMessage("无法打开同步记录 mirvo-transfers.log：" + opened.error().message, kTitle);
  }
}

}  // namespace mirvo
