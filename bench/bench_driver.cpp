// Runs the program and the floor side by side under one Xvfb with openbox and one scripted
// pointer, and measures what each costs: CPU time, memory, the loop's per-tick counts, and
// the time to a mapped window and to the first painted tick.
//
//   bench_driver [--seconds N] [--runs N] [--json FILE]
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "bench/probes.h"
#include "e2e/harness.h"

namespace oculon::bench {
namespace {

using e2e::Display;
using e2e::Process;
using e2e::WaitFor;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Options {
  int seconds = 20;
  int runs = 3;
  std::string json = "build/bench/results.json";
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Moves the pointer in a circle around the window, every 10 ms, until stopped: as a mouse does,
// through an input device (XTest's), so that the server also tells of the raw motion.
class MovingPointer {
 public:
  explicit MovingPointer(const std::string& display) : display_(display) {
    thread_ = std::thread([this] {
      xcb_connection_t* connection = xcb_connect(display_.c_str(), nullptr);
      xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
      for (int step = 0; !stop_; ++step) {
        double angle = step * 0.05;
        int16_t x = int16_t(640 + 300 * std::cos(angle));
        int16_t y = int16_t(300 + 250 * std::sin(angle));
        xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, x, y, 0);
        xcb_flush(connection);
        std::this_thread::sleep_for(10ms);
      }
      xcb_disconnect(connection);
    });
  }
  ~MovingPointer() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::string display_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct Run {
  double cpuPerSecond = 0;
  double wakeUpsPerSecond = 0;  // context switches: each time the process leaves its sleep
  long rssKiB = 0;
  long hwmKiB = 0;
};

Run Measure(Display& display, const std::string& executable, const std::string& title, int seconds,
            const std::map<std::string, std::string>& extraEnvironment = {}) {
  Copy copy(executable);
  auto environment = display.Environment();
  environment.insert(extraEnvironment.begin(), extraEnvironment.end());
  Process process({copy.path}, environment);
  std::optional<xcb_window_t> window = display.FindWindow(title, 10s);
  if (!window) {
    std::fprintf(stderr, "bench: %s did not show its window\n", title.c_str());
    return {};
  }
  std::this_thread::sleep_for(1s);  // past start-up: the steady state is measured
  double cpuBefore = CpuSeconds(process.pid());
  long switchesBefore = process.ContextSwitches();
  auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  Run run{(CpuSeconds(process.pid()) - cpuBefore) / elapsed,
          double(process.ContextSwitches() - switchesBefore) / elapsed,
          StatusKiB(process.pid(), "VmRSS:"), StatusKiB(process.pid(), "VmHWM:")};
  // Closed as the desktop closes it, the program leaves its event loop, where the counted build
  // writes its figures (a signal ends it at once); the floor knows only the signal.
  display.SendClose(*window);
  if (!process.WaitForExit(2s)) process.Kill(SIGTERM);
  process.WaitForExit();
  return run;
}

// User-space instructions per second of steady running, counted by callgrind: unlike CPU time,
// the same from run to run.
double InstructionsPerSecond(Display& display, const std::string& executable,
                             const std::string& title, int seconds) {
  Copy copy(executable);
  std::string out = copy.folder + "/callgrind.out";
  Process process({"valgrind", "--tool=callgrind", "--instr-atstart=no",
                   "--callgrind-out-file=" + out, copy.path},
                  display.Environment());
  if (!display.FindWindow(title, 30s)) return 0;
  std::this_thread::sleep_for(2s);  // past start-up
  std::string pid = std::to_string(process.pid());
  Process({"callgrind_control", "--instr=on", pid}, {}).WaitForExit(10s);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  Process({"callgrind_control", "--instr=off", pid}, {}).WaitForExit(10s);
  process.Kill(SIGTERM);
  process.WaitForExit(30s);
  std::ifstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("totals:", 0) == 0) {
      return std::stod(line.substr(line.find(':') + 1)) / seconds;
    }
  }
  return 0;
}

std::map<std::string, double> LoopCounts(Display& display, int seconds) {
  std::string report = std::filesystem::temp_directory_path() / "oculon-bench-loop-stats";
  std::filesystem::remove(report);
  Measure(display, OCULON_COUNTED_EXECUTABLE, "Form1", seconds, {{"OCULON_LOOP_STATS", report}});
  std::map<std::string, double> counts;
  std::ifstream in(report);
  std::string name;
  double value;
  while (in >> name >> value) counts[name] = value;
  double ticks = std::max(1.0, counts["ticks"]);
  std::map<std::string, double> perTick;
  for (const char* key :
       {"round_trips", "requests", "uploaded_bytes", "allocations", "own_allocations"}) {
    perTick[key] = counts[key] / ticks;
  }
  perTick["requests"] = counts["requests"] / std::max(1.0, counts["request_samples"]);
  perTick["ticks"] = counts["ticks"];
  return perTick;
}

struct Startup {
  double mappedMs = 0;
  double firstTickMs = 0;
};

Startup MeasureStartup(Display& display) {
  xcb_connection_t* watcher = xcb_connect(display.name().c_str(), nullptr);
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(watcher)).data->root;
  uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(watcher, root, XCB_CW_EVENT_MASK, &mask);
  free(xcb_get_input_focus_reply(watcher, xcb_get_input_focus(watcher), nullptr));
  Copy copy(OCULON_EXECUTABLE);
  auto start = Clock::now();
  Process process({copy.path}, display.Environment());
  Startup startup;
  while (xcb_generic_event_t* event = xcb_wait_for_event(watcher)) {
    bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
    free(event);
    if (mapped) break;
  }
  startup.mappedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  // The first tick paints the left eye white over the artwork's iris.
  WaitFor([&] { return display.Pixel(555 + 52, 148) == 0xFFFFFF; }, 5s);
  startup.firstTickMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  xcb_disconnect(watcher);
  process.Kill(SIGTERM);
  process.WaitForExit();
  return startup;
}

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--seconds") options.seconds = std::stoi(argv[i + 1]);
    if (flag == "--runs") options.runs = std::stoi(argv[i + 1]);
    if (flag == "--json") options.json = argv[i + 1];
  }
  return options;
}

}  // namespace
}  // namespace oculon::bench

int main(int argc, char** argv) {
  using namespace oculon::bench;
  Options options = Parse(argc, argv);
  Display display(1280, 800);
  display.StartWindowManager();

  std::ostringstream json;
  json << "{\n";
  for (bool moving : {true, false}) {
    const char* mode = moving ? "moving" : "still";
    std::unique_ptr<MovingPointer> pointer;
    if (moving) {
      pointer = std::make_unique<MovingPointer>(display.name());
    } else {
      display.MovePointer(100, 700);
    }
    std::vector<double> programCpu, floorCpu, programRss, floorRss, programHwm, floorHwm;
    std::vector<double> programWakeUps, floorWakeUps;
    for (int run = 0; run < options.runs; ++run) {
      Run program = Measure(display, OCULON_EXECUTABLE, "Form1", options.seconds);
      Run floor = Measure(display, OCULON_FLOOR_EXECUTABLE, "floor", options.seconds);
      programCpu.push_back(program.cpuPerSecond);
      floorCpu.push_back(floor.cpuPerSecond);
      programWakeUps.push_back(program.wakeUpsPerSecond);
      floorWakeUps.push_back(floor.wakeUpsPerSecond);
      programRss.push_back(double(program.rssKiB));
      floorRss.push_back(double(floor.rssKiB));
      programHwm.push_back(double(program.hwmKiB));
      floorHwm.push_back(double(floor.hwmKiB));
      std::fprintf(stderr, "bench: %s run %d: program %.4f%% of a core, floor %.4f%%\n", mode,
                   run + 1, program.cpuPerSecond * 100, floor.cpuPerSecond * 100);
    }
    std::map<std::string, double> perTick = LoopCounts(display, std::min(options.seconds, 5));
    int countSeconds = std::min(options.seconds, 10);
    double programInstructions =
        InstructionsPerSecond(display, OCULON_EXECUTABLE, "Form1", countSeconds);
    double floorInstructions =
        InstructionsPerSecond(display, OCULON_FLOOR_EXECUTABLE, "floor", countSeconds);
    double instructionRatio = floorInstructions > 0 ? programInstructions / floorInstructions : 0;
    double ratio = Median(floorCpu) > 0 ? Median(programCpu) / Median(floorCpu) : 0;
    std::printf("\npointer %s\n", mode);
    std::printf("  CPU, share of a core     program %.4f%%   floor %.4f%%   ratio %.2f\n",
                Median(programCpu) * 100, Median(floorCpu) * 100, ratio);
    std::printf("  wake-ups per second      program %.1f   floor %.1f\n", Median(programWakeUps),
                Median(floorWakeUps));
    std::printf(
        "  instructions per second  program %.0f   floor %.0f   ratio %.2f (user space, "
        "callgrind)\n",
        programInstructions, floorInstructions, instructionRatio);
    std::printf("  memory, VmRSS (KiB)      program %.0f   floor %.0f\n", Median(programRss),
                Median(floorRss));
    std::printf("  memory, VmHWM (KiB)      program %.0f   floor %.0f\n", Median(programHwm),
                Median(floorHwm));
    std::printf(
        "  per tick (%0.f ticks)     round trips %.2f   requests %.2f   bytes uploaded %.0f\n",
        perTick["ticks"], perTick["round_trips"], perTick["requests"], perTick["uploaded_bytes"]);
    std::printf(
        "  allocations per tick     by the program's code %.2f   in all, libxcb's included %.2f\n",
        perTick["own_allocations"], perTick["allocations"]);
    json << "  \"" << mode << "\": {\"cpu_program\": " << Median(programCpu)
         << ", \"cpu_floor\": " << Median(floorCpu) << ", \"cpu_ratio\": " << ratio
         << ", \"wake_ups_per_second_program\": " << Median(programWakeUps)
         << ", \"wake_ups_per_second_floor\": " << Median(floorWakeUps)
         << ", \"instructions_per_second_program\": " << programInstructions
         << ", \"instructions_per_second_floor\": " << floorInstructions
         << ", \"instruction_ratio\": " << instructionRatio
         << ", \"rss_kib_program\": " << Median(programRss)
         << ", \"rss_kib_floor\": " << Median(floorRss)
         << ", \"hwm_kib_program\": " << Median(programHwm)
         << ", \"hwm_kib_floor\": " << Median(floorHwm)
         << ", \"round_trips_per_tick\": " << perTick["round_trips"]
         << ", \"requests_per_tick\": " << perTick["requests"]
         << ", \"allocations_per_tick\": " << perTick["allocations"]
         << ", \"own_allocations_per_tick\": " << perTick["own_allocations"]
         << ", \"uploaded_bytes_per_tick\": " << perTick["uploaded_bytes"] << "},\n";
  }

  // The same moving pointer on a desktop at 2×: four times the pixels to draw and upload, the
  // same round trips and allocations.
  {
    display.SetResources("Xft.dpi:\t192\n");
    MovingPointer pointer(display.name());
    std::vector<double> cpu, rss;
    for (int run = 0; run < options.runs; ++run) {
      Run program = Measure(display, OCULON_EXECUTABLE, "Form1", options.seconds);
      cpu.push_back(program.cpuPerSecond);
      rss.push_back(double(program.rssKiB));
    }
    std::map<std::string, double> perTick = LoopCounts(display, std::min(options.seconds, 5));
    std::printf("\npointer moving, desktop at 2x\n");
    std::printf("  CPU, share of a core     program %.4f%%\n", Median(cpu) * 100);
    std::printf("  memory, VmRSS (KiB)      program %.0f\n", Median(rss));
    std::printf(
        "  per tick (%0.f ticks)     round trips %.2f   requests %.2f   bytes uploaded %.0f\n",
        perTick["ticks"], perTick["round_trips"], perTick["requests"], perTick["uploaded_bytes"]);
    std::printf("  allocations per tick     by the program's code %.2f\n",
                perTick["own_allocations"]);
    json << "  \"moving_at_2x\": {\"cpu_program\": " << Median(cpu)
         << ", \"rss_kib_program\": " << Median(rss)
         << ", \"round_trips_per_tick\": " << perTick["round_trips"]
         << ", \"own_allocations_per_tick\": " << perTick["own_allocations"]
         << ", \"uploaded_bytes_per_tick\": " << perTick["uploaded_bytes"] << "},\n";
    display.SetResources("");
  }

  std::vector<double> mapped, firstTick;
  display.MovePointer(100, 700);
  for (int run = 0; run < 10; ++run) {
    Startup startup = MeasureStartup(display);
    mapped.push_back(startup.mappedMs);
    firstTick.push_back(startup.firstTickMs);
  }
  std::printf(
      "\nstart-up (median of 10)    to the window mapped %.1f ms   to the first tick painted %.1f "
      "ms\n",
      Median(mapped), Median(firstTick));
  json << "  \"startup\": {\"mapped_ms\": " << Median(mapped)
       << ", \"first_tick_ms\": " << Median(firstTick) << "}\n}\n";
  std::filesystem::create_directories(std::filesystem::path(options.json).parent_path());
  std::ofstream(options.json) << json.str();
  return 0;
}
