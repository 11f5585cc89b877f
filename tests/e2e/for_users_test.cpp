// What a user meets first: the demo that scripts/run records without a display, and the
// install for one user.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "e2e/harness.h"
#include "platform/picture.h"

namespace oculon::e2e {
namespace {

const std::string kSource = OCULON_SOURCE_DIR;

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// How many pixels within `radius` of (cx, cy) are white.
int WhitePixelsAround(const Image& image, int cx, int cy, int radius) {
  int white = 0;
  for (int y = cy - radius; y <= cy + radius; ++y) {
    for (int x = cx - radius; x <= cx + radius; ++x) {
      if (std::hypot(x - cx, y - cy) <= radius && (image.Pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) {
        ++white;
      }
    }
  }
  return white;
}

TEST(Demo, WithoutADisplayScriptsRunRecordsTheHeadWithItsEyes) {
  std::string out = kSource + "/build/demo";
  std::filesystem::remove_all(out);
  Process run({kSource + "/scripts/run"}, {{"DISPLAY", ""}});
  ASSERT_EQ(run.WaitForExit(std::chrono::minutes(3)), 0);

  std::vector<unsigned char> gif = ReadBytes(out + "/eyes.gif");
  ASSERT_GE(gif.size(), 10u);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  EXPECT_EQ(gif[6] | gif[7] << 8, 360);  // the frame's width and height
  EXPECT_EQ(gif[8] | gif[9] << 8, 420);

  StdPicture sheet = StdPicture::FromPng(ReadBytes(out + "/contact-sheet.png"));
  ASSERT_NE(sheet.Handle(), 0u);
  EXPECT_EQ(sheet.image().width(), 3 * (360 + 8));
  EXPECT_EQ(sheet.image().height(), 2 * (420 + 8));
  // In each of the six frames both eyes are white discs with a pupil in them: a client pixel
  // (x, y) of the window lies at (x + 95, y + 49) in its frame, each frame 4 pixels in.
  for (int tile = 0; tile < 6; ++tile) {
    int left = (tile % 3) * 368 + 4 + 95, top = (tile / 3) * 428 + 4 + 49;
    for (auto [x, y] : {std::pair{58, 148}, {117, 150}}) {
      int white = WhitePixelsAround(sheet.image(), left + x, top + y, 17);
      EXPECT_GT(white, 600) << "tile " << tile << ", eye " << x;  // of 993, less the pupil's 149
      EXPECT_LT(white, 993 - 100) << "tile " << tile << ", eye " << x;
    }
  }
}

TEST(Install, ForOneUserThroughTheLinkAndUninstall) {
  Installed scratch;  // a folder of its own, removed afterwards
  std::string prefix = scratch.folder() + "/prefix";
  Process install({kSource + "/scripts/install"}, {{"PREFIX", prefix}});
  ASSERT_EQ(install.WaitForExit(std::chrono::minutes(3)), 0);
  for (const char* file :
       {"/bin/oculon", "/share/oculon/oculon", "/share/applications/oculon.desktop",
        "/share/icons/hicolor/32x32/apps/oculon.png"}) {
    EXPECT_TRUE(std::filesystem::exists(prefix + file)) << file;
  }

  Display display;
  Process program({prefix + "/bin/oculon"}, display.Environment());
  std::optional<xcb_window_t> window = display.FindWindow("Form1");
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitFor([&] {
    Point corner = display.WindowPosition(*window);
    return display.Pixel(corner.x + 52, corner.y + 148) == 0xFFFFFF;
  }));
  Point corner = display.WindowPosition(*window);
  display.DoubleClick(corner.x + 85, corner.y + 250);
  EXPECT_EQ(program.WaitForExit(), 0);
  std::string settings = prefix + "/share/oculon/oculon.ini";
  EXPECT_TRUE(std::filesystem::exists(settings));

  Process uninstall({kSource + "/scripts/uninstall"}, {{"PREFIX", prefix}});
  ASSERT_EQ(uninstall.WaitForExit(), 0);
  for (const char* file :
       {"/bin/oculon", "/share/oculon/oculon", "/share/applications/oculon.desktop",
        "/share/icons/hicolor/32x32/apps/oculon.png"}) {
    EXPECT_FALSE(std::filesystem::exists(prefix + file)) << file;
  }
  EXPECT_TRUE(std::filesystem::exists(settings));  // the user's saved position stays
}

}  // namespace
}  // namespace oculon::e2e
