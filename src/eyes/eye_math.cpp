// The tick's arithmetic, in the order and precision the tick relies on.
#include "eyes/eye_math.h"

#include <cmath>

#include "eyes/eye_geometry.h"
#include "runtime/numbers.h"

namespace oculon {
namespace {

double Square(int32_t difference) {
  return CheckFloat(std::pow(static_cast<double>(difference), 2.0));
}

}  // namespace

double EyeDistance(int32_t eyeX, int32_t eyeY, const POINT& pointer) {
  double sum = CheckFloat(Square(SubLng(eyeY, pointer.y)) + Square(SubLng(eyeX, pointer.x)));
  return CheckedSqrt(sum);
}

double EyeDirection(int32_t eye, int32_t pointer, double distance) {
  return CheckedDiv(SubLng(eye, pointer), distance);
}

float PupilCoordinate(int32_t centre, double direction) {
  return CSng(CheckFloat(centre - kPupilDistance * direction));
}

}  // namespace oculon
