// The tracking tick's arithmetic as plain functions: how far the pointer is from an eye, the
// direction from the pointer to it, and where that puts the pupil. Integer steps are
// overflow-checked and floating results fault-checked, as the runtime's rules say.
#pragma once

#include <cstdint>

#include "runtime/window_calls.h"

namespace oculon {

// The distance in screen pixels from `pointer` to the eye centre at (eyeX, eyeY).
double EyeDistance(int32_t eyeX, int32_t eyeY, const POINT& pointer);
// One component of the unit vector from the pointer to the eye: (eye − pointer) / distance.
double EyeDirection(int32_t eye, int32_t pointer, double distance);
// A pupil centre coordinate: the eye's centre less the pupil distance along the direction, in
// the single precision that Circle takes.
float PupilCoordinate(int32_t centre, double direction);

}  // namespace oculon
