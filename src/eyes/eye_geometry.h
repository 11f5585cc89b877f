// The fixed geometry of the two painted eyes, in client pixels.
#pragma once

#include <cstdint>

namespace oculon {

struct EyeCentre {
  int32_t x;
  int32_t y;
};

inline constexpr EyeCentre kLeftEyeCentre{58, 148};
inline constexpr EyeCentre kRightEyeCentre{117, 150};
inline constexpr float kEyeWhiteRadius = 17.8f;
inline constexpr float kPupilRadius = 7.0f;
inline constexpr double kPupilDistance = 10.0;
inline constexpr int32_t kWhite = 0xFFFFFF;
inline constexpr int32_t kBlack = 0x000000;

}  // namespace oculon
