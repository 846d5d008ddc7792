#include "console/console_window.h"

#include "foundation/control_names.h"
#include "foundation/names.h"

namespace mirvo {

std::string AboutText() {
  return "本程序作者：MIRVO开发组(mirvo)\r\n"
         "感谢捐助：测试组,文档组,翻译组,用户社区 \r\n"
         "rsync社区,Qt社区,Debian社区,Wine社区,MinGW社区（排名不分先后）\r\n"
         "程序更新日期：2011/7/12";
}

// A reserved name that never resolves: the program has no home page anybody may reach.
std::string_view HomePageAddress() { return "https://mirvo.example/"; }

ConsoleWindow::ConsoleWindow(Form& form, Platform& platform, Navigator& navigator)
    : form_(form), platform_(platform), navigator_(navigator) {}

bool ConsoleWindow::OnLoad() {
  if (platform_.FileExists(platform_.ProgramFolder() + std::string(kRsyncExecutableName))) {
    return true;
  }
  form_.ShowMessage("请将Rsync的bin文件夹放到此目录下！", "注意：");
  navigator_.ExitNow();
  return false;
}

void ConsoleWindow::OnServerClicked() {
  // The working window is shown before the console goes, so the program never has no window.
  navigator_.ShowWindow(names::kServerWindow);
  navigator_.UnloadWindow(names::kConsoleWindow);
}

void ConsoleWindow::OnClientClicked() {
  navigator_.ShowWindow(names::kClientWindow);
  navigator_.UnloadWindow(names::kConsoleWindow);
}

void ConsoleWindow::OnAboutClicked() {
  form_.ShowMessage(AboutText(), "关于：");
  // Opening the page is a courtesy: when no browser takes it, the console stays as it is.
  (void)platform_.OpenWebAddress(std::string(HomePageAddress()));
}

}  // namespace mirvo
