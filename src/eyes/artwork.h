// The eye window's artwork and icon, built into the program.
#pragma once

#include "runtime/picture.h"

namespace oculon {

// The head: 170 x 322 pixels on a flat background of RGB (0, 1, 43).
StdPicture HeadPicture();
// 32 x 32 pixels, transparent around the head.
StdPicture IconPicture();

}  // namespace oculon
