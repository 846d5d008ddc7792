#pragma once

#include <functional>
#include <string>

#include "foundation/platform.h"

namespace mirvo::testing {

// A started command as a fake platform hands it out: it runs until the test ends it by hand.
class FakeWatch : public CommandWatch {
 public:
  bool Ended() const override { return ended; }
  int ExitStatus() const override { return exitStatus; }
  std::string ErrorOutput() const override { return errorOutput; }
  void StopCapturing() override { capturing = false; }
  void OnEnded(std::function<void()> tell) override { onEnded = std::move(tell); }

  // Ends the command and tells its end, as the platform's event would.
  void End(int status) {
    ended = true;
    exitStatus = status;
    std::function<void()> tell = std::move(onEnded);
    onEnded = nullptr;
    if (tell) tell();
  }

  bool ended = false;
  int exitStatus = 0;
  std::string errorOutput;
  bool capturing = true;          // false once the caller said it needs no more error output
  std::function<void()> onEnded;  // what the caller asked to be told at the end, until told
};

}  // namespace mirvo::testing
