#include "icon_file.h"

#include <cstdint>

#include "resources/icon.h"

namespace mirvo::icon {
namespace {

void Put16(std::string& out, std::uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

}  // namespace

std::string IconFileBytes() {
  constexpr std::uint32_t size = kIconSize;
  constexpr std::uint32_t colorRow = (size * 3 + 3) & ~3u;   // rows padded to 4 bytes
  constexpr std::uint32_t maskRow = ((size + 31) / 32) * 4;  // 1 bit a pixel, padded
  constexpr std::uint32_t imageBytes = 40 + colorRow * size + maskRow * size;

  std::string out;
  Put16(out, 0);  // icon directory: reserved, type 1 (icon), one image
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(static_cast<char>(size));  // directory entry
  out.push_back(static_cast<char>(size));
  out.push_back(0);  // no palette
  out.push_back(0);
  Put16(out, 1);   // planes
  Put16(out, 24);  // bits per pixel
  Put32(out, imageBytes);
  Put32(out, 6 + 16);  // the image follows the directory

  Put32(out, 40);  // BITMAPINFOHEADER; the height counts the colour rows and the mask rows
  Put32(out, size);
  Put32(out, size * 2);
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // BI_RGB
  Put32(out, colorRow * size + maskRow * size);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);

  const IconPixels& rgb = IconRgb();
  for (std::uint32_t row = 0; row < size; ++row) {
    const std::uint32_t y = size - 1 - row;  // bottom-up
    for (std::uint32_t x = 0; x < size; ++x) {
      const std::size_t from = (y * size + x) * 3;
      out.push_back(static_cast<char>(rgb[from + 2]));
      out.push_back(static_cast<char>(rgb[from + 1]));
      out.push_back(static_cast<char>(rgb[from]));
    }
    out.append(colorRow - size * 3, '\0');
  }
  out.append(maskRow * size, '\0');  // every pixel opaque
  return out;
}

}  // namespace mirvo::icon
