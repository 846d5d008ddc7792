#include "client/transfer_checks.h"

#include "client/transfer_command.h"
#include "foundation/input_checks.h"
#include "foundation/text_file.h"

namespace mirvo {

Status CheckTransferSettings(const Platform& platform, const TransferSettings& settings) {
  const std::string folder = platform.ProgramFolder();
  const InputField commandFields[] = {
      {"服务端IP", settings.ServerAddress},
      {"端口号", settings.Port},
      {"源共享名", settings.Module},
      {"本地目录", settings.LocalFolder},
      {"用户名", settings.UserName, settings.Authenticate},
      {"程序目录", folder},
  };
  Status command = CheckCommandInputs(commandFields, BuildTransferCommand(settings, folder));
  if (!command.ok()) return command;
  // The password goes only into the password file, whose first line rsync reads.
  if (settings.Authenticate) {
    Status status = CheckLineText("密码", settings.Password);
    if (!status.ok()) return status;
    status = CheckAnsiField(platform, "密码", settings.Password);
    if (!status.ok()) return status;
  }
  return Status::Ok();
}

}  // namespace mirvo
