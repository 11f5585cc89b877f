// The executable's path and name, the command line and the end of the program.
#include "runtime/application.h"

#include "runtime/backend.h"
#include "runtime/file_system.h"
#include "runtime/run_time_error.h"

namespace oculon {

Application App;

bool Application::PrevInstance() {
  return CurrentBackend().AnotherInstanceRuns();
}

const std::string& Application::ExecutablePath() {
  if (executablePath_.empty()) {
    executablePath_ = ThisExecutablePath();
  }
  return executablePath_;
}

const std::string& Application::KnownExecutablePath() {
  const std::string& executable = ExecutablePath();
  // A path that cannot be had, or is past what the path queries deliver, names no folder.
  if (executable.empty() || executable.size() >= kMaxPath)
    Raise(ErrorNumber::kInvalidProcedureCall);
  return executable;
}

std::string Application::Path() {
  const std::string& executable = KnownExecutablePath();
  size_t slash = executable.rfind(kPathSeparator);
  if (slash == std::string::npos) return ".";
  // The root folder keeps its separator.
  return executable.substr(0, slash < RootLength(executable) ? slash + 1 : slash);
}

std::string Application::EXEName() {
  const std::string& executable = KnownExecutablePath();
  std::string name = executable.substr(executable.rfind(kPathSeparator) + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void Application::End() {
  throw ProgramEnd{0};
}

void Application::SetCommandLine(int argc, char** argv) {
  commandLine_.clear();
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine_ += ' ';
    commandLine_ += argv[i];
  }
}

}  // namespace oculon
