#pragma once

// What the GUI end-to-end tests need around the real program: a private X server with a tray,
// a staged program folder with a copy of mirvo, and a person's hands (xdotool clicks and typing,
// and the few requests a window manager would send).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "resources/layouts.h"
#include "rsync_e2e_support.h"
#include "support/temp_folder.h"

namespace mirvo::testing {

// Starts a program with the environment of the test, DISPLAY replaced and no Qt platform forced.
inline pid_t SpawnOnDisplay(const std::vector<std::string>& argv, const std::string& display,
                            const posix_spawn_file_actions_t* actions = nullptr) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("QT_QPA_PLATFORM=", 0) == 0) continue;
    environment.push_back(entry);
  }
  environment.push_back("DISPLAY=" + display);
  std::vector<char*> envp, args;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> words = argv;
  for (auto& w : words) args.push_back(w.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], actions, nullptr, args.data(), envp.data()) != 0) return -1;
  return pid;
}

// True once the child has ended (and reaps it).
inline bool Exited(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

inline void EndChild(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

using XWindow = unsigned long;

// A private X server (Xvfb) with a window manager (openbox) and a tray host (trayer) on it, as
// users have them, ended at the end of the test.
class XSession {
 public:
  XSession() {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    // Xvfb reports every display number it finds taken; only the one it takes matters.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string fd = std::to_string(fds[1]);
    server_ = SpawnOnDisplay({"Xvfb", "-displayfd", fd, "-screen", "0", "1024x768x24", "-dpi", "96",
                              "-nolisten", "tcp", "-noreset"},
                             ":0", &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return;
    display_ = ":" + number;
    Connect();
    windowManager_ = SpawnOnDisplay({"openbox", "--sm-disable"}, display_);
    WaitUntil([this] { return WindowManagerRunning(); }, 10);
    tray_ = SpawnOnDisplay(
        {"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "200",
         "--heighttype", "pixel", "--height", "32", "--transparent", "false"},
        display_);
    WaitUntil([this] { return Panel() != 0; }, 10);
  }
  ~XSession() {
    Disconnect();
    EndChild(tray_);
    EndChild(windowManager_);
    EndChild(server_);
  }
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  bool Ready() const { return x_ != nullptr && WindowManagerRunning() && Panel() != 0; }
  // The X server goes away under its clients, as at the end of a session; this session's own
  // connection is closed first.
  void EndServer() {
    Disconnect();
    EndChild(server_);
    server_ = -1;
  }
  const std::string& Display() const { return display_; }

  // Runs a command line on this display and returns what it printed.
  std::string Shell(const std::string& command) const {
    std::string output;
    FILE* pipe = popen(("DISPLAY=" + display_ + " " + command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
    return output;
  }

  // The mapped top-level window with exactly this title, or 0.
  XWindow FindWindow(const std::string& title) const {
    const std::string found = Shell("xdotool search --onlyvisible --name '^" + title + "$'");
    return found.empty() ? 0 : std::stoul(found);
  }
  XWindow WaitForWindow(const std::string& title, int seconds = 15) const {
    XWindow window = 0;
    WaitUntil([&] { return (window = FindWindow(title)) != 0; }, seconds);
    return window;
  }

  bool Viewable(XWindow window) const;

  // The window's client area: its top-left on the screen and its size.
  struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Box&) const = default;
  };
  Box Geometry(XWindow window) const;

  // A click at the centre of a control, found by its layout rectangle (96 dpi: 15 twips a pixel).
  void Click(XWindow window, const layout::WindowLayout& layout, std::string_view control) const {
    const layout::ControlLayout* c = layout::FindControl(layout, control);
    ASSERT_NE(c, nullptr) << control;
    const int x = (c->rect.left + c->rect.width / 2) / layout::kTwipsPerPixelAt96Dpi;
    const int y = (c->rect.top + c->rect.height / 2) / layout::kTwipsPerPixelAt96Dpi;
    Shell("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
          std::to_string(y) + " click 1");
    usleep(150 * 1000);
  }

  // Selects all of a text box and types the new text over it.
  void TypeInto(XWindow window, const layout::WindowLayout& layout, std::string_view control,
                const std::string& text) const {
    Shell("xdotool windowfocus --sync " + std::to_string(window));
    Click(window, layout, control);
    Shell("xdotool key ctrl+a BackSpace");
    Shell("xdotool type --delay 8 '" + text + "'");
    usleep(100 * 1000);
  }

  // What the title bar's minimize button asks of the window manager (as xdotool windowminimize).
  void Minimize(XWindow window) const;
  // Whether the window manager manages the window: it is in its client list, so the user can
  // reach it (from a task bar, a window list or the keyboard) even when it is minimized.
  bool Managed(XWindow window) const;
  // The top-level window that has the keyboard focus.
  XWindow Focused() const;

  // The round trip through the tray a user makes: the window is moved to (x, y) with the window
  // manager, minimized with it, and brought back by a double-click on its tray icon, active.
  // Returns the client area before the minimize and after the restore; fails the test when a step
  // fails.
  struct RoundTrip {
    Box before, after;
  };
  RoundTrip MinimizeAndRestoreFromTray(XWindow window, int x, int y) const;

  // What a window manager sends when the user presses the close box.
  void RequestClose(XWindow window) const;

  // The tray icons of the program in trayer's panel.
  std::vector<XWindow> TrayIcons(const std::string& program = "mirvo") const;

  // The message balloons the program shows from its tray icon. On a tray of this kind Qt draws
  // them itself: an override-redirect top-level window of the program, typed as a tooltip and
  // taller than a tooltip's single line (its title and the message below).
  std::vector<XWindow> Balloons(const std::string& program = "mirvo") const;

  void DoubleClick(XWindow window) const {
    const Box box = Geometry(window);
    Shell("xdotool mousemove " + std::to_string(box.x + box.width / 2) + " " +
          std::to_string(box.y + box.height / 2) + " click --repeat 2 --delay 120 1");
  }

 private:
  bool WindowManagerRunning() const;
  XWindow Panel() const {
    const std::string found = Shell("xdotool search --name '^panel$'");
    return found.empty() ? 0 : std::stoul(found);
  }

  void Connect();
  void Disconnect();

  pid_t server_ = -1;
  pid_t windowManager_ = -1;
  pid_t tray_ = -1;
  std::string display_;
  void* x_ = nullptr;  // the Xlib connection
};

inline void PrintTo(const XSession::Box& box, std::ostream* out) {
  *out << box.width << "x" << box.height << " at " << box.x << "," << box.y;
}

// A program folder with a copy of mirvo and, unless asked otherwise, bin/rsync.exe; mirvo is
// started on the session's display and killed at the end if it is still running, together with
// every rsync.exe it left behind.
class StagedProgram {
 public:
  StagedProgram(const XSession& session, const std::string& folder, bool withRsync = true)
      : session_(session), folder_(folder), markers_{folder} {
    std::filesystem::create_directories(folder_ + "/bin");
    std::filesystem::copy_file(MIRVO_STAGED_PROGRAM, folder_ + "/mirvo");
    if (withRsync) {
      std::filesystem::copy_file(MIRVO_STAGED_LAUNCHER, folder_ + "/bin/rsync.exe");
      chmod((folder_ + "/bin/rsync.exe").c_str(), 0755);
    }
    chmod((folder_ + "/mirvo").c_str(), 0755);
  }
  ~StagedProgram() {
    if (pid_ > 0 && !exited_) EndChild(pid_);
    for (const ProcessEntry& p : Processes()) {
      if (p.comm != "rsync.exe") continue;
      for (const std::string& marker : markers_) {
        if (p.commandLine.find(marker) != std::string::npos) {
          kill(p.pid, SIGKILL);
          break;
        }
      }
    }
  }

  // rsync.exe processes whose command line holds this text are ended with the program.
  void AlsoEnd(const std::string& marker) { markers_.push_back(marker); }

  void Start() { pid_ = SpawnOnDisplay({folder_ + "/mirvo"}, session_.Display()); }
  // Starts the program and presses the console's button that opens the working window with this
  // caption; that window, or 0 when either window did not appear.
  XWindow StartInto(std::string_view consoleButton, const std::string& caption) {
    Start();
    const XWindow console = session_.WaitForWindow("MIRVO主控制台0.1");
    if (console == 0) return 0;
    session_.Click(console, layout::ConsoleLayout(), consoleButton);
    return session_.WaitForWindow(caption);
  }
  void Signal(int signal) const {
    if (pid_ > 0 && !exited_) kill(pid_, signal);
  }
  bool WaitForExit(int seconds = 10) {
    if (!exited_) exited_ = WaitUntil([this] { return Exited(pid_); }, seconds);
    return exited_;
  }
  const std::string& Folder() const { return folder_; }

 private:
  const XSession& session_;
  std::string folder_;
  std::vector<std::string> markers_;
  pid_t pid_ = -1;
  bool exited_ = false;
};

}  // namespace mirvo::testing
