#include "ui/win32/win32_icon.h"

#include <cstdint>
#include <vector>

#include "resources/icon.h"

namespace mirvo::win32 {
namespace {

// A device-independent bitmap of size × size pixels, rows from the top; nullptr when the system
// gives none.
HBITMAP CreateTopDownBitmap(int size, WORD bitsPerPixel, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitsPerPixel;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// The icon made of the colour bitmap and the monochrome AND mask (one bit a pixel, rows padded to
// two bytes, set where the pixel is transparent). Both bitmaps are released.
HICON IconOf(HBITMAP color, int size, const std::vector<unsigned char>& maskBits) {
  HBITMAP mask = CreateBitmap(size, size, 1, 1, maskBits.data());
  ICONINFO iconInfo{};
  iconInfo.fIcon = TRUE;
  iconInfo.hbmMask = mask;
  iconInfo.hbmColor = color;
  HICON icon = CreateIconIndirect(&iconInfo);
  DeleteObject(mask);
  DeleteObject(color);
  return icon;
}

int MaskStride(int size) { return ((size + 15) / 16) * 2; }

}  // namespace

HICON CreateProgramIcon() {
  constexpr int size = icon::kIconSize;
  const icon::IconPixels& rgb = icon::IconRgb();
  void* bits = nullptr;
  HBITMAP color = CreateTopDownBitmap(size, 24, &bits);
  if (color == nullptr) return LoadIconW(nullptr, IDI_APPLICATION);

  const int stride = (size * 3 + 3) & ~3;  // DIB rows are padded to four bytes
  auto* out = static_cast<unsigned char*>(bits);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t from = static_cast<std::size_t>((y * size + x) * 3);
      unsigned char* to = out + y * stride + x * 3;
      to[0] = rgb[from + 2];  // DIBs hold blue, green, red
      to[1] = rgb[from + 1];
      to[2] = rgb[from];
    }
  }
  // An all-zero AND mask: every pixel opaque.
  HICON icon =
      IconOf(color, size,
             std::vector<unsigned char>(static_cast<std::size_t>(MaskStride(size) * size), 0));
  return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

HICON CreatePictureIcon(int size) {
  const std::vector<std::uint8_t> rgba = icon::IconRgbaAt(size);
  void* bits = nullptr;
  HBITMAP color = CreateTopDownBitmap(size, 32, &bits);
  if (color == nullptr) return nullptr;

  // Icons take straight (not premultiplied) alpha in blue, green, red, alpha order. The AND mask
  // marks the transparent corners for systems that draw without the alpha channel.
  const int maskStride = MaskStride(size);
  std::vector<unsigned char> maskBits(static_cast<std::size_t>(maskStride * size), 0);
  auto* out = static_cast<unsigned char*>(bits);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * size + x) * 4;
      out[at] = rgba[at + 2];
      out[at + 1] = rgba[at + 1];
      out[at + 2] = rgba[at];
      out[at + 3] = rgba[at + 3];
      if (rgba[at + 3] < 128) {
        maskBits[static_cast<std::size_t>(y * maskStride + x / 8)] |=
            static_cast<unsigned char>(0x80 >> (x % 8));
      }
    }
  }
  return IconOf(color, size, maskBits);
}

}  // namespace mirvo::win32
