// Runs the program for a long while under Xvfb with openbox, the pointer moving all the time
// and the window dragged now and then, and watches what it holds: its resident memory and its
// resources in the X server. Exits 1 when either grew after the first minute.
//
//   soak [--minutes N]
#include <xcb/res.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

#include "bench/probes.h"
#include "e2e/harness.h"

namespace oculon::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How many resources (windows, pixmaps, graphics contexts …) the client owning `window` holds.
long XResources(e2e::Display& display, xcb_window_t window) {
  auto* reply = xcb_res_query_client_resources_reply(
      display.connection(), xcb_res_query_client_resources(display.connection(), window), nullptr);
  if (!reply) return -1;
  long total = 0;
  xcb_res_type_iterator_t types = xcb_res_query_client_resources_types_iterator(reply);
  for (; types.rem; xcb_res_type_next(&types)) total += types.data->count;
  free(reply);
  return total;
}

struct Sample {
  double minute;
  long rssKiB;
  long resources;
};

}  // namespace
}  // namespace oculon::bench

int main(int argc, char** argv) {
  using namespace oculon::bench;
  using oculon::e2e::Point;
  double minutes = argc > 2 && std::string(argv[1]) == "--minutes" ? std::stod(argv[2]) : 10;
  oculon::e2e::Display display(1280, 800);
  display.StartWindowManager();
  Copy copy(OCULON_EXECUTABLE);
  oculon::e2e::Process program({copy.path}, display.Environment());
  std::optional<xcb_window_t> window = oculon::e2e::AwaitTheHead(display, 10s);
  if (!window) {
    std::fprintf(stderr, "soak: the program did not show its head\n");
    return 1;
  }

  std::vector<Sample> samples;
  auto start = Clock::now();
  auto nextSample = start;
  auto nextDrag = start + 45s;
  std::printf("minute   VmRSS (KiB)   X resources\n");
  for (int step = 0; program.Running(); ++step) {
    auto now = Clock::now();
    double minute = std::chrono::duration<double>(now - start).count() / 60;
    if (minute >= minutes) break;
    if (now >= nextSample) {
      samples.push_back({minute, StatusKiB(program.pid(), "VmRSS:"), XResources(display, *window)});
      std::printf("%6.1f   %11ld   %11ld\n", minute, samples.back().rssKiB,
                  samples.back().resources);
      std::fflush(stdout);
      nextSample += 30s;
    }
    if (now >= nextDrag) {
      Point corner = display.WindowPosition(*window);
      Point grip{corner.x + 85, corner.y + 250};
      int dx = (step % 2 ? 1 : -1) * 80;
      display.Drag(grip, {grip.x + dx, grip.y + 20});
      nextDrag += 45s;
    }
    double angle = step * 0.03;
    display.MovePointer(int(640 + 500 * std::cos(angle)), int(400 + 350 * std::sin(angle)));
    std::this_thread::sleep_for(20ms);
  }
  if (!program.Running()) {
    std::fprintf(stderr, "soak: the program ended early\n");
    return 1;
  }
  // Growth after the first minute, when everything start-up needs has been made.
  const Sample* settled = nullptr;
  for (const Sample& sample : samples) {
    if (!settled && sample.minute >= 1) settled = &sample;
  }
  if (!settled || settled == &samples.back()) {
    std::printf("soak: too short to tell growth\n");
    return 0;
  }
  long rssGrowth = samples.back().rssKiB - settled->rssKiB;
  long resourceGrowth = samples.back().resources - settled->resources;
  std::printf(
      "\nsoak: %.1f minutes; after the first minute VmRSS grew by %ld KiB and the X "
      "resources by %ld\n",
      minutes, rssGrowth, resourceGrowth);
  return rssGrowth > 64 || resourceGrowth > 0 ? 1 : 0;
}
