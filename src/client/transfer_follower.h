#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "client/transfer_log.h"
#include "client/transfer_settings.h"
#include "foundation/platform.h"

namespace mirvo {

// Notices are titled with the client window's caption.
inline constexpr std::string_view kTransferNoticeTitle = "MIRVO客户端";

// Where a failed transfer is told: a balloon from the tray icon, or the window's message box when
// there is no tray and the window is showing.
class TransferNotifier {
 public:
  virtual ~TransferNotifier() = default;
  virtual void AnnounceFailure(std::string_view title, std::string_view text) = 0;
};

// Follows every transfer the client window started until it ends: each end is one line of the
// result log, and a failure is announced, once for the same failure repeated on the same route
// until a transfer on that route succeeds again. Each end arrives as an event from the platform,
// so that nothing ticks while a transfer runs or the program waits in the tray.
class TransferFollower {
 public:
  TransferFollower(Platform& platform, TransferNotifier& notifier);
  ~TransferFollower();
  TransferFollower(const TransferFollower&) = delete;
  TransferFollower& operator=(const TransferFollower&) = delete;

  void Follow(std::shared_ptr<CommandWatch> watch, const TransferSettings& settings);
  // Forgets every transfer without a word: the window is closing and ends them itself.
  void Abandon();

 private:
  struct Followed {
    std::uint64_t id;
    std::shared_ptr<CommandWatch> watch;
    TransferSettings settings;
  };

  void OnEnded(std::uint64_t id);
  void Report(const TransferSettings& settings, int status);

  Platform& platform_;
  TransferNotifier& notifier_;
  TransferLog log_;
  std::vector<Followed> running_;
  std::uint64_t nextId_ = 0;
  std::map<std::string, int> announced_;  // route → the failing status announced last
  bool logProblemTold_ = false;
};

}  // namespace mirvo
