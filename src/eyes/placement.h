// Where the eye window stands when it loads: its vertical centre at 42.5 % of the screen
// height, centred horizontally. All sizes in twips.
#pragma once

#include <cstdint>

namespace oculon {

// (screenHeight x 0.85, rounded) \ 2 - (windowHeight, rounded) \ 2, overflow-checked.
int32_t LoadTop(float screenHeight, float windowHeight);
// (screenWidth, rounded) \ 2 - (windowWidth, rounded) \ 2, overflow-checked.
int32_t CentredLeft(float screenWidth, float windowWidth);

}  // namespace oculon
