#include "client/transfer_checks.h"

#include "client/transfer_command.h"
#include "foundation/input_checks.h"
#include "foundation/text_file.h"

namespace mirvo {

Status CheckTransferSettings(const Platform& platform, const TransferSettings& settings) {
  const std::string folder = platform.ProgramFolder();
  struct Field {
    std::string_view label;
    const std::string& text;
    bool used;
  } commandFields[] = {
      {"服务端IP", settings.ServerAddress, true},
      {"端口号", settings.Port, true},
      {"源共享名", settings.Module, true},
      {"本地目录", settings.LocalFolder, true},
      {"用户名", settings.UserName, settings.Authenticate},
      {"程序目录", folder, true},
  };
  std::string_view longest = commandFields[0].label;
  std::size_t longestSize = 0;
  for (const Field& field : commandFields) {
    if (!field.used) continue;
    Status status = CheckCommandText(field.label, field.text);
    if (!status.ok()) return status;
    if (field.text.size() > longestSize) {
      longest = field.label;
      longestSize = field.text.size();
    }
  }
  // The password goes only into the password file, whose first line rsync reads.
  if (settings.Authenticate) {
    Status status = CheckLineText("密码", settings.Password);
    if (!status.ok()) return status;
    status = CheckAnsiField(platform, "密码", settings.Password);
    if (!status.ok()) return status;
  }
  return CheckCommandLength(BuildTransferCommand(settings, folder), longest);
}

}  // namespace mirvo
