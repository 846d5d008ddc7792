#include "daemon/daemon_checks.h"

#include "daemon/daemon_command.h"
#include "foundation/input_checks.h"

namespace mirvo {
namespace {

constexpr std::string_view kFolderField = "程序目录";

Status CheckFileFields(const DaemonSettings& settings) {
  const InputField fields[] = {
      {"共享目录", settings.SharePath},
      {"共享名", settings.ShareName},
      {"用户名", settings.UserName, settings.Authenticate},
      {"密码", settings.Password, settings.Authenticate},
  };
  for (const InputField& field : fields) {
    if (!field.used) continue;
    Status status = CheckLineText(field.label, field.text);
    if (!status.ok()) return status;
  }
  // rsync ends the module's name at the first "]" of its section line: it would serve another name.
  if (settings.ShareName.find(']') != std::string::npos) {
    return Error{"“共享名”中不能有“]”：rsync 会在那里结束模块名，提供的将是另一个名字的共享。"};
  }
  // A line ending in "\" is continued by the next one: the secrets-file line would become part of
  // the user list, and the daemon would admit nobody.
  if (settings.Authenticate && !settings.UserName.empty() && settings.UserName.back() == '\\') {
    return Error{"“用户名”不能以“\\”结尾：rsync 会把配置文件的下一行接到这一行后面。"};
  }
  return Status::Ok();
}

Status CheckCommandFields(const DaemonSettings& settings, const std::string& folder) {
  const InputField fields[] = {
      {"端口号", settings.Port},
      {"限速值", settings.BandwidthLimit, settings.LimitBandwidth},
      {kFolderField, folder},
  };
  return CheckCommandInputs(fields, BuildDaemonCommand(settings, folder));
}

}  // namespace

Status CheckDaemonSettings(const DaemonSettings& settings, const std::string& folder) {
  Status files = CheckFileFields(settings);
  if (!files.ok()) return files;
  return CheckCommandFields(settings, folder);
}

}  // namespace mirvo
