// The desktop's system colours, in the classic grey scheme.
#include "runtime/system_colors.h"

#include <array>

#include "runtime/run_time_error.h"

namespace oculon {
namespace {

constexpr std::array<int32_t, 25> kSystemColors = {
    0xC8D0D4,  // scroll bars
    0xA56E3A,  // desktop
    0x6A240A,  // active caption
    0x808080,  // inactive caption
    0xC8D0D4,  // menu
    0xFFFFFF,  // window background
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // active caption text
    0xC8D0D4,  // active border
    0xC8D0D4,  // inactive border
    0x808080,  // application workspace
    0x6A240A,  // highlight
    0xFFFFFF,  // highlight text
    0xC8D0D4,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC8D0D4,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x404040,  // 3-D dark shadow
    0xC8D0D4,  // 3-D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background
};

}  // namespace

int32_t ResolveColor(int32_t color) {
  if (color >= 0) {
    if (color > 0xFFFFFF) Raise(ErrorNumber::kInvalidPropertyValue);
    return color;
  }
  uint32_t index = static_cast<uint32_t>(color) & 0x7FFFFFFFu;
  if (index >= kSystemColors.size()) Raise(ErrorNumber::kInvalidPropertyValue);
  return kSystemColors[index];
}

}  // namespace oculon
