// The placement arithmetic, with the runtime's rounding and overflow rules.
#include "eyes/placement.h"

#include "runtime/numbers.h"

namespace oculon {

int32_t LoadTop(float screenHeight, float windowHeight) {
  constexpr double kCentreHeightTimesTwo = 0.85;
  int32_t screenHalf = IntDiv(CLng(CheckFloat(double{screenHeight} * kCentreHeightTimesTwo)), 2);
  int32_t windowHalf = IntDiv(CLng(windowHeight), 2);
  return SubLng(screenHalf, windowHalf);
}

int32_t CentredLeft(float screenWidth, float windowWidth) {
  return SubLng(IntDiv(CLng(screenWidth), 2), IntDiv(CLng(windowWidth), 2));
}

}  // namespace oculon
