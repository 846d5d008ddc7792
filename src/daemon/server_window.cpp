#include "daemon/server_window.h"

#include <iterator>

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
// not start (port taken, folder missing, configuration refused). A later end is told by the
// platform as an event, so that a running daemon costs no timer.
constexpr std::int32_t kStartCheckInterval = 100;
constexpr int kStartCheckTicks = 20;
// After 停止服务 the window looks every 100 ms, for at most 5 seconds, whether the daemon is gone:
// until then a new start could meet the old daemon on its port, or be ended by the pending kill.
constexpr std::int32_t kStopCheckInterval = 100;
constexpr int kStopCheckTicks = 50;

// What entering a state does to one control: enable it, disable it, or leave it as it is.
enum class Set : char { Keep, On, Off };

struct Entering {
  Set start, stop, inputs, startCheck, stopCheck;
};

// What entering each state sets, in this order of controls (the order of the start and stop
// steps); Keep leaves a control as the state before left it. The table in server_window.h shows
// what each state looks like as a whole.
using enum Set;
// clang-format off
constexpr Entering kEntering[] = {
    //                 启动服务 停止服务 inputs 启动检查 停止检查
    /* Stopped      */ {On,     Off,     On,    Keep,    Keep},
    /* StartAborted */ {Keep,   Keep,    Off,   Keep,    Keep},
    /* Starting     */ {Off,    On,      Keep,  On,      Keep},
    /* Running      */ {Keep,   On,      Keep,  Off,     Keep},
    /* Stopping     */ {Keep,   Off,     Keep,  Off,     On},
};
// clang-format on
static_assert(std::size(kEntering) == static_cast<std::size_t>(ServerState::Stopping) + 1);
// Running enables 停止服务 again for the window that comes back from a stop that timed out.

void Apply(Form& form, std::string_view control, Set set) {
  if (set != Keep) form.SetEnabled(control, set == On);
}

// A check starts counting afresh whenever it is switched on.
void ApplyCheck(Form& form, std::string_view timer, Set set, std::int32_t interval) {
  if (set == On) form.SetTimerInterval(timer, interval);
  Apply(form, timer, set);
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

ServerWindow::~ServerWindow() {
  // The daemon may outlive the window: its end then has nobody to tell.
  if (daemon_) daemon_->OnEnded([] {});
}

void ServerWindow::Enter(ServerState state) {
  state_ = state;
  const Entering& entering = kEntering[static_cast<int>(state)];
  Apply(form_, server::kStart, entering.start);
  Apply(form_, server::kStop, entering.stop);
  if (entering.inputs != Keep) {
    for (std::string_view input : server::kInputs) Apply(form_, input, entering.inputs);
  }
  ApplyCheck(form_, server::kStartCheckTimer, entering.startCheck, kStartCheckInterval);
  ApplyCheck(form_, server::kStopCheckTimer, entering.stopCheck, kStopCheckInterval);
}

void ServerWindow::OnStartClicked() {
  // The inputs are locked first and read afterwards; a start that gets no further than writing
  // the files leaves them locked (StartAborted), one that is refused unlocks them again.
  Enter(ServerState::StartAborted);
  const DaemonSettings settings = ReadDaemonSettings(form_);
  const std::string folder = platform_.ProgramFolder();

  // Refused inputs write nothing and start nothing.
  Status usable = CheckDaemonSettings(settings, folder);
  if (!usable.ok()) return FailStart(usable.error().message);

  Status written = WriteDaemonFiles(platform_, settings);
  if (!written.ok()) return FailStart(written.error().message);

  const std::string config = folder + std::string(kDaemonConfigName);
  // Written without an error and yet not found (removed at once by another program, or hidden):
  // the window stays StartAborted without a message, inputs locked, and 启动服务 writes it again.
  if (!platform_.FileExists(config)) return;

  Status rewritten = RewriteAsUtf8(platform_, config);
  if (!rewritten.ok()) return FailStart(rewritten.error().message);

  Result<std::shared_ptr<CommandWatch>> started =
      platform_.RunCommand(BuildDaemonCommand(settings, folder), WindowMode::Hidden);
  if (!started.ok()) return FailStart("无法启动 rsync 服务：" + started.error().message);
  daemon_ = started.value();
  port_ = PortNumber(settings.Port);
  // An end told late, after this daemon was stopped and another started, is not this one's.
  daemon_->OnEnded([this, watch = std::weak_ptr<CommandWatch>(daemon_)] {
    if (daemon_ != nullptr && watch.lock() == daemon_) OnDaemonEnded();
  });

  checkTicks_ = 0;
  Enter(ServerState::Starting);
}

void ServerWindow::OnStartCheckTick() {
  if (state_ != ServerState::Starting || !daemon_) {
    form_.SetEnabled(server::kStartCheckTimer, false);
    return;
  }
  ++checkTicks_;
  if (daemon_->Ended()) return ReportEnd(true);
  if (checkTicks_ == kStartCheckTicks) {
    // The daemon has started: what it writes from now on is not kept.
    daemon_->StopCapturing();
    Enter(ServerState::Running);
  }
}

void ServerWindow::OnDaemonEnded() {
  // While the window stops the daemon, its end is one of the things the stop check waits for.
  if (state_ == ServerState::Starting || state_ == ServerState::Running) {
    ReportEnd(state_ == ServerState::Starting);
  }
}

void ServerWindow::ReportEnd(bool duringStartCheck) {
  if (state_ == ServerState::Starting) form_.SetEnabled(server::kStartCheckTimer, false);
  const DaemonEnd end{daemon_->ExitStatus(), daemon_->ErrorOutput(), port_,
                      platform_.FirstBindablePort(), duringStartCheck};
  daemon_.reset();
  form_.ShowMessage(DescribeDaemonEnd(end), kMessageTitle);
  Enter(ServerState::Stopped);
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
  stopTicks_ = 0;
  Enter(ServerState::Stopping);
}

bool ServerWindow::DaemonGone() const {
  if (kill_ && !kill_->Ended()) return false;
  if (platform_.ImageRunning(std::string(kRsyncImageName))) return false;
  return port_ == 0 || !platform_.PortAccepts(port_);
}

void ServerWindow::OnStopCheckTick() {
  if (state_ != ServerState::Stopping || !kill_) {
    form_.SetEnabled(server::kStopCheckTimer, false);
    return;
  }
  ++stopTicks_;
  if (DaemonGone()) {
    form_.SetEnabled(server::kStopCheckTimer, false);
    kill_.reset();
    daemon_.reset();
    Enter(ServerState::Stopped);
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
  // Back to Running: a daemon still watched tells its end as before.
  Enter(ServerState::Running);
}

void ServerWindow::FailStart(const std::string& message) {
  form_.ShowMessage(message + "\r\n服务没有启动。", kMessageTitle);
  Enter(ServerState::Stopped);
}

}  // namespace mirvo
