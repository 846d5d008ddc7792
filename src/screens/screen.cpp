#include "screens/screen.h"

#include "foundation/control_report.h"

namespace mirvo::screens {

Screen::Screen(WindowFactory& factory, const layout::WindowLayout& layout, BusyFlag& busy)
    : layout_(layout), busy_(busy), window_(factory.MakeWindow(layout, *this)) {}

void Screen::OnClick(std::string_view button) {
  BusyFlag::Guard guard(busy_);
  if (!Click(button)) ReportUnknownControl(layout_.name, button, "click");
}

void Screen::OnTimer(std::string_view timer) {
  // A tick never runs inside another handler, such as a message box's own event loop: it is
  // dropped there, and its timer ticks again in its time.
  if (busy_.Busy()) return;
  BusyFlag::Guard guard(busy_);
  if (!Tick(timer)) ReportUnknownControl(layout_.name, timer, "tick");
}

bool Screen::Tick(std::string_view) { return false; }

}  // namespace mirvo::screens
