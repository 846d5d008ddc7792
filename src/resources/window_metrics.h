#pragma once

#include <span>
#include <vector>

#include "resources/layouts.h"

// The arithmetic both window adapters share, so that a layout looks the same on both builds.
namespace mirvo::layout {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;

// A rectangle in pixels of the client area.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Twips to pixels at this many dots per inch, rounded to the nearest pixel (halves away from
// zero). 15 twips are one pixel at 96 dpi.
int TwipsToPixels(int twips, int dpi);
float TwipsPerPixel(int dpi);

// The edges are rounded, not the sizes: neighbouring controls keep their spacing, and a control's
// size may differ by one pixel from its rounded twip size.
PixelRect ToPixels(const TwipRect& twips, int dpi);

// How a font style is drawn: SimSun (or the Song face that stands in for it) at this size, or the
// window's own font when points is zero.
struct FontSpec {
  double points = 0;
  bool bold = false;
  bool song = false;
};
FontSpec FontOf(FontStyle style);
// The character height in pixels of a font of this many points (what a negative font height
// asks for), rounded to the nearest pixel.
int FontPixelHeight(double points, int dpi);

// The controls that take the keyboard focus, in their TabIndex order: text boxes, check boxes and
// buttons that have a tab index. The first one holds the focus when the window opens.
std::vector<const ControlLayout*> KeyboardOrder(const WindowLayout& window);

// Where a label goes once its text is measured in its font, and how wide its characters are
// drawn, in percent of their own width.
struct LabelFit {
  PixelRect rect;
  int stretch = 100;
  friend bool operator==(const LabelFit&, const LabelFit&) = default;
};
inline constexpr int kNarrowestStretch = 50;  // narrower than half, Chinese text is unreadable

// The faces that stand in for SimSun are wider and have a taller line than SimSun, so a label may
// need more room than its rectangle. It grows equally up and down to the text's height, and to the
// right as far as the next of the `others` (the window's other shown controls) that shares its row,
// or the window's edge; text still too wide is drawn narrower instead of being cut.
LabelFit FitLabel(const PixelRect& label, int textWidth, int textHeight, int clientWidth,
                  std::span<const PixelRect> others);

// Whether a message box is owned by its window: only while the window is on the screen to see. A
// box raised while the window is hidden in the tray or minimized stands alone, on top, rather than
// belonging to a window nobody sees.
bool MessageBoxHasOwner(bool windowVisible, bool windowMinimized);

}  // namespace mirvo::layout
