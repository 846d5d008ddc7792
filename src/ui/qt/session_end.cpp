#include "ui/qt/session_end.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace mirvo::ui {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

volatile sig_atomic_t gWakeFd = -1;
std::function<void()>* gAtExit = nullptr;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  if (gWakeFd >= 0) (void)!write(gWakeFd, &byte, 1);
  errno = saved;
}

// exit() from anywhere, Qt's own exit(1) on a broken display connection among them. Our own ends
// use _Exit and never come here.
void RunAtExit() {
  if (gAtExit != nullptr && *gAtExit) (*gAtExit)();
}

}  // namespace

SessionEnd::SessionEnd(std::function<void()> onSignal, std::function<void()> atExit)
    : onSignal_(std::move(onSignal)) {
  static bool registered = false;
  static std::function<void()> atExitCall;
  atExitCall = std::move(atExit);
  gAtExit = &atExitCall;
  if (!registered) registered = std::atexit(RunAtExit) == 0;

  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  gWakeFd = pipe_[1];
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
    char bytes[16];
    while (read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    if (onSignal_) onSignal_();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

SessionEnd::~SessionEnd() {
  gAtExit = nullptr;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaction(signal, &action, nullptr);
  gWakeFd = -1;
  notifier_.reset();
  for (int fd : pipe_) {
    if (fd >= 0) close(fd);
  }
}

}  // namespace mirvo::ui
