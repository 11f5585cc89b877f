// The App object: this process's executable, its command line, and ending the program.
#pragma once

#include <string>

namespace oculon {

class Application {
 public:
  // Another instance of this executable runs on this desktop.
  bool PrevInstance();
  // The executable's folder: no trailing separator except at the root ("/").
  std::string Path();
  // The executable's file name without folder and extension.
  std::string EXEName();
  // The command-line arguments joined by blanks; "" when there are none.
  const std::string& Command() const { return commandLine_; }
  // Ends the program at once: no further event runs.
  [[noreturn]] void End();

  void SetCommandLine(int argc, char** argv);
  // The executable's real path; by default what /proc/self/exe names.
  void SetExecutablePath(std::string path) { executablePath_ = std::move(path); }
  const std::string& ExecutablePath();

 private:
  std::string commandLine_;
  std::string executablePath_;
};

extern Application App;

}  // namespace oculon
