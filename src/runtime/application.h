// The App object: this process's executable, its command line, and ending the program.
#pragma once

#include <string>

namespace oculon {

class Application {
 public:
  // Another instance of this executable runs on this desktop.
  bool PrevInstance();
  // The executable's folder: no trailing separator except at the root ("/", or "C:\" on Windows).
  // Error 5 when the executable's path cannot be had or is longer than a path may be (kMaxPath).
  std::string Path();
  // The executable's file name without folder and extension; error 5 as for Path.
  std::string EXEName();
  // The command-line arguments joined by blanks; "" when there are none.
  const std::string& Command() const { return commandLine_; }
  // Ends the program at once: no further event runs.
  [[noreturn]] void End();

  void SetCommandLine(int argc, char** argv);
  // The executable's real path; by default what the system says it is.
  void SetExecutablePath(std::string path) { executablePath_ = std::move(path); }
  const std::string& ExecutablePath();

 private:
  const std::string& KnownExecutablePath();

  std::string commandLine_;
  std::string executablePath_;
};

extern Application App;

}  // namespace oculon
