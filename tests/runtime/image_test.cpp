// Images and the Circle pixel rule, checked pixel by pixel.
#include "runtime/image.h"

#include <gtest/gtest.h>

#include <cmath>

#include "artwork_facts.h"

namespace oculon {
namespace {

constexpr uint32_t kBack = 0xFF102030;
constexpr uint32_t kLine = 0xFF000000;
constexpr uint32_t kFill = 0xFFFFFFFF;

int Count(const Image& image, uint32_t argb) {
  return static_cast<int>(std::count(image.pixels().begin(), image.pixels().end(), argb));
}

TEST(Circle, EyeWhiteCoversEveryPixelWithinItsRadius) {
  Image image(170, 322, kBack);
  image.Circle(testing::artwork::kLeftEyeX, testing::artwork::kLeftEyeY,
               float(testing::artwork::kEyeWhiteRadius), kFill, kFill);
  for (int y = 120; y < 180; ++y) {
    for (int x = 30; x < 90; ++x) {
      bool inside = std::hypot(x - 58.0, y - 148.0) <= double{17.8f};
      EXPECT_EQ(image.Pixel(x, y) == kFill, inside) << x << "," << y;
    }
  }
  EXPECT_EQ(image.Pixel(58 + 17, 148), kFill);
  EXPECT_EQ(image.Pixel(58 + 18, 148), kBack);
}

TEST(Circle, OutlineIsOnePixelAroundTheFill) {
  Image image(40, 40, kBack);
  PixelRect painted = image.Circle(20, 20, 7, kLine, kFill);
  EXPECT_EQ(painted, (PixelRect{13, 13, 28, 28}));
  EXPECT_EQ(image.Pixel(13, 20), kLine);  // exactly on the radius: inside, on the outline
  EXPECT_EQ(image.Pixel(14, 20), kFill);
  EXPECT_EQ(image.Pixel(20, 13), kLine);
  EXPECT_EQ(image.Pixel(20, 20), kFill);
  // The disc is symmetric and every outline pixel touches the outside.
  for (int y = 1; y < 39; ++y) {
    for (int x = 1; x < 39; ++x) {
      EXPECT_EQ(image.Pixel(x, y), image.Pixel(40 - x, y)) << x << "," << y;
      if (image.Pixel(x, y) == kLine) {
        bool touchesOutside = image.Pixel(x - 1, y) == kBack || image.Pixel(x + 1, y) == kBack ||
                              image.Pixel(x, y - 1) == kBack || image.Pixel(x, y + 1) == kBack;
        EXPECT_TRUE(touchesOutside) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(Count(image, kLine) + Count(image, kFill), 149);  // integer points within radius 7
}

TEST(Circle, FractionalCentreShiftsThePixels) {
  Image image(170, 322, kBack);
  image.Circle(67.23077f, 144.15384f, 7, kLine, kLine);
  EXPECT_EQ(image.Pixel(67, 144), kLine);
  EXPECT_EQ(image.Pixel(74, 144), kLine);  // 6.77 from the centre
  EXPECT_EQ(image.Pixel(60, 144), kBack);  // 7.23 from the centre
}

TEST(Circle, WithoutFillOnlyTheOutlineIsDrawn) {
  Image image(40, 40, kBack);
  image.Circle(20, 20, 7, kLine, std::nullopt);
  EXPECT_EQ(image.Pixel(20, 20), kBack);
  EXPECT_EQ(image.Pixel(13, 20), kLine);
}

TEST(Circle, IsClippedToTheImage) {
  Image image(20, 20, kBack);
  EXPECT_EQ(image.Circle(0, 0, 5, kLine, kFill), (PixelRect{0, 0, 6, 6}));
  EXPECT_EQ(image.Circle(300, 300, 17.8f, kLine, kFill), (PixelRect{}));
  EXPECT_EQ(image.Circle(-1e9, 5, 3, kLine, kFill), (PixelRect{}));
  EXPECT_EQ(image.Circle(NAN, 5, 3, kLine, kFill), (PixelRect{}));
}

// Every pixel against the rule itself: in the disc when within the radius, outline when a
// 4-neighbour is not, for circles partly or wholly off the image, tiny, huge and far away.
TEST(Circle, EveryPixelFollowsTheRuleWhereverTheCircleLies) {
  struct Case {
    double cx, cy, radius;
  };
  const Case cases[] = {{12.5, 9.25, 4.4}, {-3.7, 6.1, 5},  {24.2, -2.6, 6.9}, {10, 10, 0},
                        {10.5, 10.5, 0.5}, {11, 8, 1},      {7.3, 3.3, 40},    {1e20, 5, 3},
                        {-1e20, 5, 1e21},  {5, 1e20, 1e20}, {12, 8, 1e12},     {30.9, 17.2, 7.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.cx << "," << c.cy << " r " << c.radius);
    auto inDisc = [&](int x, int y) {
      return (x - c.cx) * (x - c.cx) + (y - c.cy) * (y - c.cy) <= c.radius * c.radius;
    };
    Image image(25, 18, kBack);
    image.Circle(c.cx, c.cy, c.radius, kLine, kFill);
    for (int y = 0; y < 18; ++y) {
      for (int x = 0; x < 25; ++x) {
        uint32_t expected = kBack;
        if (inDisc(x, y)) {
          bool inside =
              inDisc(x - 1, y) && inDisc(x + 1, y) && inDisc(x, y - 1) && inDisc(x, y + 1);
          expected = inside ? kFill : kLine;
        }
        ASSERT_EQ(image.Pixel(x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST(Image, DifferingAreaFindsTheChangedPixels) {
  Image a(30, 30, kBack);
  Image b = a;
  EXPECT_TRUE(a.DifferingArea(b, a.Bounds()).IsEmpty());
  b.SetPixel(3, 4, kFill);
  b.SetPixel(10, 20, kFill);
  EXPECT_EQ(a.DifferingArea(b, a.Bounds()), (PixelRect{3, 4, 11, 21}));
  EXPECT_EQ(a.DifferingArea(b, {0, 0, 5, 5}), (PixelRect{3, 4, 4, 5}));
}

TEST(Colors, ConvertBetweenBgrAndArgb) {
  EXPECT_EQ(ArgbFromColor(0x2B0100), 0xFF00012Bu);
  EXPECT_EQ(ColorFromArgb(0xFF00012B), 0x2B0100);
  EXPECT_EQ(ColorFromArgb(ArgbFromColor(0xFFFFC0)), 0xFFFFC0);
}

}  // namespace
}  // namespace oculon
