// Colours: a negative colour names a system colour by the index in its low 31 bits.
#pragma once

#include <cstdint>

namespace oculon {

// The 0x00BBGGRR colour that `color` stands for; error 380 for an unknown system colour.
int32_t ResolveColor(int32_t color);

}  // namespace oculon
