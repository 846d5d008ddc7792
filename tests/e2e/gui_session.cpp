// The window-manager side of the GUI tests, kept apart: Xlib's macros (Status, None, Bool) must
// not meet the program's own names.
#include "gui_session.h"

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
  // What a window manager does when the user minimizes a window: its WM_STATE becomes Iconic.
  ::Display* x = Connection(x_);
  const Atom state = XInternAtom(x, "WM_STATE", False);
  long data[2] = {IconicState, None};
  XChangeProperty(x, window, state, state, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(data), 2);
  XSync(x, False);
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

}  // namespace mirvo::testing
