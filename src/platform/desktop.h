// The real desktop the program runs on: the backend of whichever windowing system the program
// is built for, with its event loop.
#pragma once

#include <memory>
#include <string>

#include "platform/backend.h"

namespace oculon {

class Desktop : public Backend {
 public:
  // Runs the event loop until the program ends; returns the exit code.
  virtual int Run() = 0;
};

// Connects to the desktop; null after telling the user why when there is none.
std::unique_ptr<Desktop> ConnectDesktop(const std::string& programName);

}  // namespace oculon
