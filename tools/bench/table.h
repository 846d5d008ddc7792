#pragma once

#include <string>

#include "summary.h"

namespace mirvo::bench {

// The benchmark's table: per measurement, min / median / max of the program (A) and of its
// reference (B), the ratio of the medians and whether the target holds. Returns the text and
// whether every target with figures on both sides held.
struct Table {
  std::string text;
  bool allTargetsHeld = true;
};
Table RenderTable(const Samples& samples);

}  // namespace mirvo::bench
