// In-process costs, without an X server: the outline scan on the artwork, one tick's
// computation and paint, and decoding the artwork.
#include <benchmark/benchmark.h>

#include "desktop/headless/headless_desktop.h"
#include "eyes/artwork.h"
#include "eyes/default_window_reset.h"
#include "eyes/f_oculon.h"
#include "shape/c_trimmer.h"

namespace oculon {
namespace {

void TrimFormOnTheArtwork(benchmark::State& state) {
  HeadlessDesktop desktop;
  fOculon& window = fOculon::Default();
  window.hWnd();
  for (auto _ : state) {
    cTrimmer trimmer;
    trimmer.TrimForm(window);
  }
  DefaultWindowReset::Now();
}
BENCHMARK(TrimFormOnTheArtwork)->Unit(benchmark::kMicrosecond);

void OneTickWithTheArtwork(benchmark::State& state) {
  HeadlessDesktop desktop;
  fOculon& window = fOculon::Default();
  window.Show();
  int step = 0;
  for (auto _ : state) {
    desktop.SetPointer({(step * 37) % 1920, (step * 53) % 1080});  // the pupils move every tick
    ++step;
    desktop.AdvanceTime(70);
  }
  DefaultWindowReset::Now();
}
BENCHMARK(OneTickWithTheArtwork)->Unit(benchmark::kMicrosecond);

void DecodeTheArtwork(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(HeadPicture());
}
BENCHMARK(DecodeTheArtwork)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace oculon

BENCHMARK_MAIN();
