#pragma once

#include <functional>
#include <string>
#include <utility>

#include "foundation/platform.h"

namespace mirvo::testing {

// A started command as a fake platform hands it out: it runs until the test ends it by hand.
class FakeWatch : public CommandWatch {
 public:
  bool Ended() const override { return ended; }
  int ExitStatus() const override { return exitStatus; }
  std::string ErrorOutput() const override { return errorOutput; }
  void StopCapturing() override { capturing = false; }
  void OnEnded(std::function<void()> told) override { onEnded = std::move(told); }

  // The command ends now, and whoever asked is told, as the platform's event would tell it.
  void End(int status) {
    ended = true;
    exitStatus = status;
    if (onEnded) onEnded();
  }

  bool ended = false;
  int exitStatus = 0;
  std::string errorOutput;
  bool capturing = true;  // false once the caller said it needs no more error output
  std::function<void()> onEnded;
};

}  // namespace mirvo::testing
