// A started eye window on the headless desktop, with its settings in a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include "desktop/headless/headless_desktop.h"
#include "eyes/default_window_reset.h"
#include "eyes/f_oculon.h"
#include "runtime/application.h"
#include "settings/commands.h"
#include "settings/reset_commands.h"
#include "temp_folder.h"

namespace oculon::testing {

// Colours as the desktop shows them, 0x00RRGGBB.
inline constexpr uint32_t kWhiteRgb = 0xFFFFFF;
inline constexpr uint32_t kBlackRgb = 0x000000;

class OculonTest : public ::testing::Test {
 protected:
  OculonTest() {
    ResetCommands();
    App.SetExecutablePath(folder / "oculon");
  }
  ~OculonTest() override {
    DefaultWindowReset::Now();
    App.SetExecutablePath("");
  }

  fOculon& window() { return fOculon::Default(); }
  std::string iniFile() const { return folder / "oculon.ini"; }
  // The colour of a client pixel as the desktop shows it, 0x00RRGGBB.
  uint32_t Shown(int x, int y) const { return desktop.window().content.Pixel(x, y) & 0xFFFFFF; }

  TempFolder folder;
  HeadlessDesktop desktop{{1920, 1080}};
};

}  // namespace oculon::testing
