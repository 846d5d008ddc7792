// The window-manager side of the GUI tests, kept apart: Xlib's macros (Status, None, Bool) must
// not meet the program's own names.
#include "gui_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace mirvo::testing {
namespace {

::Display* Connection(void* x) { return static_cast<::Display*>(x); }

}  // namespace

void XSession::Connect() { x_ = XOpenDisplay(display_.c_str()); }

void XSession::Disconnect() {
  if (x_ != nullptr) XCloseDisplay(Connection(x_));
  x_ = nullptr;
}

bool XSession::Viewable(XWindow window) const {
  XWindowAttributes attributes{};
  XSync(Connection(x_), False);
  return XGetWindowAttributes(Connection(x_), window, &attributes) != 0 &&
         attributes.map_state == IsViewable;
}

XSession::Box XSession::Geometry(XWindow window) const {
  ::Display* x = Connection(x_);
  XWindowAttributes attributes{};
  XSync(x, False);
  XGetWindowAttributes(x, window, &attributes);
  Window child;
  Box box{0, 0, attributes.width, attributes.height};
  XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &box.x, &box.y, &child);
  return box;
}

void XSession::Minimize(XWindow window) const {
  ::Display* x = Connection(x_);
  XIconifyWindow(x, window, DefaultScreen(x));
  XSync(x, False);
}

namespace {

// A window list property of the root window (_NET_CLIENT_LIST, …), as the window manager keeps it.
std::vector<Window> RootWindowList(::Display* x, const char* name) {
  std::vector<Window> windows;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XSync(x, False);
  if (XGetWindowProperty(x, DefaultRootWindow(x), XInternAtom(x, name, False), 0, 4096, False,
                         AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* ids = reinterpret_cast<const unsigned long*>(data);
    windows.assign(ids, ids + count);
  }
  if (data != nullptr) XFree(data);
  return windows;
}

}  // namespace

bool XSession::WindowManagerRunning() const {
  // A window manager that follows the desktop conventions names its check window on the root.
  return x_ != nullptr && !RootWindowList(Connection(x_), "_NET_SUPPORTING_WM_CHECK").empty();
}

bool XSession::Managed(XWindow window) const {
  for (Window client : RootWindowList(Connection(x_), "_NET_CLIENT_LIST")) {
    if (client == window) return true;
  }
  return false;
}

XWindow XSession::Focused() const {
  ::Display* x = Connection(x_);
  Window focus = 0;
  int revert = 0;
  XSync(x, False);
  XGetInputFocus(x, &focus, &revert);
  return focus;
}

XSession::RoundTrip XSession::MinimizeAndRestoreFromTray(XWindow window, int left, int top) const {
  RoundTrip trip;
  // Whether the window's corner or its frame's lands at (left, top) depends on the gravity the
  // window asks for; what counts is that it moved.
  const Box start = Geometry(window);
  Shell("xdotool windowmove --sync " + std::to_string(window) + " " + std::to_string(left) + " " +
        std::to_string(top));
  EXPECT_TRUE(WaitUntil([&] { return !(Geometry(window) == start); }, 3))
      << "moved by the window manager to " << left << "," << top;
  usleep(300 * 1000);  // the window manager's configure notification reaches the program
  trip.before = Geometry(window);
  Minimize(window);
  EXPECT_TRUE(WaitUntil([&] { return !Viewable(window); }, 5)) << "hidden on minimize";
  EXPECT_TRUE(WaitUntil([&] { return !Managed(window); }, 5)) << "out of the window list";
  const std::vector<XWindow> icons = TrayIcons();
  EXPECT_EQ(icons.size(), 1u) << "the icon stays while the window is hidden";
  if (icons.empty()) return trip;
  DoubleClick(icons.front());
  EXPECT_TRUE(WaitUntil([&] { return Viewable(window) && Managed(window); }, 5))
      << "back on a double-click";
  EXPECT_TRUE(WaitUntil([&] { return Focused() == window; }, 5)) << "active after the restore";
  // Where it settles: the window manager places it, then the program may move it.
  usleep(500 * 1000);
  trip.after = Geometry(window);
  return trip;
}
void XSession::RequestClose(XWindow window) const {
  // What a window manager sends when the user presses the close box.
  ::Display* x = Connection(x_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(x, window, False, NoEventMask, &event);
  XSync(x, False);
}

std::vector<XWindow> XSession::TrayIcons(const std::string& program) const {
  // trayer embeds each icon in a socket window of its panel: look through the whole subtree.
  std::vector<XWindow> icons;
  const XWindow panel = Panel();
  if (panel == 0) return icons;
  ::Display* x = Connection(x_);
  XSync(x, False);
  std::vector<Window> pending{panel};
  while (!pending.empty()) {
    const Window current = pending.back();
    pending.pop_back();
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(x, current, &root, &parent, &children, &count) == 0) continue;
    for (unsigned i = 0; i < count; ++i) {
      pending.push_back(children[i]);
      XClassHint hint{};
      if (XGetClassHint(x, children[i], &hint) != 0) {
        if (hint.res_name != nullptr && program == hint.res_name) icons.push_back(children[i]);
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
      }
    }
    if (children) XFree(children);
  }
  return icons;
}

std::vector<XWindow> XSession::Balloons(const std::string& program) const {
  constexpr int kTallerThanOneLine = 48;  // pixels; a tooltip's line is about 20
  std::vector<XWindow> balloons;
  ::Display* x = Connection(x_);
  XSync(x, False);
  // A window listed here may be gone (a terminal of a transfer) before its attributes are read.
  XErrorHandler previous = XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
  struct Restore {
    ::Display* x;
    XErrorHandler previous;
    ~Restore() {
      XSync(x, False);
      XSetErrorHandler(previous);
    }
  } restore{x, previous};
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count) == 0) return {};
  const Atom typeAtom = XInternAtom(x, "_NET_WM_WINDOW_TYPE", False);
  const Atom tooltip = XInternAtom(x, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(x, children[i], &attributes) == 0 ||
        attributes.map_state != IsViewable || !attributes.override_redirect ||
        attributes.height < kTallerThanOneLine) {
      continue;
    }
    XClassHint hint{};
    bool ours = false;
    if (XGetClassHint(x, children[i], &hint) != 0) {
      ours = hint.res_name != nullptr && program == hint.res_name;
      if (hint.res_name) XFree(hint.res_name);
      if (hint.res_class) XFree(hint.res_class);
    }
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool isTooltip = false;
    if (XGetWindowProperty(x, children[i], typeAtom, 0, 1, False, XA_ATOM, &type, &format, &items,
                           &after, &data) == Success &&
        data != nullptr && items == 1) {
      isTooltip = *reinterpret_cast<const Atom*>(data) == tooltip;
    }
    if (data != nullptr) XFree(data);
    if (ours && isTooltip) balloons.push_back(children[i]);
  }
  if (children) XFree(children);
  return balloons;
}

}  // namespace mirvo::testing
