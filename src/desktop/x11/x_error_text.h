// The one line that names an X error: what went wrong and in which request.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace oculon::x11 {

// "X error BadWindow (3) in request ConfigureWindow (12)"; for an extension's request,
// "… in request SHAPE 1 (major 129)".
std::string DescribeXError(uint8_t errorCode, uint8_t majorOpcode, uint16_t minorOpcode,
                           std::string_view extensionName);

}  // namespace oculon::x11
