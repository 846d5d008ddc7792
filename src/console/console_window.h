#pragma once

#include <string>
#include <string_view>

#include "console/navigator.h"
#include "foundation/form.h"
#include "foundation/platform.h"

namespace mirvo {

// The About box's four lines, joined by CR LF.
std::string AboutText();
// The maker's home page that the About button opens.
std::string_view HomePageAddress();

// The logic of the main console: the start-up check and the three buttons.
class ConsoleWindow {
 public:
  ConsoleWindow(Form& form, Platform& platform, Navigator& navigator);

  // The load step. False when rsync is missing: the message has been shown and the program ended.
  bool OnLoad();
  void OnServerClicked();  // 启动服务端
  void OnClientClicked();  // 启动客户端
  void OnAboutClicked();   // 关于

 private:
  Form& form_;
  Platform& platform_;
  Navigator& navigator_;
};

}  // namespace mirvo
