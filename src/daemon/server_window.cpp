#include "daemon/server_window.h"

#include "daemon/daemon_checks.h"
#include "daemon/daemon_command.h"
#include "daemon/daemon_documents.h"
#include "daemon/utf8_rewrite.h"
#include "foundation/control_names.h"
#include "foundation/names.h"

namespace mirvo {
namespace {

namespace server = names::server;

constexpr std::string_view kMessageTitle = "注意：";

// The check runs every 100 ms for the daemon's first 2 seconds: a daemon that ends by then could
// not start (port taken, folder missing, configuration refused).
constexpr std::int32_t kStartCheckInterval = 100;
constexpr int kStartCheckTicks = 20;

void SetInputsEnabled(Form& form, bool enabled) {
  for (std::string_view input : server::kInputs) form.SetEnabled(input, enabled);
}

// rsync's documented meaning of an exit status, for a daemon that ended without a word on its error
// output (a daemon writes most of its errors to its log, not there).
std::string RsyncExitMeaning(int status) {
  switch (status) {
    case 1:
      return "参数或配置有误";
    case 5:
      return "无法建立连接";
    case 10:
      return "网络套接字出错，常见原因是端口已被其他程序占用，或端口号无效";
    case 11:
      return "文件读写出错";
    case 127:
      return "找不到要运行的程序";
    case 128 + 9:
      return "被强行结束";
    default:
      return "";
  }
}

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

DaemonSettings ReadDaemonSettings(const Form& form) {
  DaemonSettings settings;
  settings.SharePath = form.Text(server::kSharePath);
  settings.ShareName = form.Text(server::kShareName);
  settings.Port = form.Text(server::kPort);
  settings.LimitBandwidth = form.Checked(server::kLimitBandwidth);
  settings.BandwidthLimit = form.Text(server::kBandwidthLimit);
  settings.ReadOnly = form.Checked(server::kReadOnly);
  settings.Authenticate = form.Checked(server::kAuthenticate);
  settings.UserName = form.Text(server::kUserName);
  settings.Password = form.Text(server::kPassword);
  return settings;
}

ServerWindow::ServerWindow(Form& form, Platform& platform) : form_(form), platform_(platform) {}

void ServerWindow::OnStartClicked() {
  SetInputsEnabled(form_, false);
  const DaemonSettings settings = ReadDaemonSettings(form_);
  const std::string folder = platform_.ProgramFolder();

  // Refused inputs write nothing and start nothing.
  Status usable = CheckDaemonSettings(settings, folder);
  if (!usable.ok()) return FailStart(usable.error().message);

  Status written = WriteDaemonFiles(platform_, settings);
  if (!written.ok()) return FailStart(written.error().message);

  const std::string config = folder + std::string(kDaemonConfigName);
  // The file is not there after writing it: the start ends quietly, the inputs stay locked.
  if (!platform_.FileExists(config)) return;

  Status rewritten = RewriteAsUtf8(platform_, config);
  if (!rewritten.ok()) return FailStart(rewritten.error().message);

  Result<std::shared_ptr<CommandWatch>> started =
      platform_.RunCommand(BuildDaemonCommand(settings, folder), WindowMode::Hidden);
  if (!started.ok()) return FailStart("无法启动 rsync 服务：" + started.error().message);
  daemon_ = started.value();

  form_.SetEnabled(server::kStart, false);
  form_.SetEnabled(server::kStop, true);

  checkTicks_ = 0;
  form_.SetTimerInterval(server::kStartCheckTimer, kStartCheckInterval);
  form_.SetEnabled(server::kStartCheckTimer, true);
}

void ServerWindow::OnStartCheckTick() {
  if (!daemon_) {
    form_.SetEnabled(server::kStartCheckTimer, false);
    return;
  }
  ++checkTicks_;
  if (daemon_->Ended()) {
    form_.SetEnabled(server::kStartCheckTimer, false);
    const std::string reason = WithoutTrailingBlanks(daemon_->ErrorOutput());
    const std::string status = std::to_string(daemon_->ExitStatus());
    const std::string meaning = RsyncExitMeaning(daemon_->ExitStatus());
    daemon_.reset();
    std::string message = "rsync 服务未能启动（退出状态 " + status + "）：\r\n" + reason;
    if (reason.empty()) {
      message = "rsync 服务启动后立即退出（退出状态 " + status + "）" +
                (meaning.empty() ? "，没有给出原因。" : "：" + meaning + "。");
    }
    form_.ShowMessage(message, kMessageTitle);
    EnterStopped();
    return;
  }
  if (checkTicks_ >= kStartCheckTicks) {
    form_.SetEnabled(server::kStartCheckTimer, false);
    daemon_.reset();
  }
}

void ServerWindow::OnStopClicked() {
  Result<std::shared_ptr<CommandWatch>> kill =
      platform_.RunCommand(std::string(StopDaemonCommand), WindowMode::Hidden);
  if (!kill.ok()) {
    // The daemon may still run: the window stays as it is rather than claim it stopped.
    form_.ShowMessage("无法停止 rsync 服务：" + kill.error().message, kMessageTitle);
    return;
  }
  EnterStopped();
  form_.SetEnabled(server::kStartCheckTimer, false);
  daemon_.reset();
}

void ServerWindow::FailStart(const std::string& message) {
  form_.ShowMessage(message + "\r\n服务没有启动。", kMessageTitle);
  EnterStopped();
}

void ServerWindow::EnterStopped() {
  form_.SetEnabled(server::kStart, true);
  form_.SetEnabled(server::kStop, false);
  SetInputsEnabled(form_, true);
}

}  // namespace mirvo
