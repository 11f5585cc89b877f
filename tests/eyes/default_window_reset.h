// Ends the default eye window, so that the next reference creates a new one.
#pragma once

#include "eyes/f_oculon.h"

namespace oculon {

struct DefaultWindowReset {
  static void Now() { fOculon::DefaultInstance().reset(); }
};

}  // namespace oculon
