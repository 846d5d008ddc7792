#pragma once

#include <string_view>

namespace mirvo {

// The program-wide window instances, reached by their names (主界面, 服务端, 客户端).
class Navigator {
 public:
  virtual ~Navigator() = default;
  // Shows the window modeless and without owner, loading it first (its load step runs) if needed.
  virtual void ShowWindow(std::string_view name) = 0;
  // Destroys the window; the console has no close handling of its own.
  virtual void UnloadWindow(std::string_view name) = 0;
  // Ends the program at once; no further window event runs.
  virtual void ExitNow() = 0;
};

}  // namespace mirvo
