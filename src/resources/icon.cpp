#include "resources/icon.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace mirvo::icon {
namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

constexpr Rgb kCorner{236, 236, 236};  // behind the rounded corners: opaque, never transparent
constexpr Rgb kTopBlue{38, 110, 196};
constexpr Rgb kBottomBlue{18, 58, 124};
constexpr Rgb kPushArrow{255, 255, 255};
constexpr Rgb kPullArrow{255, 178, 40};
constexpr Rgb kRim{12, 40, 90};

// A horizontal arrow: a shaft from shaftFrom to the head's base, and a triangular head whose tip
// is at tipX. Direction follows from where the tip lies.
bool OnArrow(double x, double y, double centreY, double shaftFrom, double headBase, double tipX) {
  const double halfShaft = 2.0;
  const double halfHead = 6.5;
  const double lo = std::min(shaftFrom, headBase), hi = std::max(shaftFrom, headBase);
  if (x >= lo && x <= hi && std::abs(y - centreY) <= halfShaft) return true;
  const double headLength = std::abs(tipX - headBase);
  const double along = (tipX - x) / (tipX - headBase);  // 1 at the base, 0 at the tip
  if (along < 0 || along > 1) return false;
  return std::abs(y - centreY) <= halfHead * along && headLength > 0;
}

bool InsideRoundedSquare(double x, double y, double size, double radius) {
  const double cx = std::clamp(x, radius, size - radius);
  const double cy = std::clamp(y, radius, size - radius);
  return std::hypot(x - cx, y - cy) <= radius;
}

Rgb Blend(Rgb a, Rgb b, double t) {
  auto mix = [t](std::uint8_t p, std::uint8_t q) {
    return static_cast<std::uint8_t>(std::lround(p + (q - p) * t));
  };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

// The colour at a point of the picture, in units of the 40-pixel grid; nothing outside the
// rounded square.
std::optional<Rgb> ColourAt(double x, double y) {
  const double size = kIconSize;
  if (!InsideRoundedSquare(x, y, size, 7.0)) return std::nullopt;
  if (!InsideRoundedSquare(x - 1.0, y - 1.0, size - 2.0, 6.0)) return kRim;
  // Two arrows for the two directions of a transfer: push to the right, pull to the left.
  if (OnArrow(x, y, 14.0, 8.0, 24.0, 33.0)) return kPushArrow;
  if (OnArrow(x, y, 26.0, 32.0, 16.0, 7.0)) return kPullArrow;
  return Blend(kTopBlue, kBottomBlue, y / size);
}

Rgb PixelAt(int px, int py) { return ColourAt(px + 0.5, py + 0.5).value_or(kCorner); }

IconPixels Draw() {
  IconPixels pixels{};
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const Rgb colour = PixelAt(x, y);
      const std::size_t at = static_cast<std::size_t>((y * kIconSize + x) * 3);
      pixels[at] = colour.r;
      pixels[at + 1] = colour.g;
      pixels[at + 2] = colour.b;
    }
  }
  return pixels;
}

}  // namespace

const IconPixels& IconRgb() {
  static const IconPixels pixels = Draw();
  return pixels;
}

std::vector<std::uint8_t> IconRgbaAt(int size) {
  constexpr int kSamples = 8;  // per side: 64 samples a pixel
  const double unit = static_cast<double>(kIconSize) / size;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4, 0);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      int r = 0, g = 0, b = 0, inside = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const auto colour =
              ColourAt((x + (sx + 0.5) / kSamples) * unit, (y + (sy + 0.5) / kSamples) * unit);
          if (!colour) continue;
          r += colour->r;
          g += colour->g;
          b += colour->b;
          ++inside;
        }
      }
      if (inside == 0) continue;
      const std::size_t at = (static_cast<std::size_t>(y) * size + x) * 4;
      pixels[at] = static_cast<std::uint8_t>((r + inside / 2) / inside);
      pixels[at + 1] = static_cast<std::uint8_t>((g + inside / 2) / inside);
      pixels[at + 2] = static_cast<std::uint8_t>((b + inside / 2) / inside);
      pixels[at + 3] = static_cast<std::uint8_t>((inside * 255 + kSamples * kSamples / 2) /
                                                 (kSamples * kSamples));
    }
  }
  return pixels;
}

}  // namespace mirvo::icon
