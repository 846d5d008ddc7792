#include "tray/tray_menu.h"

#include <string>
#include <utility>

namespace mirvo {

std::vector<TrayMenuEntry> TrayMenuEntries(bool offersTransferLog) {
  std::vector<TrayMenuEntry> entries{{"显示窗口", TrayCommand::ShowWindow}};
  if (offersTransferLog) entries.push_back({"打开同步记录", TrayCommand::OpenTransferLog});
  entries.push_back({"退出", TrayCommand::Exit});
  return entries;
}

TrayMenu::TrayMenu(WindowFrame& frame, WorkingWindowLifecycle& lifecycle,
                   std::function<void()> close, std::function<void()> openTransferLog)
    : frame_(frame),
      lifecycle_(lifecycle),
      close_(std::move(close)),
      openTransferLog_(std::move(openTransferLog)) {}

void TrayMenu::OnRightClick() {
  const std::vector<TrayMenuEntry> entries = TrayMenuEntries(static_cast<bool>(openTransferLog_));
  std::vector<std::string> captions;
  for (const TrayMenuEntry& entry : entries) captions.emplace_back(entry.caption);
  const std::optional<std::size_t> chosen = frame_.ChooseFromTrayMenu(captions);
  if (chosen && *chosen < entries.size()) Run(entries[*chosen].command);
}

void TrayMenu::OnMessageClick() {
  lifecycle_.RestoreFromTray();
  if (openTransferLog_) openTransferLog_();
}

void TrayMenu::Run(TrayCommand command) {
  switch (command) {
    case TrayCommand::ShowWindow:
      lifecycle_.RestoreFromTray();
      return;
    case TrayCommand::OpenTransferLog:
      if (openTransferLog_) openTransferLog_();
      return;
    case TrayCommand::Exit:
      close_();
      return;
  }
}

}  // namespace mirvo
