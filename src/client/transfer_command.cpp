#include "client/transfer_command.h"

#include "client/transfer_checks.h"

#include "foundation/command_line.h"
#include "foundation/cygwin_path.h"
#include "foundation/names.h"
#include "foundation/text_file.h"

namespace mirvo {

std::string LocalOperand(const TransferSettings& settings) {
  return CygdrivePath(settings.LocalFolder);
}

std::string RemoteOperand(const TransferSettings& settings) {
  const std::string& user = settings.Authenticate ? settings.UserName : settings.Module;
  return user + "@" + settings.ServerAddress + "::" + settings.Module;
}

std::string BuildTransferCommand(const TransferSettings& settings, const std::string& folder) {
  std::string rest = QuoteArgument(folder + std::string(kRsyncProgramName));
  rest += " -av";
  if (settings.Compress) rest += "z";
  rest += " --progress  --partial ";
  rest += QuoteArgument("--port=" + settings.Port);
  rest += " ";
  if (settings.DeleteExtraneous) rest += " --delete ";
  rest += " ";
  if (settings.Authenticate) {
    rest +=
        " " + QuoteArgument("--password-file=" + CygdrivePath(folder) + "/rsync.secrets") + "  ";
  }
  rest += " ";
  const std::string local = QuoteArgument(LocalOperand(settings));
  const std::string remote = QuoteArgument(RemoteOperand(settings));
  rest += settings.PushToServer ? local + " " + remote : remote + " " + local;
  return InterpreterLine(settings.KeepConsole ? "/k" : "/c", rest);
}

Result<std::shared_ptr<CommandWatch>> RunTransfer(Platform& platform,
                                                  const TransferSettings& settings) {
  const std::string folder = platform.ProgramFolder();
  Status usable = CheckTransferSettings(platform, settings);
  if (!usable.ok()) return usable.error();
  if (settings.Authenticate) {
    Status fits = CheckAnsiField(platform, "密码", settings.Password);
    if (!fits.ok()) return fits.error();
    // rsync refuses a password file that others can read.
    Status written = WriteTextFile(platform, folder + std::string(kClientSecretsName),
                                   settings.Password, FileAccess::Private);
    if (!written.ok()) return written.error();
  }
  return platform.RunCommand(BuildTransferCommand(settings, folder), WindowMode::NormalFocus);
}

}  // namespace mirvo
