#include "client/client_window.h"

#include "client/schedule_interval.h"
#include "client/transfer_checks.h"
#include "client/transfer_command.h"
#include "foundation/control_names.h"

namespace mirvo {
namespace {

namespace client = names::client;

constexpr std::string_view kMessageTitle = "注意：";

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
    : form_(form), platform_(platform), follower_(platform, form, client::kPollTimer, notifier) {}

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
  form_.SetEnabled(client::kScheduleTimer, true);
  form_.SetEnabled(client::kArm, false);
  form_.SetEnabled(client::kCancel, true);
  form_.SetVisible(client::kArm, false);
  form_.SetVisible(client::kCancel, true);
}

void ClientWindow::OnTimerTick() {
  for (std::string_view input : client::kInputs) form_.SetEnabled(input, false);
  form_.SetEnabled(client::kTransferNow, false);
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

void ClientWindow::OnCancelClicked() {
  for (std::string_view input : client::kInputs) form_.SetEnabled(input, true);
  form_.SetEnabled(client::kScheduleTimer, false);
  form_.SetEnabled(client::kArm, true);
  form_.SetEnabled(client::kCancel, false);
  form_.SetVisible(client::kArm, true);
  form_.SetVisible(client::kCancel, false);
  form_.SetEnabled(client::kTransferNow, true);
}

void ClientWindow::OnPollTick() { follower_.OnPollTick(); }

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
