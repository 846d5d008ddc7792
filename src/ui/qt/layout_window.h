#pragma once

#include <QWidget>
#include <functional>

#include "resources/layouts.h"
#include "ui/qt/qt_form.h"

class QIcon;

namespace mirvo::ui {

// The program's one icon picture.
QIcon ProgramIcon();

// Pixels for twips on this screen: 15 twips per pixel at 96 dpi, scaled with the logical dpi.
double PixelsPerTwip();
QRect ToPixels(const layout::TwipRect& twips, double pixelsPerTwip);

// A top-level window with the controls of its layout: caption, fixed client size, icon, every
// control at its rectangle with its font, defaults and initial state, the tab order by TabIndex
// and the focus on the TabIndex 0 control. It forwards its resize notification (first display,
// size change, window-state change) and its close request.
class LayoutWindow : public QWidget {
 public:
  explicit LayoutWindow(const layout::WindowLayout& layout);

  const layout::WindowLayout& Layout() const { return layout_; }
  QtForm& Form() { return form_; }
  QWidget* Control(std::string_view name) const { return form_.Control(name); }

  std::function<void()> onResizeNotification;
  // Returns true when the close was handled (the program ends); false lets the window close.
  std::function<bool()> onCloseRequest;

  void NotifyResize();
  int ResizeNotifications() const { return resizeNotifications_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Build();

  const layout::WindowLayout& layout_;
  QtForm form_;
  int resizeNotifications_ = 0;
};

}  // namespace mirvo::ui
