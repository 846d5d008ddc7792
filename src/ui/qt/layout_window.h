#pragma once

#include <QWidget>
#include <functional>

#include "resources/layouts.h"
#include "ui/qt/qt_form.h"

class QIcon;

namespace mirvo::ui {

// The program's one icon picture.
QIcon ProgramIcon();

// The logical dots per inch of the primary screen: 15 twips are a pixel at 96.
int ScreenDpi();
// A twip rectangle in pixels at this dpi, rounded as on every build (resources/window_metrics.h).
QRect TwipsToQRect(const layout::TwipRect& twips, int dpi);

// A top-level window with the controls of its layout: caption, fixed client size, icon, every
// control at its rectangle with its font, defaults and initial state, the tab order by TabIndex
// and the focus on the TabIndex 0 control. It forwards its resize notification (first display,
// size change, window-state change) and its close request.
class LayoutWindow : public QWidget {
 public:
  // When the labels are fitted to their text. Measuring text is the first use of the fonts, which
  // costs more than building the whole window; a window about to be shown can do it once it is
  // on the screen and about to be drawn, as any Qt window draws its text.
  enum class LabelFit { AtConstruction, AtFirstExpose };

  explicit LayoutWindow(const layout::WindowLayout& layout,
                        LabelFit labelFit = LabelFit::AtConstruction);

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
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();
  void FitLabels();

  const layout::WindowLayout& layout_;
  QtForm form_;
  bool labelsFitted_ = false;
  int resizeNotifications_ = 0;
};

}  // namespace mirvo::ui
