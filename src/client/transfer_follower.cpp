#include "client/transfer_follower.h"

#include <algorithm>
#include <iterator>

#include "client/transfer_command.h"
#include "foundation/rsync_exit.h"

namespace mirvo {
namespace {

std::string_view Direction(const TransferSettings& settings) {
  return settings.PushToServer ? "推送" : "拉取";
}

// The same module on the same server and port, in the same direction.
std::string Route(const TransferSettings& settings) {
  return std::string(Direction(settings)) + "|" + RemoteOperand(settings) + "|" + settings.Port;
}

std::string FailureText(const TransferSettings& settings, int status) {
  return std::string(Direction(settings)) + "失败：模块“" + settings.Module + "”，服务端 " +
         settings.ServerAddress + "\r\n" + DescribeRsyncExit(status);
}

}  // namespace

TransferFollower::TransferFollower(Platform& platform, Form& form, std::string_view pollTimer,
                                   TransferNotifier& notifier)
    : platform_(platform),
      form_(form),
      pollTimer_(pollTimer),
      notifier_(notifier),
      log_(platform) {}

void TransferFollower::Follow(std::shared_ptr<CommandWatch> watch,
                              const TransferSettings& settings) {
  if (watch == nullptr) return;
  running_.push_back({std::move(watch), settings});
  UpdateTimer();
}

void TransferFollower::OnPollTick() {
  // The ended transfers leave the list before anything is told: a message box runs its own loop,
  // in which this timer ticks again.
  std::vector<Followed> ended;
  auto stillRunning = std::stable_partition(running_.begin(), running_.end(),
                                            [](const Followed& f) { return !f.watch->Ended(); });
  std::move(stillRunning, running_.end(), std::back_inserter(ended));
  running_.erase(stillRunning, running_.end());
  UpdateTimer();
  for (const Followed& f : ended) Report(f.settings, f.watch->ExitStatus());
}

void TransferFollower::Abandon() {
  running_.clear();
  UpdateTimer();
}

void TransferFollower::Report(const TransferSettings& settings, int status) {
  Status logged = log_.Append(TransferLogLine(platform_.LocalTimestamp(), settings, status));

  const std::string route = Route(settings);
  if (status == 0) {
    announced_.erase(route);
  } else if (!ClosedWithItsWindow(status)) {
    // A window the user closed showed what rsync printed: that end is only logged.
    auto last = announced_.find(route);
    if (last == announced_.end() || last->second != status) {
      announced_[route] = status;
      notifier_.AnnounceFailure(kTransferNoticeTitle, FailureText(settings, status));
    }
  }

  // Told once; a log that can be written again and fails later is told again.
  if (logged.ok()) {
    logProblemTold_ = false;
  } else if (!logProblemTold_) {
    logProblemTold_ = true;
    notifier_.AnnounceFailure(kTransferNoticeTitle, logged.error().message + "\r\n同步不受影响。");
  }
}

void TransferFollower::UpdateTimer() {
  const bool wanted = !running_.empty();
  if (wanted == timerRunning_) return;
  timerRunning_ = wanted;
  if (wanted) form_.SetTimerInterval(pollTimer_, kTransferPollInterval);
  form_.SetEnabled(pollTimer_, wanted);
}

}  // namespace mirvo
