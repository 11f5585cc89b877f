// The process's entry: connects to the desktop, runs Main, then the window's events.
#include <clocale>
#include <filesystem>
#include <optional>

#include "app/app_modul.h"
#include "eyes/f_oculon.h"
#include "runtime/application.h"
#include "runtime/backend.h"
#include "runtime/ending_signals.h"

int main(int argc, char** argv) {
  using namespace oculon;
  // The user's locale gives the decimal separator of a saved place (CStr), and nothing else: the
  // other categories would map their files for no use (LC_CTYPE alone is 128 KiB).
  std::setlocale(LC_NUMERIC, "");
  EndOnEndingSignals();  // like a close by the desktop, even while the desktop does not answer
  App.SetCommandLine(argc, argv);
  ProgramInfo program{std::filesystem::path(App.ExecutablePath()).filename().string(),
                      App.ExecutablePath(), "org.example.oculon"};
  if (program.name.empty()) program.name = "oculon";
  auto desktop = ConnectDesktop(program);
  if (!desktop) return 1;
  SetCurrentBackend(desktop.get());
  if (std::optional<int> end = DeliverEvent(*desktop, Main)) return *end;
  // The program runs for as long as its window is loaded.
  return fOculon::Default().IsLoaded() ? desktop->Run() : 0;
}
