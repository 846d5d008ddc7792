#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace mirvo::icon {

// The one picture of the program: the program file, the three windows, the console's Image1 and
// the tray all show it. 40 × 40 pixels, 24-bit colour, no transparent pixel.
inline constexpr int kIconSize = 40;

// Red, green, blue for every pixel, row by row from the top.
using IconPixels = std::array<std::uint8_t, kIconSize * kIconSize * 3>;

const IconPixels& IconRgb();

// The same picture drawn at `size` × `size` pixels: its shapes are geometric, so they are drawn at
// that size rather than the 40 pixels stretched, and each pixel averages 8 × 8 samples so that
// edges stay smooth. Red, green, blue, alpha for every pixel, row by row from the top; the corners
// outside the rounded square are transparent, so that the picture sits on any background.
std::vector<std::uint8_t> IconRgbaAt(int size);

}  // namespace mirvo::icon
