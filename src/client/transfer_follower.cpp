#include "client/transfer_follower.h"

#include <algorithm>

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

TransferFollower::TransferFollower(Platform& platform, TransferNotifier& notifier)
    : platform_(platform), notifier_(notifier), log_(platform) {}

TransferFollower::~TransferFollower() { Abandon(); }

void TransferFollower::Follow(std::shared_ptr<CommandWatch> watch,
                              const TransferSettings& settings) {
  if (watch == nullptr) return;
  const std::uint64_t id = nextId_++;
  watch->OnEnded([this, id] { OnEnded(id); });
  running_.push_back({id, std::move(watch), settings});
}

void TransferFollower::OnEnded(std::uint64_t id) {
  auto it = std::find_if(running_.begin(), running_.end(),
                         [id](const Followed& f) { return f.id == id; });
  if (it == running_.end()) return;  // abandoned, or told already
  // The transfer leaves the list before anything is told, so that it is told once.
  const Followed ended = std::move(*it);
  running_.erase(it);
  Report(ended.settings, ended.watch->ExitStatus());
}

void TransferFollower::Abandon() {
  // A transfer that outlives its follower has nobody to tell.
  for (Followed& f : running_) f.watch->OnEnded([] {});
  running_.clear();
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

}  // namespace mirvo
