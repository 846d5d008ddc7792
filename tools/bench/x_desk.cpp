#include "x_desk.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <vector>

namespace mirvo::bench {
namespace {

::Display* X(void* display) { return static_cast<::Display*>(display); }

std::string Utf8Title(::Display* x, Window window) {
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(x, window, XInternAtom(x, "_NET_WM_NAME", False), 0, 1024, False,
                         XInternAtom(x, "UTF8_STRING", False), &type, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return title;
}

long WindowPid(::Display* x, Window window) {
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(x, window, XInternAtom(x, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                         &type, &format, &count, &after, &data) == Success &&
      data != nullptr && count == 1) {
    pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data) XFree(data);
  return pid;
}

// The window (below `from`) whose WM_NAME is `name`, or 0.
Window FindNamed(::Display* x, Window from, std::string_view name) {
  std::vector<Window> pending{from};
  while (!pending.empty()) {
    Window current = pending.back();
    pending.pop_back();
    char* own = nullptr;
    if (XFetchName(x, current, &own) != 0 && own != nullptr) {
      const bool match = name == own;
      XFree(own);
      if (match) return current;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(x, current, &root, &parent, &children, &count) == 0) continue;
    for (unsigned i = 0; i < count; ++i) pending.push_back(children[i]);
    if (children) XFree(children);
  }
  return 0;
}

// Windows come and go while the benchmark looks at them; a window gone between its MapNotify and
// a property read is not an error worth ending the run for.
int IgnoreErrors(::Display*, XErrorEvent*) { return 0; }

void Pause(int milliseconds) { usleep(static_cast<useconds_t>(milliseconds) * 1000); }

}  // namespace

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::unique_ptr<XDesk> XDesk::Open() {
  ::Display* x = XOpenDisplay(nullptr);
  if (x == nullptr) return nullptr;
  XSetErrorHandler(IgnoreErrors);
  int event, error, major, minor, damageEvent, damageError;
  if (!XTestQueryExtension(x, &event, &error, &major, &minor) ||
      !XDamageQueryExtension(x, &damageEvent, &damageError)) {
    XCloseDisplay(x);
    return nullptr;
  }
  XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
  XSync(x, False);
  return std::unique_ptr<XDesk>(new XDesk(x, damageEvent));
}

XDesk::XDesk(void* display, int damageEvent) : display_(display), damageEvent_(damageEvent) {}

void XDesk::HandleEvent(double seconds) {
  ::Display* x = X(display_);
  if (XPending(x) == 0) {
    pollfd descriptor{ConnectionNumber(x), POLLIN, 0};
    poll(&descriptor, 1, static_cast<int>(seconds * 1000) + 1);
    if (XPending(x) == 0) return;
  }
  XEvent event;
  XNextEvent(x, &event);
  const double at = Now();
  if (event.type == CreateNotify && event.xcreatewindow.parent == DefaultRootWindow(x)) {
    // Watched from its creation on, so that no drawing before its MapNotify is missed.
    XDamageCreate(x, event.xcreatewindow.window, XDamageReportNonEmpty);
  } else if (event.type == damageEvent_ + XDamageNotify) {
    const auto* damage = reinterpret_cast<XDamageNotifyEvent*>(&event);
    firstPaint_.try_emplace(damage->drawable, at);
    XDamageSubtract(x, damage->damage, 0, 0);
  } else if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(x)) {
    mapped_.emplace_back(event.xmap.window, at);
  }
}

double XDesk::WaitForFirstPaint(XWindowId window, double timeoutSeconds) {
  const double deadline = Now() + timeoutSeconds;
  while (!firstPaint_.contains(window)) {
    const double left = deadline - Now();
    if (left <= 0) return 0;
    HandleEvent(left);
  }
  return firstPaint_[window];
}

XDesk::~XDesk() { XCloseDisplay(X(display_)); }

XDesk::Mapped XDesk::WaitForMap(pid_t pid, std::string_view title, double timeoutSeconds) {
  ::Display* x = X(display_);
  const double deadline = Now() + timeoutSeconds;
  while (true) {
    for (auto it = mapped_.begin(); it != mapped_.end();) {
      const auto [window, at] = *it;
      it = mapped_.erase(it);
      if (WindowPid(x, window) == pid && Utf8Title(x, window) == title) return {window, at};
    }
    const double left = deadline - Now();
    if (left <= 0) return {};
    HandleEvent(left);
  }
}

bool XDesk::Viewable(XWindowId window) {
  XWindowAttributes attributes{};
  XSync(X(display_), False);
  return XGetWindowAttributes(X(display_), window, &attributes) != 0 &&
         attributes.map_state == IsViewable;
}

bool XDesk::WaitViewable(XWindowId window, bool viewable, double timeoutSeconds) {
  const double deadline = Now() + timeoutSeconds;
  while (Viewable(window) != viewable) {
    if (Now() > deadline) return false;
    Pause(10);
  }
  return true;
}

double XDesk::Click(XWindowId window, int x, int y) {
  ::Display* d = X(display_);
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(d, window, DefaultRootWindow(d), x, y, &rootX, &rootY, &child);
  XTestFakeMotionEvent(d, DefaultScreen(d), rootX, rootY, CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XFlush(d);
  Pause(20);
  const double at = Now();
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XFlush(d);
  return at;
}

void XDesk::DoubleClick(XWindowId window) {
  XWindowAttributes attributes{};
  XGetWindowAttributes(X(display_), window, &attributes);
  Click(window, attributes.width / 2, attributes.height / 2);
  Pause(100);
  Click(window, attributes.width / 2, attributes.height / 2);
}

void XDesk::Focus(XWindowId window) {
  XSetInputFocus(X(display_), window, RevertToParent, CurrentTime);
  XSync(X(display_), False);
  Pause(50);
}

namespace {

// Presses and releases the key that gives `keysym`, with Shift when it sits on the shifted level.
bool PressKeysym(::Display* d, KeySym keysym, KeySym modifier = NoSymbol) {
  const KeyCode code = XKeysymToKeycode(d, keysym);
  if (code == 0) return false;
  KeySym held = modifier;
  if (held == NoSymbol && XkbKeycodeToKeysym(d, code, 0, 0) != keysym) {
    if (XkbKeycodeToKeysym(d, code, 0, 1) != keysym) return false;
    held = XK_Shift_L;
  }
  const KeyCode heldCode = held == NoSymbol ? 0 : XKeysymToKeycode(d, held);
  if (heldCode) XTestFakeKeyEvent(d, heldCode, True, CurrentTime);
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  if (heldCode) XTestFakeKeyEvent(d, heldCode, False, CurrentTime);
  XSync(d, False);
  Pause(5);
  return true;
}

}  // namespace

void XDesk::ControlKey(char key) {
  PressKeysym(X(display_), static_cast<KeySym>(static_cast<unsigned char>(key)), XK_Control_L);
}

void XDesk::BackSpace() { PressKeysym(X(display_), XK_BackSpace); }

bool XDesk::Type(std::string_view text) {
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code > 0x7e) return false;
    // Printable ASCII keysyms are the characters' own codes.
    if (!PressKeysym(X(display_), static_cast<KeySym>(code))) return false;
  }
  return true;
}

namespace {

void SetWmState(::Display* x, Window window, long value) {
  const Atom state = XInternAtom(x, "WM_STATE", False);
  long data[2] = {value, 0};
  XChangeProperty(x, window, state, state, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(data), 2);
  XSync(x, False);
}

}  // namespace

void XDesk::Minimize(XWindowId window) { SetWmState(X(display_), window, IconicState); }

void XDesk::MarkNormal(XWindowId window) { SetWmState(X(display_), window, NormalState); }

XWindowId XDesk::TrayIcon(std::string_view program) {
  ::Display* x = X(display_);
  XSync(x, False);
  const Window panel = FindNamed(x, DefaultRootWindow(x), "panel");
  if (panel == 0) return 0;
  std::vector<Window> pending{panel};
  while (!pending.empty()) {
    Window current = pending.back();
    pending.pop_back();
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(x, current, &root, &parent, &children, &count) == 0) continue;
    for (unsigned i = 0; i < count; ++i) {
      pending.push_back(children[i]);
      XClassHint hint{};
      if (XGetClassHint(x, children[i], &hint) != 0) {
        const bool match = hint.res_name != nullptr && program == hint.res_name;
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
        if (match) {
          const Window icon = children[i];
          XFree(children);
          return icon;
        }
      }
    }
    if (children) XFree(children);
  }
  return 0;
}

}  // namespace mirvo::bench
