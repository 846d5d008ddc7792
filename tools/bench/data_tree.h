#pragma once

#include <cstdint>
#include <string>

#include "foundation/result.h"

namespace mirvo::bench {

// The folder a pull copies: many small files in a few sub-folders and a few large ones, filled
// with pseudo-random bytes (nothing compresses, nothing repeats between files).
struct TreePlan {
  int smallFiles = 3000;
  std::int64_t smallMaxBytes = 64 * 1024;  // sizes are spread from 1 byte up to this
  int largeFiles = 4;
  std::int64_t largeBytes = 48LL * 1024 * 1024;
  std::uint64_t seed = 20110712;
};

struct TreeTotals {
  std::int64_t files = 0;
  std::int64_t bytes = 0;
  bool operator==(const TreeTotals&) const = default;
};

// Writes the tree under `root` (which must exist and be empty) and returns what it wrote.
Result<TreeTotals> MakeTree(const std::string& root, const TreePlan& plan);

// Regular files and their bytes under `root`, links not followed.
TreeTotals CountTree(const std::string& root);

}  // namespace mirvo::bench
