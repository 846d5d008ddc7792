#include "foundation/started_command.h"

#include <algorithm>

namespace mirvo {

Error StartFailure(std::string_view what, std::string_view reason) {
  return Error{"无法启动程序“" + std::string(what) + "”：" + std::string(reason)};
}

void ErrorCapture::Append(const char* bytes, std::size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!capturing_ || kept_.size() >= kCap) return;
  kept_.append(bytes, std::min(size, kCap - kept_.size()));
}

void ErrorCapture::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  capturing_ = false;
}

std::string ErrorCapture::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return kept_;
}

struct EndNotice::State : std::enable_shared_from_this<State> {
  std::mutex mutex;
  MainThread* mainThread = nullptr;  // cleared when the notice goes
  std::function<void()> callback;
  bool ended = false;
  bool posted = false;  // a delivery is on its way

  // Called with mutex held. Posting under the lock: a notice being destroyed waits, so that
  // nothing is posted to a main thread after the watch (and whoever owns it) has gone.
  void PostWhenDue() {
    if (!ended || !callback || posted || mainThread == nullptr) return;
    posted = true;
    mainThread->Post([weak = weak_from_this()] {
      std::shared_ptr<State> state = weak.lock();
      if (!state) return;
      std::function<void()> tell;
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->posted = false;
        if (state->mainThread == nullptr) return;
        tell = std::move(state->callback);
        state->callback = nullptr;
      }
      if (tell) tell();
    });
  }
};

EndNotice::EndNotice(MainThread* mainThread) : state_(std::make_shared<State>()) {
  state_->mainThread = mainThread;
}

EndNotice::~EndNotice() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->mainThread = nullptr;
  state_->callback = nullptr;
}

void EndNotice::Set(std::function<void()> ended) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->callback = std::move(ended);
  state_->PostWhenDue();
}

std::function<void()> EndNotice::Teller() const {
  return [weak = std::weak_ptr<State>(state_)] {
    std::shared_ptr<State> state = weak.lock();
    if (!state) return;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->ended = true;
    state->PostWhenDue();
  };
}

}  // namespace mirvo
