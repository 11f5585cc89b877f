// <windows.h> for the Windows system and desktop files. Some of its macros spell names the runtime
// uses for its own calls and constants: they are taken back here, so that both can be used in one
// file (the system's with ::, the runtime's in namespace oculon).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace oculon::win32 {
inline constexpr int kGdiRegionOr = RGN_OR;
}  // namespace oculon::win32

#undef CreateWindow
#undef RGN_OR
