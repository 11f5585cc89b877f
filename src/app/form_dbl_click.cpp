// The regular way out: a double-click saves the window's position and ends the program.
#include "eyes/f_oculon.h"
#include "platform/application.h"
#include "platform/numbers.h"
#include "platform/resume_next.h"
#include "settings/commands.h"

namespace oculon {

void fOculon::Form_DblClick() {
  ResumeNext([&] { WriteIni(gAppTitle, "Top", CStr(Top()), gIniFile); });
  ResumeNext([&] { WriteIni(gAppTitle, "Left", CStr(Left()), gIniFile); });
  App.End();
}

}  // namespace oculon
