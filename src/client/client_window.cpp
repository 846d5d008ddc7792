#include "client/client_window.h"

#include <iterator>

#include "client/schedule_interval.h"
#include "client/transfer_checks.h"
#include "client/transfer_command.h"
#include "foundation/control_names.h"

namespace mirvo {
namespace {

namespace client = names::client;

constexpr std::string_view kMessageTitle = "注意：";

// What entering a state does to one flag of a control: set it, clear it, or leave it.
enum class Set : char { Keep, On, Off };

struct Entering {
  Set inputs, timer, armEnabled, cancelEnabled, armVisible, cancelVisible, transferNow;
};

// What entering each state sets, in this order (the order of the arming, tick and cancel steps);
// Keep leaves a flag as the state before left it. The table in client_window.h shows what each
// state looks like as a whole. The timer's interval is set by the arming click, before Armed.
using enum Set;
// clang-format off
constexpr Entering kEntering[] = {
    //              inputs timer 定时同步 取消定时 定时同步 取消定时 开始同步
    //                           enabled  enabled  visible  visible
    /* Idle      */ {On,   Off,  On,      Off,     On,      Off,     On},
    /* Armed     */ {Keep, On,   Off,     On,      Off,     On,      Keep},
    /* Repeating */ {Off,  Keep, Keep,    Keep,    Keep,    Keep,    Off},
};
// clang-format on
static_assert(std::size(kEntering) == static_cast<std::size_t>(ScheduleState::Repeating) + 1);

void Enable(Form& form, std::string_view control, Set set) {
  if (set != Keep) form.SetEnabled(control, set == On);
}

void Show(Form& form, std::string_view control, Set set) {
  if (set != Keep) form.SetVisible(control, set == On);
}

}  // namespace

TransferSettings ReadTransferSettings(const Form& form) {
  TransferSettings settings;
  settings.ServerAddress = form.Text(client::kServerAddress);
  settings.Port = form.Text(client::kPort);
  settings.Module = form.Text(client::kModule);
  settings.LocalFolder = form.Text(client::kLocalFolder);
  settings.PushToServer = form.Checked(client::kPushToServer);
  settings.DeleteExtraneous = form.Checked(client::kDeleteExtraneous);
  settings.Compress = form.Checked(client::kCompress);
  settings.KeepConsole = form.Checked(client::kKeepConsole);
  settings.Authenticate = form.Checked(client::kAuthenticate);
  settings.UserName = form.Text(client::kUserName);
  settings.Password = form.Text(client::kPassword);
  settings.IntervalMinutes = form.Text(client::kIntervalMinutes);
  return settings;
}

ClientWindow::ClientWindow(Form& form, Platform& platform, TransferNotifier& notifier)
    : form_(form), platform_(platform), follower_(platform, notifier) {}

void ClientWindow::Enter(ScheduleState state) {
  state_ = state;
  const Entering& entering = kEntering[static_cast<int>(state)];
  if (entering.inputs != Keep) {
    for (std::string_view input : client::kInputs) Enable(form_, input, entering.inputs);
  }
  Enable(form_, client::kScheduleTimer, entering.timer);
  Enable(form_, client::kArm, entering.armEnabled);
  Enable(form_, client::kCancel, entering.cancelEnabled);
  Show(form_, client::kArm, entering.armVisible);
  Show(form_, client::kCancel, entering.cancelVisible);
  Enable(form_, client::kTransferNow, entering.transferNow);
}

void ClientWindow::OnTransferNowClicked() {
  Status started = StartTransfer(ReadTransferSettings(form_));
  if (!started.ok()) ShowMessageOnce(started.error().message + "\r\n同步没有开始。");
}

void ClientWindow::OnArmClicked() {
  Result<std::int32_t> interval = ParseIntervalMinutes(form_.Text(client::kIntervalMinutes));
  if (!interval.ok()) {
    form_.ShowMessage(interval.error().message + "\r\n定时同步没有启动。", kMessageTitle);
    return;
  }
  // Inputs every tick would refuse are named now, before the schedule runs.
  Status usable = CheckTransferSettings(platform_, ReadTransferSettings(form_));
  if (!usable.ok()) {
    form_.ShowMessage(usable.error().message + "\r\n定时同步没有启动。", kMessageTitle);
    return;
  }
  form_.SetTimerInterval(client::kScheduleTimer, interval.value());
  Enter(ScheduleState::Armed);
}

void ClientWindow::OnScheduleTick() {
  // The inputs are locked before they are read: every later tick starts the same transfer.
  Enter(ScheduleState::Repeating);
  const TransferSettings settings = ReadTransferSettings(form_);
  Status usable = CheckTransferSettings(platform_, settings);
  if (!usable.ok()) {
    // The inputs are locked from now on, so every later tick would be refused the same way.
    OnCancelClicked();
    ShowMessageOnce(usable.error().message + "\r\n定时同步已取消。");
    return;
  }
  Status started = StartTransfer(settings);
  if (!started.ok()) {
    // What kept this transfer from starting (its password file cannot be written, rsync cannot
    // be started) would keep every later one from starting too.
    OnCancelClicked();
    ShowMessageOnce(started.error().message + "\r\n定时同步已取消。");
  }
}

void ClientWindow::OnCancelClicked() { Enter(ScheduleState::Idle); }

void ClientWindow::OnClosing() { follower_.Abandon(); }

Status ClientWindow::StartTransfer(const TransferSettings& settings) {
  // A transfer that starts and then fails leaves the schedule armed: the next tick may succeed.
  Result<std::shared_ptr<CommandWatch>> started = RunTransfer(platform_, settings);
  if (started.ok()) follower_.Follow(started.value(), settings);
  return started.status();
}

void ClientWindow::ShowMessageOnce(const std::string& text) {
  // The schedule's timer keeps ticking while the box is open; those ticks are not stacked on it.
  if (showingMessage_) return;
  showingMessage_ = true;
  form_.ShowMessage(text, kMessageTitle);
  showingMessage_ = false;
}

}  // namespace mirvo
