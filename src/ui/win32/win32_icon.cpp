#include "ui/win32/win32_icon.h"

#include <cstdint>
#include <vector>

#include "resources/icon.h"

namespace mirvo::win32 {

HICON CreateProgramIcon() {
  constexpr int size = icon::kIconSize;
  const icon::IconPixels& rgb = icon::IconRgb();

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
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
  std::vector<unsigned char> maskBits(static_cast<std::size_t>(((size + 15) / 16) * 2 * size), 0);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, maskBits.data());

  ICONINFO iconInfo{};
  iconInfo.fIcon = TRUE;
  iconInfo.hbmMask = mask;
  iconInfo.hbmColor = color;
  HICON icon = CreateIconIndirect(&iconInfo);
  DeleteObject(mask);
  DeleteObject(color);
  return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

HICON CreatePictureIcon(int size) {
  const std::vector<std::uint8_t> rgba = icon::IconRgbaAt(size);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (color == nullptr) return nullptr;

  // Icons take straight (not premultiplied) alpha in blue, green, red, alpha order. The AND mask
  // marks the transparent corners for systems that draw without the alpha channel.
  const int maskStride = ((size + 15) / 16) * 2;  // monochrome rows are padded to two bytes
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

}  // namespace mirvo::win32
