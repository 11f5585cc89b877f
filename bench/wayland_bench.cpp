// Measures the program under the Wayland sessions of KWin and GNOME Shell, headless, with the
// compositor's pointer circling at 50 Hz over a native window that covers the desktop: the
// program's CPU and wake-ups moving and still, how often the companion pushes the pointer, and
// the compositor's CPU with the program and without it; under GNOME, also the shell with the
// extension enabled and no head against the shell without the extension.
//
//   wayland_bench [--seconds N] [--json FILE] [--program PATH]
#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/probes.h"
#include "confined.h"
#include "e2e/gnome_session.h"
#include "e2e/kwin_session.h"
#include "temp_folder.h"

namespace oculon::bench {
namespace {

using e2e::GnomeOptions;
using e2e::GnomeSession;
using e2e::KWinSession;
using e2e::Process;
using e2e::WaylandSession;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Moves the compositor's pointer round the desktop's middle every 20 ms, as a hand on a mouse
// does, until stopped, and keeps where it put it when: 1,500 pixels a second.
class CirclingPointer {
 public:
  struct Move {
    Clock::time_point at;  // once the compositor has it
    double x, y;
  };

  explicit CirclingPointer(WaylandSession& session) {
    moves_.reserve(1 << 16);
    thread_ = std::thread([this, &session] {
      auto next = Clock::now();
      for (int step = 0; !stop_; ++step) {
        double angle = step * 0.1;
        int x = int(640 + 300 * std::cos(angle)), y = int(512 + 300 * std::sin(angle));
        session.MovePointer(x, y);
        if (moves_.size() < moves_.capacity())
          moves_.push_back({Clock::now(), double(x), double(y)});
        next += 20ms;
        std::this_thread::sleep_until(next);
      }
    });
  }
  ~CirclingPointer() { Stop(); }
  // Stops it; then the moves can be read.
  const std::vector<Move>& Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return moves_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<Move> moves_;
  std::thread thread_;
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Costs {
  double cpu = 0;      // share of a core
  double wakeUps = 0;  // context switches a second
  double forced = 0;   // of which the scheduler's own: another process took the core
};

// The CPU time of all of a process's threads, in seconds, to the nanosecond: a compositor works
// on several.
double ProcessCpuSeconds(pid_t pid) {
  double seconds = 0;
  std::error_code error;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    seconds += CpuSeconds(std::stoi(task.path().filename().string()));
  }
  return seconds;
}

// What `pid` costs over `seconds`: its CPU, all threads', and the wake-ups of its main thread,
// where the loop runs.
Costs Watch(pid_t pid, int seconds) {
  auto switches = [&] {
    return StatusKiB(pid, "voluntary_ctxt_switches:") +
           StatusKiB(pid, "nonvoluntary_ctxt_switches:");
  };
  auto forced = [&] { return StatusKiB(pid, "nonvoluntary_ctxt_switches:"); };
  double cpuBefore = ProcessCpuSeconds(pid);
  long switchesBefore = switches(), forcedBefore = forced();
  auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  return {(ProcessCpuSeconds(pid) - cpuBefore) / elapsed,
          double(switches() - switchesBefore) / elapsed, double(forced() - forcedBefore) / elapsed};
}

// The calls of the program's method on the session bus, counted by a monitor of the bus.
class PushCounter {
 public:
  explicit PushCounter(const WaylandSession& session)
      : log_(std::filesystem::temp_directory_path() / "oculon-bench-pushes"),
        monitor_(std::make_unique<Process>(
            std::vector<std::string>{"sh", "-c",
                                     "exec dbus-monitor --session "
                                     "\"type='method_call',member='PointerMoved'\" > \"$0\"",
                                     log_},
            session.Environment())),
        start_(Clock::now()) {}
  ~PushCounter() { std::filesystem::remove(log_); }
  double PerSecond() {
    double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    monitor_.reset();
    std::ifstream in(log_);
    long pushes = 0;
    for (std::string line; std::getline(in, line);) {
      if (line.find("member=PointerMoved") != std::string::npos) ++pushes;
    }
    return pushes / elapsed;
  }

 private:
  std::string log_;
  std::unique_ptr<Process> monitor_;
  Clock::time_point start_;
};

// How far behind the pointer the program's idea of it is at its ticks: the distance from where the
// pointer then was, and the left pupil's distance from where that place would put it, in the
// program's pixels; the mean and the 95th percentile.
struct Lag {
  double pointerMean = 0, pointerP95 = 0;
  double pupilMean = 0, pupilP95 = 0;
};

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

double Mean(const std::vector<double>& values) {
  double sum = 0;
  for (double value : values) sum += value;
  return values.empty() ? 0 : sum / double(values.size());
}

Lag MeasureLag(WaylandSession& session, e2e::Display& display, int seconds) {
  Copy copy(OCULON_COUNTED_EXECUTABLE);
  std::string trace = copy.folder + "/trace", stats = copy.folder + "/stats";
  auto environment = session.Environment();
  environment["OCULON_LOOP_STATS"] = stats;
  environment["OCULON_POINTER_TRACE"] = trace;
  Process program({copy.path}, environment);
  std::optional<xcb_window_t> window = display.FindWindow("Form1", 10s);
  if (!window) return {};
  e2e::Point corner = display.WindowPosition(*window);
  double eyeX = corner.x + 58, eyeY = corner.y + 148;
  std::vector<CirclingPointer::Move> moves;
  {
    CirclingPointer pointer(session);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    moves = pointer.Stop();
  }
  display.SendClose(*window);
  if (!program.WaitForExit(5s)) program.Kill(SIGTERM);
  program.WaitForExit();
  auto pupil = [&](double x, double y) {
    double dx = x - eyeX, dy = y - eyeY, length = std::max(1.0, std::hypot(dx, dy));
    return std::pair{10 * dx / length, 10 * dy / length};
  };
  std::vector<double> pointerOff, pupilOff;
  std::ifstream in(trace);
  long long nanoseconds = 0;
  double x = 0, y = 0;
  while (in >> nanoseconds >> x >> y) {
    Clock::time_point at{std::chrono::nanoseconds(nanoseconds)};
    // Where the pointer was then: its last move before; a second in, past the start.
    auto after =
        std::upper_bound(moves.begin(), moves.end(), at,
                         [](Clock::time_point t, const auto& move) { return t < move.at; });
    if (moves.empty() || after == moves.begin() || after == moves.end() ||
        at < moves.front().at + 1s)
      continue;
    const CirclingPointer::Move& was = *(after - 1);
    pointerOff.push_back(std::hypot(x - was.x, y - was.y));
    auto [believedX, believedY] = pupil(x, y);
    auto [trueX, trueY] = pupil(was.x, was.y);
    pupilOff.push_back(std::hypot(believedX - trueX, believedY - trueY));
  }
  return {Mean(pointerOff), Percentile(pointerOff, 0.95), Mean(pupilOff),
          Percentile(pupilOff, 0.95)};
}

struct SessionFigures {
  Costs compositorAlone;  // the pointer moving, no head
  Costs compositorWithProgram;
  Costs programMoving;
  Costs programStill;
  double pushesPerSecond = 0;
  Lag lag;
};

SessionFigures Measure(WaylandSession& session, const std::string& executable, int seconds) {
  SessionFigures figures;
  session.OpenNativeWindow(true);
  e2e::Display display(session.xDisplay(), session.xAuthority());
  auto pointer = std::make_unique<CirclingPointer>(session);
  std::this_thread::sleep_for(1s);
  figures.compositorAlone = Watch(session.CompositorPid(), seconds);

  Copy copy(executable);
  Process program({copy.path}, session.Environment());
  if (!display.FindWindow("Form1", 10s)) {
    std::fprintf(stderr, "wayland bench: the program did not show its window\n");
    return figures;
  }
  std::this_thread::sleep_for(1s);  // past start-up
  PushCounter pushes(session);
  pid_t compositor = session.CompositorPid();
  Costs compositorCosts;
  std::thread compositorWatch([&] { compositorCosts = Watch(compositor, seconds); });
  figures.programMoving = Watch(program.pid(), seconds);
  compositorWatch.join();
  figures.compositorWithProgram = compositorCosts;
  figures.pushesPerSecond = pushes.PerSecond();

  pointer.reset();
  std::this_thread::sleep_for(1s);  // the last pushes and ticks
  figures.programStill = Watch(program.pid(), seconds);
  program.Kill(SIGTERM);
  program.WaitForExit();
  figures.lag = MeasureLag(session, display, seconds);
  return figures;
}

void Print(const char* name, const SessionFigures& figures) {
  std::printf("\n%s, the pointer circling over a native window\n", name);
  std::printf(
      "  program, moving          CPU %.3f%%   wake-ups per second %.1f (forced by the scheduler "
      "%.1f)\n",
      figures.programMoving.cpu * 100, figures.programMoving.wakeUps, figures.programMoving.forced);
  std::printf("  program, still           CPU %.4f%%   wake-ups per second %.2f\n",
              figures.programStill.cpu * 100, figures.programStill.wakeUps);
  std::printf("  pushes per second        %.1f\n", figures.pushesPerSecond);
  std::printf("  compositor, moving       CPU %.2f%% without the program, %.2f%% with it\n",
              figures.compositorAlone.cpu * 100, figures.compositorWithProgram.cpu * 100);
  std::printf("  compositor, moving       wake-ups per second %.1f without, %.1f with\n",
              figures.compositorAlone.wakeUps, figures.compositorWithProgram.wakeUps);
  std::printf(
      "  behind the pointer       %.1f pixels (95%%: %.1f); the pupil %.2f pixels (95%%: %.2f)\n",
      figures.lag.pointerMean, figures.lag.pointerP95, figures.lag.pupilMean, figures.lag.pupilP95);
}

std::string Json(const SessionFigures& figures) {
  std::ostringstream json;
  json << "{\"cpu_program_moving\": " << figures.programMoving.cpu
       << ", \"wake_ups_per_second_moving\": " << figures.programMoving.wakeUps
       << ", \"forced_switches_per_second_moving\": " << figures.programMoving.forced
       << ", \"cpu_program_still\": " << figures.programStill.cpu
       << ", \"wake_ups_per_second_still\": " << figures.programStill.wakeUps
       << ", \"pushes_per_second\": " << figures.pushesPerSecond
       << ", \"cpu_compositor_without_program\": " << figures.compositorAlone.cpu
       << ", \"cpu_compositor_with_program\": " << figures.compositorWithProgram.cpu
       << ", \"wake_ups_per_second_compositor_without_program\": "
       << figures.compositorAlone.wakeUps << ", \"wake_ups_per_second_compositor_with_program\": "
       << figures.compositorWithProgram.wakeUps
       << ", \"pointer_behind_pixels_mean\": " << figures.lag.pointerMean
       << ", \"pointer_behind_pixels_p95\": " << figures.lag.pointerP95
       << ", \"pupil_off_pixels_mean\": " << figures.lag.pupilMean
       << ", \"pupil_off_pixels_p95\": " << figures.lag.pupilP95 << "}";
  return json.str();
}

}  // namespace
}  // namespace oculon::bench

int main(int argc, char** argv) {
  using namespace oculon::bench;
  int seconds = 10;
  std::string output = "build/bench/wayland.json";
  std::string program = OCULON_EXECUTABLE;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--seconds") seconds = std::stoi(argv[i + 1]);
    if (flag == "--json") output = argv[i + 1];
    if (flag == "--program") program = argv[i + 1];
  }
  // The sessions' buses, settings and sockets in a folder of their own, as a test's are.
  oculon::testing::TempFolder home;
  oculon::testing::ConfineTo(home.path());
  std::ostringstream json;
  {
    KWinSession kwin;
    SessionFigures figures = Measure(kwin, program, seconds);
    Print("KWin 5.27", figures);
    json << "{\n  \"kwin\": " << Json(figures) << ",\n";
  }
  {
    GnomeSession gnome;
    SessionFigures figures = Measure(gnome, program, seconds);
    Print("GNOME Shell 43", figures);
    json << "  \"gnome\": " << Json(figures) << ",\n";
  }
  // The extension enabled costs nothing while no head runs: the shell against one without it,
  // in turns, each well past its start, the medians of three.
  std::vector<double> cpuWith, cpuWithout, wakeUpsWith, wakeUpsWithout;
  for (int round = 0; round < 3; ++round) {
    for (auto extension :
         {oculon::e2e::PointerExtension::kEnabled, oculon::e2e::PointerExtension::kAbsent}) {
      GnomeOptions options;
      options.pointerExtension = extension;
      GnomeSession shell(options);
      shell.OpenNativeWindow(true);
      CirclingPointer pointer(shell);
      std::this_thread::sleep_for(3s);
      Costs costs = Watch(shell.CompositorPid(), seconds);
      bool with = extension == oculon::e2e::PointerExtension::kEnabled;
      (with ? cpuWith : cpuWithout).push_back(costs.cpu);
      (with ? wakeUpsWith : wakeUpsWithout).push_back(costs.wakeUps);
    }
  }
  std::printf(
      "\nGNOME Shell 43 and no head, the pointer circling over a native window (medians of 3)\n");
  std::printf("  the extension enabled    CPU %.2f%%   wake-ups per second %.1f\n",
              Median(cpuWith) * 100, Median(wakeUpsWith));
  std::printf("  no extension             CPU %.2f%%   wake-ups per second %.1f\n",
              Median(cpuWithout) * 100, Median(wakeUpsWithout));
  json << "  \"gnome_no_head\": {\"cpu_shell_with_extension\": " << Median(cpuWith)
       << ", \"cpu_shell_without_extension\": " << Median(cpuWithout)
       << ", \"wake_ups_per_second_shell_with_extension\": " << Median(wakeUpsWith)
       << ", \"wake_ups_per_second_shell_without_extension\": " << Median(wakeUpsWithout)
       << "}\n}\n";
  std::filesystem::create_directories(std::filesystem::path(output).parent_path());
  std::ofstream(output) << json.str();
  return 0;
}
