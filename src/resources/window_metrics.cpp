#include "resources/window_metrics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mirvo::layout {
namespace {

// numerator / denominator rounded to the nearest integer, halves away from zero, as MulDiv does.
int RoundedQuotient(std::int64_t numerator, std::int64_t denominator) {
  const std::int64_t half = denominator / 2;
  const std::int64_t quotient =
      numerator >= 0 ? (numerator + half) / denominator : (numerator - half) / denominator;
  return static_cast<int>(quotient);
}

}  // namespace

int TwipsToPixels(int twips, int dpi) {
  return RoundedQuotient(static_cast<std::int64_t>(twips) * dpi, kTwipsPerInch);
}

float TwipsPerPixel(int dpi) { return static_cast<float>(kTwipsPerInch) / static_cast<float>(dpi); }

PixelRect ToPixels(const TwipRect& twips, int dpi) {
  const int left = TwipsToPixels(twips.left, dpi);
  const int top = TwipsToPixels(twips.top, dpi);
  return {left, top, TwipsToPixels(twips.left + twips.width, dpi) - left,
          TwipsToPixels(twips.top + twips.height, dpi) - top};
}

FontSpec FontOf(FontStyle style) {
  switch (style) {
    case FontStyle::Song:
      return {.points = 10.5, .bold = false, .song = true};
    case FontStyle::SongTitle:
      return {.points = 15.75, .bold = true, .song = true};
    case FontStyle::Default:
      break;
  }
  return {};
}

int FontPixelHeight(double points, int dpi) {
  return static_cast<int>(std::lround(points * dpi / kPointsPerInch));
}

std::vector<const ControlLayout*> KeyboardOrder(const WindowLayout& window) {
  std::vector<const ControlLayout*> order;
  for (const ControlLayout& control : window.controls) {
    const bool takesFocus = control.kind == ControlKind::TextBox ||
                            control.kind == ControlKind::CheckBox ||
                            control.kind == ControlKind::Button;
    if (takesFocus && control.tabIndex != kNoTabIndex) order.push_back(&control);
  }
  std::stable_sort(order.begin(), order.end(), [](const ControlLayout* a, const ControlLayout* b) {
    return a->tabIndex < b->tabIndex;
  });
  return order;
}

LabelFit FitLabel(const PixelRect& label, int textWidth, int textHeight, int clientWidth,
                  std::span<const PixelRect> others) {
  LabelFit fit{label};
  PixelRect& rect = fit.rect;
  if (textHeight > rect.height) {
    const int extra = textHeight - rect.height;
    rect.top -= extra / 2;
    rect.height = textHeight;
  }
  if (textWidth <= rect.width) return fit;
  int room = clientWidth - rect.left;
  for (const PixelRect& o : others) {
    if (o.left > rect.left && o.top < rect.top + rect.height && o.top + o.height > rect.top) {
      room = std::min(room, o.left - rect.left);
    }
  }
  rect.width = std::max(rect.width, std::min(textWidth, room));
  if (textWidth > rect.width) {
    fit.stretch = std::max(kNarrowestStretch, 100 * rect.width / textWidth);
  }
  return fit;
}

bool MessageBoxHasOwner(bool windowVisible, bool windowMinimized) {
  return windowVisible && !windowMinimized;
}

}  // namespace mirvo::layout
