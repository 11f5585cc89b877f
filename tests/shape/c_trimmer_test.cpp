// Cutting the window to its picture's outline, and the drag by any visible point.
#include "shape/c_trimmer.h"

#include <gtest/gtest.h>

#include "artwork_facts.h"
#include "desktop/headless/headless_desktop.h"
#include "eyes/oculon_fixture.h"
#include "runtime/regions.h"

namespace oculon {
namespace {

using testing::OculonTest;

int64_t Area(const std::vector<PixelRect>& rects) {
  int64_t area = 0;
  for (const PixelRect& rect : rects) area += rect.Area();
  return area;
}

std::vector<PixelRect> RowOf(const std::vector<PixelRect>& rects, int y) {
  std::vector<PixelRect> row;
  for (const PixelRect& r : rects) {
    if (r.top <= y && y < r.bottom) row.push_back({r.left, y, r.right, y + 1});
  }
  return row;
}

class Shaping : public OculonTest {};
class Drag : public OculonTest {};

TEST_F(Shaping, TheArtworkShapesTheWindowToItsOutline) {
  RegionCounts before = CountRegions();
  ResetRegionPeak();
  window().hWnd();  // loads: Form_Load trims
  const std::vector<PixelRect>& shape = desktop.window().shape;
  RegionCounts after = CountRegions();
  EXPECT_EQ(after.created - before.created, 1u + 320u);  // the empty start and one per run
  EXPECT_LE(after.peak - before.live, 2u);
  EXPECT_EQ(after.live, before.live);  // the window took the region over
  EXPECT_EQ(Area(shape), testing::artwork::kShapePixels);
  PixelRect bounds{};
  for (const PixelRect& r : shape) bounds = bounds.Union(r);
  EXPECT_EQ(bounds, (PixelRect{4, 3, 166, 321}));
  EXPECT_EQ(shape.front(), (PixelRect{98, 3, 105, 4}));
  EXPECT_EQ(shape.back(), (PixelRect{80, 320, 81, 321}));
  EXPECT_EQ(RowOf(shape, 298), (std::vector<PixelRect>{{52, 298, 53, 299}, {54, 298, 110, 299}}));
  EXPECT_EQ(RowOf(shape, 304), (std::vector<PixelRect>{{61, 304, 63, 305}, {65, 304, 99, 305}}));
  for (int y : {0, 1, 2, 321}) EXPECT_TRUE(RowOf(shape, y).empty());
  EXPECT_TRUE(desktop.InShape({testing::artwork::kLeftEyeX, testing::artwork::kLeftEyeY}));
  EXPECT_FALSE(desktop.InShape({0, 0}));
  EXPECT_EQ(window().ScaleMode(), 3);
  EXPECT_TRUE(window().AutoRedraw());
}

// A window with a made-up picture.
class PictureForm : public Form {
 public:
  PictureForm(int width, int height, std::optional<Image> picture, int32_t backColor = 0xE0E0E0)
      : Form(Definition(width, height, std::move(picture), backColor)) {}

  static FormDefinition Definition(int width, int height, std::optional<Image> picture,
                                   int32_t backColor) {
    FormDefinition definition;
    definition.widthTwips = width * 15;
    definition.heightTwips = height * 15;
    definition.backColor = backColor;
    definition.scaleMode = kScaleTwips;
    if (picture) definition.picture = StdPicture::FromImage(std::move(*picture));
    return definition;
  }
};

constexpr uint32_t kKey = 0xFF00012B;
constexpr uint32_t kInk = 0xFF808080;

TEST(TrimForm, WithoutAPictureNothingChanges) {
  HeadlessDesktop desktop;
  PictureForm form(10, 10, std::nullopt);
  size_t created = CountRegions().created;
  cTrimmer().TrimForm(form);
  EXPECT_FALSE(desktop.window().shaped);
  EXPECT_EQ(CountRegions().created, created);
  EXPECT_EQ(form.ScaleMode(), kScaleTwips);
  EXPECT_FALSE(form.AutoRedraw());
}

TEST(TrimForm, AllKeyColourGivesAnEmptyShape) {
  HeadlessDesktop desktop;
  PictureForm form(8, 4, Image(8, 4, kKey));
  cTrimmer().TrimForm(form);
  EXPECT_TRUE(desktop.window().shaped);
  EXPECT_TRUE(desktop.window().shape.empty());
  EXPECT_EQ(form.ScaleMode(), kScaleTwips);  // restored
  EXPECT_FALSE(form.AutoRedraw());
}

TEST(TrimForm, RunsEndAtKeyPixelsAndAtTheRightEdge) {
  HeadlessDesktop desktop;
  Image picture(8, 3, kKey);
  for (int x = 2; x < 8; ++x) picture.SetPixel(x, 1, kInk);
  picture.SetPixel(5, 1, kKey);  // splits the run
  picture.SetPixel(0, 2, kInk);  // a run starting at column 0
  PictureForm form(8, 3, picture);
  cTrimmer().TrimForm(form);
  EXPECT_EQ(desktop.window().shape,
            (std::vector<PixelRect>{{2, 1, 5, 2}, {6, 1, 8, 2}, {0, 2, 1, 3}}));
}

TEST(TrimForm, ClientLargerThanThePictureKeepsItsBackgroundStrip) {
  HeadlessDesktop desktop;
  PictureForm form(6, 3, Image(4, 2, kKey));
  cTrimmer().TrimForm(form);
  EXPECT_EQ(Area(desktop.window().shape), 6 * 3 - 4 * 2);
  PictureForm keyed(6, 3, Image(4, 2, kKey), 0x2B0100);  // background in the key colour
  cTrimmer().TrimForm(keyed);
  EXPECT_TRUE(desktop.window().shape.empty());
}

TEST(TrimForm, ClientSmallerThanThePictureScansOnlyTheClient) {
  HeadlessDesktop desktop;
  Image picture(10, 10, kKey);
  picture.SetPixel(8, 8, kInk);
  picture.SetPixel(1, 1, kInk);
  PictureForm form(4, 4, picture);
  cTrimmer().TrimForm(form);
  EXPECT_EQ(desktop.window().shape, (std::vector<PixelRect>{{1, 1, 2, 2}}));
}

TEST(TrimForm, ARefusedShapeIsReleasedAndTheWindowStaysRectangular) {
  HeadlessDesktop desktop;
  desktop.SetShapeRefused(true);
  size_t live = CountRegions().live;
  PictureForm form(4, 4, Image(4, 4, kInk));
  cTrimmer().TrimForm(form);
  EXPECT_FALSE(desktop.window().shaped);
  EXPECT_EQ(CountRegions().live, live);
}

TEST(Regions, StaleAndUnknownHandlesAreRefused) {
  HRGN region = CreateRectRgn(0, 0, 4, 4);
  HRGN other = CreateRectRgn(2, 2, 6, 6);
  EXPECT_EQ(CombineRgn(region, region, other, RGN_OR), kComplexRegion);
  EXPECT_EQ(CombineRgn(region, region, other, 1), kRegionError);
  EXPECT_TRUE(DeleteObject(other));
  EXPECT_FALSE(DeleteObject(other));
  EXPECT_EQ(CombineRgn(region, region, other, RGN_OR), kRegionError);
  EXPECT_FALSE(DeleteObject(0xDEADBEEF));
  HeadlessDesktop desktop;
  EXPECT_EQ(SetWindowRgn(1, region, true), 1);
  EXPECT_FALSE(DeleteObject(region));  // the window owns it now
  EXPECT_EQ(SetWindowRgn(1, region, true), 0);
}

TEST_F(Drag, LeftPressesAnywhereOnTheHeadStartAMoveOthersDoNot) {
  window().Show();
  desktop.MouseDown(kRightButton, 0, {80, 200});
  desktop.MouseDown(kMiddleButton, 0, {80, 200});
  EXPECT_EQ(desktop.moveRequests(), 0);
  desktop.MouseDown(kLeftButton, kShiftKey | kCtrlKey, {80, 200});
  EXPECT_EQ(desktop.moveRequests(), 1);
  EXPECT_EQ(desktop.captureReleases(), 1);
  desktop.MouseDown(kLeftButton, 0, {1, 1});  // cut away: the press never reaches the window
  EXPECT_EQ(desktop.moveRequests(), 1);
}

TEST_F(Drag, TheEyesFollowDuringADrag) {
  window().SetTop(0);
  window().SetLeft(0);
  window().Show();
  desktop.MouseDown(kLeftButton, 0, {80, 200});
  desktop.DragPointerTo({380, 600});
  desktop.AdvanceTime(70);
  EXPECT_EQ(window().mWinRect.left, 300);
  EXPECT_EQ(window().mWinRect.top, 400);
  EXPECT_EQ(window().Left(), 300 * 15);
}

}  // namespace
}  // namespace oculon
