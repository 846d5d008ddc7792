#include "daemon/daemon_documents.h"

#include "foundation/cygwin_path.h"
#include "foundation/input_checks.h"
#include "foundation/names.h"
#include "foundation/text_file.h"

namespace mirvo {
namespace {

constexpr std::string_view kGlobalLines =
    "uid = 0\r\n"
    "gid = 0\r\n"
    "use chroot = false\r\n"
    "strict modes = true\r\n"
    "fake super = yes\r\n"
    "dont compress = *.gz *.tgz *.zip *.rpm *.deb *.iso *.bz2 *.tbz *.7z *.rar *.arj *.jar *.cab "
    "*.avi *.mp4 *.rmvb *.rm *.mp3 *.ape *.flv *.wma *.wmv\r\n"
    "hosts allow = *\r\n";

// Every text that reaches a file must survive the ANSI code page: a character it lacks would
// otherwise be written as "?" and the daemon would serve or admit something else.
Status CheckFieldsFitCodePage(const Platform& platform, const DaemonSettings& settings) {
  const InputField fields[] = {
      {"共享目录", settings.SharePath},
      {"共享名", settings.ShareName},
      {"用户名", settings.UserName, settings.Authenticate},
      {"密码", settings.Password, settings.Authenticate},
  };
  for (const InputField& field : fields) {
    if (!field.used) continue;
    Status status = CheckAnsiField(platform, field.label, field.text);
    if (!status.ok()) return status;
  }
  if (settings.Authenticate) return CheckAnsiField(platform, "程序目录", platform.ProgramFolder());
  return Status::Ok();
}

// The daemon compares the user name of rsyncd.conf, which it reads as UTF-8, with the one in
// rsyncd.secrets byte for byte; so the name, which begins the line, stays UTF-8, and only what
// follows it (":" and the password) goes into the ANSI code page. An ASCII name gives the same
// bytes either way.
Result<std::string> SecretsFileBytes(const Platform& platform, const DaemonSettings& settings) {
  std::string bytes = BuildSecretsText(settings);
  if (!bytes.empty()) {
    const std::size_t nameLength = settings.UserName.size();
    Result<std::string> rest = platform.Utf8ToAnsi(std::string_view(bytes).substr(nameLength));
    if (!rest.ok()) return rest.error();
    bytes.replace(nameLength, std::string::npos, rest.value());
  }
  bytes.append("\r\n");
  return bytes;
}

}  // namespace

std::string BuildDaemonConfig(const DaemonSettings& settings, const std::string& folder) {
  std::string text(kGlobalLines);
  text += "[" + settings.ShareName + "]\r\n";
  text += "path = " + CygdrivePath(settings.SharePath) + "\r\n";
  text += settings.ReadOnly ? "read only = true\r\n" : "read only = false\r\n";
  text += "transfer logging = no\r\n";
  if (settings.Authenticate) {
    text += "auth users = " + settings.UserName + "\r\n";
    text += "secrets file = " + CygdrivePath(folder) + "/rsyncd.secrets\r\n";
  }
  return text;
}

std::string BuildSecretsText(const DaemonSettings& settings) {
  if (!settings.Authenticate) return "";
  return settings.UserName + ":" + settings.Password;
}

Status WriteDaemonFiles(Platform& platform, const DaemonSettings& settings) {
  Status fits = CheckFieldsFitCodePage(platform, settings);
  if (!fits.ok()) return fits;
  const std::string folder = platform.ProgramFolder();
  Status config = WriteTextFile(platform, folder + std::string(kDaemonConfigName),
                                BuildDaemonConfig(settings, folder));
  if (!config.ok()) return config;
  Result<std::string> secrets = SecretsFileBytes(platform, settings);
  if (!secrets.ok()) return secrets.error();
  return platform.WriteFileBytes(folder + std::string(kDaemonSecretsName), secrets.value(),
                                 FileAccess::Private);
}

}  // namespace mirvo
