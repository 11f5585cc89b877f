// The process's entry: connects to the desktop, runs Main, then the window's events.
#include <clocale>
#include <filesystem>

#include "app/app_modul.h"
#include "eyes/f_oculon.h"
#include "platform/application.h"
#include "platform/desktop.h"
#include "platform/run_time_error.h"

int main(int argc, char** argv) {
  using namespace oculon;
  std::setlocale(LC_ALL, "");
  App.SetCommandLine(argc, argv);
  std::string programName = std::filesystem::path(App.ExecutablePath()).filename().string();
  auto backend = ConnectDesktop(programName.empty() ? "oculon" : programName);
  if (!backend) return 1;
  SetCurrentBackend(backend.get());
  try {
    Main();
  } catch (const ProgramEnd& end) {
    return end.exitCode;
  }
  // The program runs for as long as its window is loaded.
  return fOculon::Default().IsLoaded() ? backend->Run() : 0;
}
