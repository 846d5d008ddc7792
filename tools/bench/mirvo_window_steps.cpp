#include "mirvo_window_steps.h"

#include <signal.h>
#include <unistd.h>

#include "launch.h"
#include "proc_figures.h"
#include "resources/layouts.h"

namespace mirvo::bench {
namespace {

constexpr std::string_view kConsoleTitle = "MIRVO主控制台0.1";
constexpr std::string_view kServerTitle = "MIRVO服务端";
constexpr std::string_view kClientTitle = "MIRVO客户端";

// The centre of a control in pixels at 96 dpi, the benchmark's X server's resolution.
std::pair<int, int> Centre(const layout::WindowLayout& window, std::string_view control) {
  const layout::ControlLayout* c = layout::FindControl(window, control);
  if (c == nullptr) return {0, 0};
  return {(c->rect.left + c->rect.width / 2) / layout::kTwipsPerPixelAt96Dpi,
          (c->rect.top + c->rect.height / 2) / layout::kTwipsPerPixelAt96Dpi};
}

}  // namespace

ServerWindowRun::ServerWindowRun(XDesk& desk, std::string program, Which which)
    : desk_(desk), program_(std::move(program)), which_(which) {}

ServerWindowRun::~ServerWindowRun() {
  EndProcess(pid_);
  if (port_ < 0) return;
  // The daemon and its per-connection children: the launcher runs them from its own folder, so
  // they are found by the port, which the benchmark chose free for this run alone.
  for (int round = 0; round < 50; ++round) {
    const auto daemons = ProcessesMatching(
        "rsync.exe", {"--port=" + std::to_string(port_) + std::string(1, '\0'), "--daemon"});
    if (daemons.empty()) break;
    for (pid_t daemon : daemons) kill(daemon, SIGKILL);
    usleep(20 * 1000);
  }
}

Status ServerWindowRun::Open() {
  pid_ = Launch({program_});
  if (pid_ < 0) return Error{"cannot start " + program_};
  const XDesk::Mapped console = desk_.WaitForMap(pid_, kConsoleTitle, 30);
  if (console.window == 0) return Error{"the console did not appear"};
  usleep(200 * 1000);
  const bool client = which_ == Which::Client;
  const auto [x, y] = Centre(layout::ConsoleLayout(), client ? "启动客户端" : "启动服务端");
  desk_.Click(console.window, x, y);
  server_ = desk_.WaitForMap(pid_, client ? kClientTitle : kServerTitle, 30).window;
  if (server_ == 0) return Error{"the working window did not appear"};
  for (int i = 0; i < 500 && desk_.TrayIcon("mirvo") == 0; ++i) usleep(20 * 1000);
  if (desk_.TrayIcon("mirvo") == 0) return Error{"no tray icon"};
  return Status::Ok();
}

void ServerWindowRun::Click(std::string_view control) {
  const auto [x, y] =
      Centre(which_ == Which::Client ? layout::ClientLayout() : layout::ServerLayout(), control);
  desk_.Click(server_, x, y);
}

Status ServerWindowRun::TypeInto(std::string_view box, const std::string& text) {
  desk_.Focus(server_);
  Click(box);
  usleep(50 * 1000);
  desk_.ControlKey('a');
  desk_.BackSpace();
  if (!desk_.Type(text)) return Error{"cannot type " + text};
  usleep(100 * 1000);
  return Status::Ok();
}

Status ServerWindowRun::Configure(const std::string& share, int port) {
  for (const auto& [box, text] : {std::pair<std::string_view, std::string>{"共享路径", share},
                                  {"端口号", std::to_string(port)}}) {
    if (Status s = TypeInto(box, text); !s.ok()) return s;
  }
  return Status::Ok();
}

Result<double> ServerWindowRun::ClickStartAndWaitForDaemon(int port) {
  if (Accepts(port)) return Error{"port " + std::to_string(port) + " is taken before the start"};
  port_ = port;
  const auto [x, y] = Centre(layout::ServerLayout(), "启动服务");
  const double clicked = desk_.Click(server_, x, y);
  while (!Accepts(port)) {
    if (Now() - clicked > 30) return Error{"the daemon did not accept connections within 30 s"};
    usleep(1000);
  }
  return (Now() - clicked) * 1000;
}

Status ServerWindowRun::HideInTray() {
  desk_.Minimize(server_);
  if (!desk_.WaitViewable(server_, false, 10)) return Error{"the window did not hide on minimize"};
  return Status::Ok();
}

Status ServerWindowRun::RestoreFromTray() {
  const XWindowId icon = desk_.TrayIcon("mirvo");
  if (icon == 0) return Error{"no tray icon"};
  desk_.DoubleClick(icon);
  if (!desk_.WaitViewable(server_, true, 10)) return Error{"the window did not come back"};
  desk_.MarkNormal(server_);
  usleep(200 * 1000);
  return Status::Ok();
}

}  // namespace mirvo::bench
