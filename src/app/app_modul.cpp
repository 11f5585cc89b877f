// Start-up: every step skips a failing statement, so start-up never shows an error.
#include "app/app_modul.h"

#include "eyes/f_oculon.h"
#include "eyes/placement.h"
#include "runtime/application.h"
#include "runtime/numbers.h"
#include "runtime/resume_next.h"
#include "runtime/screen.h"
#include "settings/commands.h"

namespace oculon {

void Main() {
  if (ResumeNextTest([] { return App.PrevInstance(); })) App.End();
  ResumeNext(InitPaths);
  ResumeNext(InitIniFile);
  if (ResumeNextTest([] { return !App.Command().empty(); })) {
    ResumeNext([] { gCommandLine = App.Command(); });
  }
  std::string topText;
  std::string leftText;
  ResumeNext([&] { topText = ReadIni(gAppTitle, "Top", gIniFile, ""); });
  ResumeNext([&] { leftText = ReadIni(gAppTitle, "Left", gIniFile, ""); });
  fOculon* window = &fOculon::Default();
  if (ResumeNextTest([&] { return topText.empty() && leftText.empty(); })) {
    // The first property access loads the window: its Load handler runs before the value.
    ResumeNext([&] { window->SetTop(0); });
    ResumeNext(
        [&] { window->SetLeft(static_cast<float>(CentredLeft(Screen.Width(), window->Width()))); });
  } else {
    // The first property access loads the window: its Load handler places it.
    float loadTop = 0;
    float loadLeft = 0;
    ResumeNext([&] { loadTop = window->Top(); });
    ResumeNext([&] { loadLeft = window->Left(); });
    ResumeNext([&] { window->SetTop(CSng(Val(topText))); });
    ResumeNext([&] { window->SetLeft(CSng(Val(leftText))); });
    // A saved place that no monitor shows (its monitor unplugged since, or beyond any) would
    // leave the head where no one can see or close it: the window stays where Load put it.
    if (ResumeNextTest([&] { return !window->OnAMonitor(); })) {
      ResumeNext([&] { window->SetTop(loadTop); });
      ResumeNext([&] { window->SetLeft(loadLeft); });
    }
  }
  ResumeNext([&] { window->Show(); });
}

}  // namespace oculon
