// Rows of 0xAARRGGBB pixels in the pixel formats X servers use.
#include "desktop/x11/pixel_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace oculon::x11 {
namespace {

std::vector<uint8_t> Convert(const PixelFormat& format, std::vector<uint32_t> row,
                             std::vector<uint8_t> opaque = {}) {
  PixelConverter converter(format);
  std::vector<uint8_t> out(converter.RowBytes(row.size()), 0xEE);
  EXPECT_EQ(converter.ConvertRow(row, out.data(), opaque), out.data() + out.size());
  return out;
}

constexpr PixelFormat kDepth16{
    .bitsPerPixel = 16, .redMask = 0xF800, .greenMask = 0x07E0, .blueMask = 0x001F};
constexpr PixelFormat kDepth30{
    .redMask = 0x3FF00000, .greenMask = 0x000FFC00, .blueMask = 0x000003FF};

TEST(PixelConverter, TwentyFourBitsInThisMachinesOrderAreCopiedAsTheyAre) {
  EXPECT_EQ(Convert({}, {0xFF123456, 0x00ABCDEF}),
            (std::vector<uint8_t>{0x56, 0x34, 0x12, 0xFF, 0xEF, 0xCD, 0xAB, 0x00}));
}

TEST(PixelConverter, WithAlphaOnlyTheShapesPixelsAreOpaque) {
  EXPECT_EQ(Convert({.alphaMask = 0xFF000000}, {0xFF123456, 0xFFABCDEF}, {1, 0}),
            (std::vector<uint8_t>{0x56, 0x34, 0x12, 0xFF, 0xEF, 0xCD, 0xAB, 0x00}));
  EXPECT_EQ(Convert({.mostSignificantByteFirst = true, .alphaMask = 0xFF000000},
                    {0xFF123456, 0xFFABCDEF}, {0, 1}),
            (std::vector<uint8_t>{0x00, 0x12, 0x34, 0x56, 0xFF, 0xAB, 0xCD, 0xEF}));
}

TEST(PixelConverter, SixteenBitsRoundEachChannelToNearestAndKeepWhiteAndBlack) {
  // 0x80 is 16.06 of 31 and 32.13 of 63; 0x2B (blue 43) is 5.23 of 31.
  EXPECT_EQ(Convert(kDepth16, {0xFFFFFF, 0x000000, 0x808080, 0x00012B}),
            (std::vector<uint8_t>{0xFF, 0xFF, 0x00, 0x00, 0x10, 0x84, 0x05, 0x00}));
  // Rows are padded to 32 bits.
  EXPECT_EQ(Convert(kDepth16, {0xFFFFFF}), (std::vector<uint8_t>{0xFF, 0xFF, 0x00, 0x00}));
}

TEST(PixelConverter, ThirtyBitsSpreadEightBitsOverTen) {
  // 255 → 1023 for every channel; 1 → 4 (1023 / 255 = 4.01).
  EXPECT_EQ(Convert(kDepth30, {0xFFFFFF, 0x010101}),
            (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x3F, 0x04, 0x10, 0x40, 0x00}));
}

TEST(PixelConverter, MostSignificantByteFirstAndSwappedChannels) {
  PixelFormat bgr{.mostSignificantByteFirst = true,
                  .redMask = 0x0000FF,
                  .greenMask = 0x00FF00,
                  .blueMask = 0xFF0000};
  EXPECT_EQ(Convert(bgr, {0x123456}), (std::vector<uint8_t>{0x00, 0x56, 0x34, 0x12}));
  PixelFormat big16 = kDepth16;
  big16.mostSignificantByteFirst = true;
  EXPECT_EQ(Convert(big16, {0xFF0000, 0x0000FF}), (std::vector<uint8_t>{0xF8, 0x00, 0x00, 0x1F}));
}

TEST(PixelConverter, ThreeThreeTwoAndTwentyFourBitsAPixel) {
  PixelFormat depth8{.bitsPerPixel = 8, .redMask = 0x07, .greenMask = 0x38, .blueMask = 0xC0};
  EXPECT_EQ(Convert(depth8, {0xFFFFFF, 0xFF0000, 0x0000FF, 0x000000, 0x00FF00}),
            (std::vector<uint8_t>{0xFF, 0x07, 0xC0, 0x00, 0x38, 0x00, 0x00, 0x00}));
  PixelFormat packed24{.bitsPerPixel = 24};
  EXPECT_EQ(Convert(packed24, {0x123456, 0xABCDEF}),
            (std::vector<uint8_t>{0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x00, 0x00}));
}

}  // namespace
}  // namespace oculon::x11
