// The tick's arithmetic on its own: the worked examples' distances, directions and pupils.
#include "eyes/eye_math.h"

#include <gtest/gtest.h>

#include "runtime/run_time_error.h"

namespace oculon {
namespace {

// The window's corner at (100, 200): the eye centres stand at (158, 348) and (217, 350).
TEST(EyeMath, PointerBetweenTheEyesTurnsThePupilsTowardsEachOther) {
  const POINT pointer{182, 338};
  double left = EyeDistance(158, 348, pointer);
  double right = EyeDistance(217, 350, pointer);
  EXPECT_EQ(left, 26.0);
  EXPECT_EQ(right, 37.0);
  EXPECT_DOUBLE_EQ(EyeDirection(158, pointer.x, left), -12.0 / 13);
  EXPECT_DOUBLE_EQ(EyeDirection(348, pointer.y, left), 5.0 / 13);
  EXPECT_FLOAT_EQ(PupilCoordinate(58, -12.0 / 13), 67.23077f);
  EXPECT_FLOAT_EQ(PupilCoordinate(148, 5.0 / 13), 144.15384f);
  EXPECT_FLOAT_EQ(PupilCoordinate(117, EyeDirection(217, pointer.x, right)), 107.54054f);
}

TEST(EyeMath, APointerOnTheCentreHasNoDistanceAndAFarOneTenPixels) {
  EXPECT_EQ(EyeDistance(158, 348, {158, 348}), 0.0);  // the tick then takes 1
  EXPECT_EQ(EyeDirection(158, 158, 1.0), 0.0);
  EXPECT_EQ(PupilCoordinate(148, EyeDirection(348, 0, EyeDistance(158, 348, {158, 0}))), 138.0f);
  double far = EyeDistance(217, 350, {188, 388});
  EXPECT_NEAR(far, 47.80167, 1e-5);
  EXPECT_NEAR(PupilCoordinate(150, EyeDirection(350, 388, far)), 157.94951f, 1e-4);
}

TEST(EyeMath, DifferencesPastThe32BitRangeOverflow) {
  try {
    EyeDistance(INT32_MAX, 0, {-1, 0});
    FAIL() << "no overflow";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.number(), 6);
  }
  EXPECT_THROW(EyeDirection(INT32_MIN, 1, 1.0), RunTimeError);
}

}  // namespace
}  // namespace oculon
