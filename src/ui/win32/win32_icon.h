#pragma once

#include <windows.h>

namespace mirvo::win32 {

// The program's one picture as an icon handle: 40 × 40, 24-bit colour, no transparent pixel.
HICON CreateProgramIcon();

// The same picture drawn at `size` × `size` pixels with soft edges (32-bit colour with alpha), for
// a picture that grows with the window's dpi. Null when the system has no room for it.
HICON CreatePictureIcon(int size);

}  // namespace mirvo::win32
