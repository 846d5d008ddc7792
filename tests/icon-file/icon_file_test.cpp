#include "icon_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "resources/icon.h"

namespace mirvo::icon {
namespace {

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(IconFile, CommittedIconIsTheProgramsPicture) {
  // Regenerate with: build/linux/tools/icon-file/make_ico src/resources/mirvo.ico
  EXPECT_EQ(ReadFile(COMMITTED_ICON), IconFileBytes());
}

TEST(IconFile, HasOneOpaque24BitImageOf40Pixels) {
  std::string bytes = IconFileBytes();
  ASSERT_EQ(bytes.size(), 6u + 16u + 40u + 40u * 120u + 40u * 8u);
  EXPECT_EQ(bytes.substr(0, 6), std::string("\0\0\1\0\1\0", 6));
  EXPECT_EQ(static_cast<unsigned char>(bytes[6]), 40);
  EXPECT_EQ(static_cast<unsigned char>(bytes[12]), 24);
  const std::string mask = bytes.substr(bytes.size() - 320);
  EXPECT_EQ(mask, std::string(320, '\0'));
  // Rows are stored bottom-up, each pixel as blue, green, red.
  const IconPixels& rgb = IconRgb();
  const std::size_t firstRow = 6 + 16 + 40;
  const std::size_t lastPixelOfPicture = (39 * 40 + 0) * 3;  // bottom row, first pixel
  EXPECT_EQ(static_cast<unsigned char>(bytes[firstRow]), rgb[lastPixelOfPicture + 2]);
  EXPECT_EQ(static_cast<unsigned char>(bytes[firstRow + 2]), rgb[lastPixelOfPicture]);
}

}  // namespace
}  // namespace mirvo::icon
