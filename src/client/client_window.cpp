#include "client/client_window.h"

#include <array>

#include "client/schedule_interval.h"
#include "client/transfer_checks.h"
#include "client/transfer_command.h"

namespace mirvo {
namespace {

constexpr std::string_view kTransferNowButton = "开始同步";
constexpr std::string_view kArmButton = "定时同步";
constexpr std::string_view kCancelButton = "取消定时";
constexpr std::string_view kIntervalBox = "定时同步值";
constexpr std::string_view kMessageTitle = "注意：";

// The inputs in the order a tick disables them and the cancel steps enable them.
constexpr std::array<std::string_view, 12> kScheduleInputs = {
    "服务端IP",     "端口号",      "源共享名", "目的目录", "推送到服务端", "删除多余文件",
    "启用压缩传输", "保留CMD显示", "用户认证", "用户名",   "密码",         "定时同步值"};

}  // namespace

TransferSettings ReadTransferSettings(const Form& form) {
  TransferSettings settings;
  settings.ServerAddress = form.Text("服务端IP");
  settings.Port = form.Text("端口号");
  settings.Module = form.Text("源共享名");
  settings.LocalFolder = form.Text("目的目录");
  settings.PushToServer = form.Checked("推送到服务端");
  settings.DeleteExtraneous = form.Checked("删除多余文件");
  settings.Compress = form.Checked("启用压缩传输");
  settings.KeepConsole = form.Checked("保留CMD显示");
  settings.Authenticate = form.Checked("用户认证");
  settings.UserName = form.Text("用户名");
  settings.Password = form.Text("密码");
  settings.IntervalMinutes = form.Text("定时同步值");
  return settings;
}

ClientWindow::ClientWindow(Form& form, Platform& platform) : form_(form), platform_(platform) {}

void ClientWindow::OnTransferNowClicked() { StartTransfer(ReadTransferSettings(form_)); }

void ClientWindow::OnArmClicked() {
  Result<std::int32_t> interval = ParseIntervalMinutes(form_.Text(kIntervalBox));
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
  form_.SetTimerInterval(kScheduleTimer, interval.value());
  form_.SetEnabled(kScheduleTimer, true);
  form_.SetEnabled(kArmButton, false);
  form_.SetEnabled(kCancelButton, true);
  form_.SetVisible(kArmButton, false);
  form_.SetVisible(kCancelButton, true);
}

void ClientWindow::OnTimerTick() {
  for (std::string_view input : kScheduleInputs) form_.SetEnabled(input, false);
  form_.SetEnabled(kTransferNowButton, false);
  const TransferSettings settings = ReadTransferSettings(form_);
  Status usable = CheckTransferSettings(platform_, settings);
  if (!usable.ok()) {
    // The inputs are locked from now on, so every later tick would be refused the same way.
    OnCancelClicked();
    ShowMessageOnce(usable.error().message + "\r\n定时同步已取消。");
    return;
  }
  StartTransfer(settings);
}

void ClientWindow::OnCancelClicked() {
  for (std::string_view input : kScheduleInputs) form_.SetEnabled(input, true);
  form_.SetEnabled(kScheduleTimer, false);
  form_.SetEnabled(kArmButton, true);
  form_.SetEnabled(kCancelButton, false);
  form_.SetVisible(kArmButton, true);
  form_.SetVisible(kCancelButton, false);
  form_.SetEnabled(kTransferNowButton, true);
}

void ClientWindow::StartTransfer(const TransferSettings& settings) {
  Status started = RunTransfer(platform_, settings).status();
  if (!started.ok()) ShowMessageOnce(started.error().message + "\r\n同步没有开始。");
}

void ClientWindow::ShowMessageOnce(const std::string& text) {
  // The schedule's timer keeps ticking while the box is open; those ticks are not stacked on it.
  if (showingMessage_) return;
  showingMessage_ = true;
  form_.ShowMessage(text, kMessageTitle);
  showingMessage_ = false;
}

}  // namespace mirvo
