#pragma once

#include <array>
#include <cstdint>

namespace mirvo::icon {

// The one picture of the program: the program file, the three windows, the console's Image1 and
// the tray all show it. 40 × 40 pixels, 24-bit colour, no transparent pixel.
inline constexpr int kIconSize = 40;

// Red, green, blue for every pixel, row by row from the top.
using IconPixels = std::array<std::uint8_t, kIconSize * kIconSize * 3>;

const IconPixels& IconRgb();

}  // namespace mirvo::icon
