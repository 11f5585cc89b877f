// The artwork and the icon: the figures the shape, the eyes and the window rely on.
#include "eyes/artwork.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "artwork_facts.h"

namespace oculon {
namespace {

constexpr uint32_t kKey = 0xFF00012B;  // RGB (0, 1, 43)

struct PixelRun {
  int left, top, right, bottom;
  bool operator==(const PixelRun&) const = default;
};

std::vector<PixelRun> RunsOf(const Image& image) {
  std::vector<PixelRun> runs;
  for (int y = 0; y < image.height(); ++y) {
    int start = -1;
    for (int x = 0; x <= image.width(); ++x) {
      bool inside = x < image.width() && image.Pixel(x, y) != kKey;
      if (inside && start < 0) start = x;
      if (!inside && start >= 0) {
        runs.push_back({start, y, x, y + 1});
        start = -1;
      }
    }
  }
  return runs;
}

TEST(Artwork, HeadHasTheFiguresTheShapeReliesOn) {
  StdPicture head = HeadPicture();
  ASSERT_NE(head.Handle(), 0u);
  const Image& image = head.image();
  ASSERT_EQ(image.width(), 170);
  ASSERT_EQ(image.height(), 322);
  for (auto [x, y] : {std::pair{0, 0}, {169, 0}, {0, 321}, {169, 321}}) {
    EXPECT_EQ(image.Pixel(x, y), kKey);
  }
  std::vector<PixelRun> runs = RunsOf(image);
  ASSERT_EQ(runs.size(), 320u);
  EXPECT_EQ(runs.front(), (PixelRun{98, 3, 105, 4}));
  EXPECT_EQ(runs.back(), (PixelRun{80, 320, 81, 321}));
  int pixels = 0;
  int nearKey = 0;
  PixelRect bounds{};
  std::vector<int> runsPerRow(322, 0);
  for (const PixelRun& run : runs) {
    pixels += run.right - run.left;
    bounds = bounds.Union({run.left, run.top, run.right, run.bottom});
    ++runsPerRow[size_t(run.top)];
    for (int x = run.left; x < run.right; ++x) {
      uint32_t c = image.Pixel(x, run.top);
      int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
      if (std::abs(r - 0) <= 8 && std::abs(g - 1) <= 8 && std::abs(b - 43) <= 8) ++nearKey;
    }
  }
  EXPECT_EQ(pixels, testing::artwork::kShapePixels);
  EXPECT_EQ(bounds, (PixelRect{4, 3, 166, 321}));
  EXPECT_EQ(nearKey, 64);
  for (int y = 3; y <= 320; ++y) EXPECT_EQ(runsPerRow[size_t(y)], y == 298 || y == 304 ? 2 : 1);
  EXPECT_EQ(std::count(runs.begin(), runs.end(), PixelRun{52, 298, 53, 299}), 1);
  EXPECT_EQ(std::count(runs.begin(), runs.end(), PixelRun{54, 298, 110, 299}), 1);
  EXPECT_EQ(std::count(runs.begin(), runs.end(), PixelRun{61, 304, 63, 305}), 1);
  EXPECT_EQ(std::count(runs.begin(), runs.end(), PixelRun{65, 304, 99, 305}), 1);
}

TEST(Artwork, EyesAreLightWithinTheirWhitesAndRingedDark) {
  const Image image = HeadPicture().image();
  namespace artwork = testing::artwork;
  for (auto [cx, cy, reach] : {std::tuple{artwork::kLeftEyeX, artwork::kLeftEyeY, 49},
                               {artwork::kRightEyeX, artwork::kRightEyeY, 38}}) {
    for (int y = cy - reach; y <= cy + reach; ++y) {
      for (int x = cx - reach; x <= cx + reach; ++x) {
        if (std::hypot(x - cx, y - cy) <= reach) {
          ASSERT_NE(image.Pixel(x, y), kKey) << x << "," << y;
        }
      }
    }
    auto brightness = [&](int x, int y) {
      uint32_t c = image.Pixel(x, y);
      return int(c >> 16 & 0xFF) + int(c >> 8 & 0xFF) + int(c & 0xFF);
    };
    EXPECT_GT(brightness(cx + 16, cy), 3 * 170);
    EXPECT_GT(brightness(cx, cy - 16), 3 * 170);
    EXPECT_LT(brightness(cx + 19, cy), 3 * 90);
    EXPECT_LT(brightness(cx, cy + 19), 3 * 90);
  }
}

TEST(Artwork, IconIsSmallAndUsesFewColours) {
  StdPicture icon = IconPicture();
  ASSERT_NE(icon.Handle(), 0u);
  EXPECT_EQ(icon.image().width(), 32);
  EXPECT_EQ(icon.image().height(), 32);
  std::set<uint32_t> colours(icon.image().pixels().begin(), icon.image().pixels().end());
  EXPECT_LE(colours.size(), 16u);
  EXPECT_EQ(icon.image().Pixel(0, 0) >> 24, 0u);  // transparent around the head
  EXPECT_EQ(icon.image().Pixel(16, 16) >> 24, 0xFFu);
}

}  // namespace
}  // namespace oculon
