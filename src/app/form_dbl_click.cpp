// The regular way out: a double-click saves the window's position and ends the program.
#include "eyes/f_oculon.h"
#include "runtime/application.h"
#include "runtime/numbers.h"
#include "runtime/resume_next.h"
#include "settings/commands.h"

namespace oculon {

void fOculon::Form_DblClick() {
  ResumeNext([&] { WriteIni(gAppTitle, "Top", CStr(Top()), gIniFile); });
  ResumeNext([&] { WriteIni(gAppTitle, "Left", CStr(Left()), gIniFile); });
  App.End();
}

}  // namespace oculon
