#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "console/navigator.h"
#include "foundation/platform.h"
#include "ui/qt/layout_window.h"

namespace mirvo::ui {

// The three program-wide windows, each created and loaded the first time it is shown and reached
// by its name (主界面, 服务端, 客户端).
class QtNavigator : public Navigator {
 public:
  explicit QtNavigator(Platform& platform);
  ~QtNavigator() override;

  void ShowWindow(std::string_view name) override;
  void UnloadWindow(std::string_view name) override;
  [[noreturn]] void ExitNow() override;

  // The loaded window with this name, or nullptr.
  LayoutWindow* Window(std::string_view name) const;

  struct Screen;

 private:
  std::unique_ptr<Screen> Create(std::string_view name);

  Platform& platform_;
  std::map<std::string, std::unique_ptr<Screen>, std::less<>> loaded_;
};

}  // namespace mirvo::ui
