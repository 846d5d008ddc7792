#include "daemon/server_window.h"

#include "daemon/daemon_checks.h"
#include "daemon/daemon_command.h"
#include "daemon/daemon_documents.h"
#include "daemon/daemon_failure.h"
#include "daemon/utf8_rewrite.h"
#include "foundation/control_names.h"
#include "foundation/names.h"

namespace mirvo {
namespace {

namespace server = names::server;

constexpr std::string_view kMessageTitle = "注意：";

// The check runs every 100 ms for the daemon's first 2 seconds: a daemon that ends by then could
// not start (port taken, folder missing, configuration refused). Afterwards a slow look once a
// second notices a daemon that ends later at no cost worth measuring.
constexpr std::int32_t kStartCheckInterval = 100;
constexpr int kStartCheckTicks = 20;
constexpr std::int32_t kLifeCheckInterval = 1000;
// After 停止服务 the window looks every 100 ms, for at most 5 seconds, whether the daemon is gone:
// until then a new start could meet the old daemon on its port, or be ended by the pending kill.
constexpr std::int32_t kStopCheckInterval = 100;
constexpr int kStopCheckTicks = 50;

void SetInputsEnabled(Form& form, bool enabled) {
  for (std::string_view input : server::kInputs) form.SetEnabled(input, enabled);
}

int PortNumber(const std::string& text) {
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || port > 65535) return 0;
    port = port * 10 + (c - '0');
  }
  return port;
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
  port_ = PortNumber(settings.Port);

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
  const bool duringStartCheck = checkTicks_ < kStartCheckTicks;
  if (duringStartCheck) ++checkTicks_;
  if (daemon_->Ended()) return ReportEnd(duringStartCheck);
  if (checkTicks_ == kStartCheckTicks && duringStartCheck) {
    // The daemon has started: what it writes from now on is not kept, and the watch slows down.
    daemon_->StopCapturing();
    form_.SetTimerInterval(server::kStartCheckTimer, kLifeCheckInterval);
  }
}

void ServerWindow::ReportEnd(bool duringStartCheck) {
  form_.SetEnabled(server::kStartCheckTimer, false);
  const DaemonEnd end{daemon_->ExitStatus(), daemon_->ErrorOutput(), port_,
                      platform_.FirstBindablePort(), duringStartCheck};
  daemon_.reset();
  form_.ShowMessage(DescribeDaemonEnd(end), kMessageTitle);
  EnterStopped();
}

void ServerWindow::OnStopClicked() {
  Result<std::shared_ptr<CommandWatch>> kill =
      platform_.RunCommand(std::string(StopDaemonCommand), WindowMode::Hidden);
  if (!kill.ok()) {
    // The daemon may still run: the window stays as it is rather than claim it stopped.
    form_.ShowMessage("无法停止 rsync 服务：" + kill.error().message, kMessageTitle);
    return;
  }
  kill_ = kill.value();
  // Neither button until the daemon is gone: a second click cannot start or stop anything.
  form_.SetEnabled(server::kStop, false);
  form_.SetEnabled(server::kStartCheckTimer, false);
  stopTicks_ = 0;
  form_.SetTimerInterval(server::kStopCheckTimer, kStopCheckInterval);
  form_.SetEnabled(server::kStopCheckTimer, true);
}

bool ServerWindow::DaemonGone() const {
  if (kill_ && !kill_->Ended()) return false;
  if (platform_.ImageRunning(std::string(kRsyncImageName))) return false;
  return port_ == 0 || !platform_.PortAccepts(port_);
}

void ServerWindow::OnStopCheckTick() {
  if (!kill_) {
    form_.SetEnabled(server::kStopCheckTimer, false);
    return;
  }
  ++stopTicks_;
  if (DaemonGone()) {
    form_.SetEnabled(server::kStopCheckTimer, false);
    kill_.reset();
    daemon_.reset();
    EnterStopped();
    return;
  }
  if (stopTicks_ < kStopCheckTicks) return;
  form_.SetEnabled(server::kStopCheckTimer, false);
  std::string left = "端口 " + std::to_string(port_) + " 仍在监听";
  if (platform_.ImageRunning(std::string(kRsyncImageName))) left = "仍有 rsync.exe 在运行";
  if (!kill_->Ended()) left = "结束 rsync 的命令（taskkill）没有完成";
  kill_.reset();
  form_.ShowMessage(
      "rsync 服务在 5 秒内没有结束：" + left + "。\r\n服务仍在运行，可以再次点击“停止服务”。",
      kMessageTitle);
  form_.SetEnabled(server::kStop, true);
  if (daemon_ && !daemon_->Ended()) {
    checkTicks_ = kStartCheckTicks;  // its start is long past
    form_.SetTimerInterval(server::kStartCheckTimer, kLifeCheckInterval);
    form_.SetEnabled(server::kStartCheckTimer, true);
  }
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
