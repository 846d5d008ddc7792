#pragma once

#include <sys/types.h>

#include <string>

#include "foundation/result.h"
#include "x_desk.h"

namespace mirvo::bench {

// A staged mirvo, started by the benchmark and driven to one of its working windows: the
// console's 启动服务端 (or 启动客户端) clicked, the window mapped and its tray icon in place. The
// benchmark never presses 停止服务 and never closes the window, since both end every rsync.exe on
// the machine, other people's too: it ends mirvo and the daemons it started by their process ids.
class ServerWindowRun {
 public:
  enum class Which { Server, Client };
  ServerWindowRun(XDesk& desk, std::string program, Which which = Which::Server);
  ~ServerWindowRun();  // ends mirvo and the daemons started through its folder
  ServerWindowRun(const ServerWindowRun&) = delete;
  ServerWindowRun& operator=(const ServerWindowRun&) = delete;

  Status Open();
  pid_t Pid() const { return pid_; }
  XWindowId Window() const { return server_; }

  // Types the share path and port over the defaults.
  Status Configure(const std::string& share, int port);
  // Types the text over what the box holds; clicks a control.
  Status TypeInto(std::string_view box, const std::string& text);
  void Click(std::string_view control);
  // Clicks 启动服务 and returns the milliseconds until 127.0.0.1:port accepts a connection.
  Result<double> ClickStartAndWaitForDaemon(int port);

  // Minimizes the window into the tray, or brings it back with a double-click on the icon.
  Status HideInTray();
  Status RestoreFromTray();

 private:
  XDesk& desk_;
  std::string program_;
  Which which_;
  pid_t pid_ = -1;
  XWindowId server_ = 0;
  int port_ = -1;
};

}  // namespace mirvo::bench
