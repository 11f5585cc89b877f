// What a user meets first: the demo that scripts/run records without a display (its frames;
// scripts/run turns them into a GIF), and the install for one user.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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

TEST(Demo, RecordsTheHeadWithItsEyesInEveryFrame) {
  Installed scratch;  // a folder of its own, removed afterwards
  std::string out = scratch.folder() + "/demo";
  Process demo({OCULON_DEMO_EXECUTABLE, out}, {{"DISPLAY", ""}});
  ASSERT_EQ(demo.WaitForExit(std::chrono::minutes(2)), 0);
  // 48 frames of 360 x 420; a client pixel (x, y) of the window lies at (x + 95, y + 49).
  for (int index = 0; index < 48; index += 8) {
    char name[32];
    std::snprintf(name, sizeof name, "/frames/frame-%02d.png", index);
    StdPicture frame = StdPicture::FromPng(ReadBytes(out + name));
    ASSERT_NE(frame.Handle(), 0u) << name;
    EXPECT_EQ(frame.image().width(), 360);
    EXPECT_EQ(frame.image().height(), 420);
    // Both eyes are white discs with a pupil in them.
    for (auto [x, y] : {std::pair{58, 148}, {117, 150}}) {
      int white = WhitePixelsAround(frame.image(), 95 + x, 49 + y, 17);
      EXPECT_GT(white, 600) << name << ", eye " << x;  // of 993, less the pupil's 149
      EXPECT_LT(white, 993 - 100) << name << ", eye " << x;
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
