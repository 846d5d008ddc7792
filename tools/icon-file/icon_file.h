#pragma once

#include <string>

namespace mirvo::icon {

// The program's picture as the bytes of a .ico file: one 40 × 40 image in 24-bit colour with an
// all-opaque mask. The Windows build's resource script embeds src/resources/mirvo.ico, which
// `make_ico` writes from these bytes (a test keeps the two equal).
std::string IconFileBytes();

}  // namespace mirvo::icon
