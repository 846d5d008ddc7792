#pragma once

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

  bool ended = false;
  int exitStatus = 0;
  std::string errorOutput;
  bool capturing = true;  // false once the caller said it needs no more error output
};

}  // namespace mirvo::testing
