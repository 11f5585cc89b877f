// The artwork's facts that the tests hold the program to, written once here and apart from the
// program's own constants, so that a slip in those shows: the head's size, its eyes, the pixels
// of its outline, the colour cut away, and a few places on it, in the program's pixels.
#pragma once

#include <cstdint>

namespace oculon::testing::artwork {

inline constexpr int kWidth = 170;
inline constexpr int kHeight = 322;
inline constexpr int kLeftEyeX = 58;
inline constexpr int kLeftEyeY = 148;
inline constexpr int kRightEyeX = 117;
inline constexpr int kRightEyeY = 150;
inline constexpr double kEyeWhiteRadius = 17.8;
inline constexpr double kPupilRadius = 7;
inline constexpr double kPupilDistance = 10;
// The outline the window is cut to.
inline constexpr int64_t kShapePixels = 36'326;
// The background colour, 0xRRGGBB: every pixel of it is cut away.
inline constexpr uint32_t kKeyColor = 0x00012B;
// On the left eye's white, beyond a pupil's reach to the left: a tick's paint shows there.
inline constexpr int kLeftEyeWhiteX = 52;
inline constexpr int kLeftEyeWhiteY = 148;
// A cut-away pixel beside the head's cheek.
inline constexpr int kCutAwayX = 3;
inline constexpr int kCutAwayY = 190;

}  // namespace oculon::testing::artwork
