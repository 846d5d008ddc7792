#include "screens/busy_flag.h"

#include <utility>

namespace mirvo::screens {

void BusyFlag::Post(std::function<void()> work) {
  factory_.Post([this, work = std::move(work)]() mutable { RunOrHold(std::move(work)); });
}

void BusyFlag::RunOrHold(std::function<void()> work) {
  if (busy_) {
    held_.push_back(std::move(work));
    return;
  }
  Guard guard(*this);
  work();
}

BusyFlag::Guard::~Guard() {
  flag_.busy_ = outer_;
  if (outer_ || flag_.held_.empty()) return;
  std::vector<std::function<void()>> held = std::move(flag_.held_);
  flag_.held_.clear();
  for (std::function<void()>& work : held) flag_.Post(std::move(work));
}

}  // namespace mirvo::screens
