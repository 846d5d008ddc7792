#pragma once

#include <windows.h>

namespace mirvo::win32 {

// The program's one picture as an icon handle: 40 × 40, 24-bit colour, no transparent pixel.
HICON CreateProgramIcon();

}  // namespace mirvo::win32
