// Shows what a user would see without a display: runs the program under its own Xvfb with
// openbox, moves the pointer around the head, and saves the frames with the pointer drawn in.
// The frames become an animated GIF and a contact sheet of six (made by ImageMagick). Last, a
// screenshot of the desktop in 16:9, as software centres show one (screenshot.png).
//
//   demo OUTPUT_FOLDER
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "artwork_facts.h"
#include "e2e/harness.h"

namespace oculon::demo {
namespace {

using namespace std::chrono_literals;
using e2e::Point;

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
// What each frame shows: the head and a margin around it for the pointer.
constexpr int kFrameWidth = 360;
constexpr int kFrameHeight = 420;
constexpr int kFrames = 48;
// The screenshot: the top of the screen.
constexpr int kShotWidth = 800;
constexpr int kShotHeight = 450;

// An arrow pointer, 12 x 19: '#' black, '.' white.
constexpr const char* kArrow[] = {
    "#",         "##",        "#.#",        "#..#",        "#...#",        "#....#",   "#.....#",
    "#......#",  "#.......#", "#........#", "#.........#", "#......#####", "#...#..#", "#..##..#",
    "#.#  #..#", "##   #..#", "#     #..#", "      #..#",  "       ##"};

void DrawPointer(std::vector<uint32_t>& frame, int width, int height, int x, int y) {
  for (int row = 0; row < int(std::size(kArrow)); ++row) {
    for (int column = 0; kArrow[row][column]; ++column) {
      char c = kArrow[row][column];
      int px = x + column, py = y + row;
      if (c == ' ' || px < 0 || py < 0 || px >= width || py >= height) continue;
      frame[size_t(py) * size_t(width) + size_t(px)] = c == '#' ? 0x000000 : 0xFFFFFF;
    }
  }
}

bool WritePng(const std::string& path, std::vector<uint32_t> pixels, int width, int height) {
  for (uint32_t& pixel : pixels) pixel |= 0xFF000000;  // opaque, 0xAARRGGBB = B, G, R, A in memory
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_BGRA;
  return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

int Run(const std::filesystem::path& output) {
  std::filesystem::create_directories(output / "frames");
  e2e::Display display(kScreenWidth, kScreenHeight);
  display.StartWindowManager();
  e2e::Installed installed;
  // A little below the top of the screen, so that the pointer can go round the head.
  constexpr int kTop = 60;
  constexpr int kLeft = (kScreenWidth - 170) / 2;
  FILE* settings = std::fopen(installed.settingsFile().c_str(), "w");
  if (!settings) return 1;
  std::fprintf(settings, "[Brask's Quibbet]\r\nTop=%d\r\nLeft=%d\r\n", kTop * 15, kLeft * 15);
  std::fclose(settings);
  e2e::Process program({installed.executable()}, display.Environment());
  std::optional<xcb_window_t> window = e2e::AwaitTheHead(display, 10s);
  if (!window) {
    std::fprintf(stderr, "demo: the program did not show its head\n");
    return 1;
  }
  Point corner = display.WindowPosition(*window);
  Point origin{corner.x + testing::artwork::kWidth / 2 - kFrameWidth / 2,
               corner.y - (kFrameHeight - testing::artwork::kHeight) / 2};
  Point centre{corner.x + 88, corner.y + 150};
  for (int i = 0; i < kFrames; ++i) {
    double angle = 2 * M_PI * i / kFrames;
    Point pointer{int(centre.x + 150 * std::cos(angle)), int(centre.y + 180 * std::sin(angle))};
    display.MovePointer(pointer.x, pointer.y);
    std::this_thread::sleep_for(150ms);  // two ticks: the eyes have turned
    std::vector<uint32_t> frame = display.Pixels(origin.x, origin.y, kFrameWidth, kFrameHeight);
    DrawPointer(frame, kFrameWidth, kFrameHeight, pointer.x - origin.x, pointer.y - origin.y);
    char name[32];
    std::snprintf(name, sizeof name, "frame-%02d.png", i);
    if (!WritePng((output / "frames" / name).string(), frame, kFrameWidth, kFrameHeight)) return 1;
  }
  Point pointer{centre.x + 190, centre.y + 40};  // right of the head, below its eyes
  display.MovePointer(pointer.x, pointer.y);
  std::this_thread::sleep_for(150ms);
  std::vector<uint32_t> shot = display.Pixels(0, 0, kShotWidth, kShotHeight);
  DrawPointer(shot, kShotWidth, kShotHeight, pointer.x, pointer.y);
  return WritePng((output / "screenshot.png").string(), shot, kShotWidth, kShotHeight) ? 0 : 1;
}

}  // namespace
}  // namespace oculon::demo

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: demo OUTPUT_FOLDER\n");
    return 2;
  }
  return oculon::demo::Run(argv[1]);
}
