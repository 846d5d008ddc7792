#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "client/transfer_log.h"
#include "client/transfer_settings.h"
#include "foundation/form.h"
#include "foundation/platform.h"

namespace mirvo {

// Notices are titled with the client window's caption.
inline constexpr std::string_view kTransferNoticeTitle = "MIRVO客户端";
// A transfer takes seconds to hours; once a second is soon enough to learn that it ended.
inline constexpr std::int32_t kTransferPollInterval = 1000;

// Where a failed transfer is told: a balloon from the tray icon, or the window's message box when
// there is no tray and the window is showing.
class TransferNotifier {
 public:
  virtual ~TransferNotifier() = default;
  virtual void AnnounceFailure(std::string_view title, std::string_view text) = 0;
};

// Follows every transfer the client window started until it ends: each end is one line of the
// result log, and a failure is announced, once for the same failure repeated on the same route
// until a transfer on that route succeeds again. The poll timer runs only while a transfer does,
// so that nothing ticks while the program waits in the tray.
class TransferFollower {
 public:
  TransferFollower(Platform& platform, Form& form, std::string_view pollTimer,
                   TransferNotifier& notifier);

  void Follow(std::shared_ptr<CommandWatch> watch, const TransferSettings& settings);
  void OnPollTick();
  // Forgets every transfer without a word: the window is closing and ends them itself.
  void Abandon();
  std::size_t Running() const { return running_.size(); }

 private:
  struct Followed {
    std::shared_ptr<CommandWatch> watch;
    TransferSettings settings;
  };

  void Report(const TransferSettings& settings, int status);
  void UpdateTimer();

  Platform& platform_;
  Form& form_;
  std::string pollTimer_;
  TransferNotifier& notifier_;
  TransferLog log_;
  std::vector<Followed> running_;
  std::map<std::string, int> announced_;  // route → the failing status announced last
  bool timerRunning_ = false;
  bool logProblemTold_ = false;
};

}  // namespace mirvo
