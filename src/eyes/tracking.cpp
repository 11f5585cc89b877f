// The tracking tick: where the pointer is from each eye, and the eyes painted towards it.
#include <cmath>

#include "eyes/eye_geometry.h"
#include "eyes/f_oculon.h"
#include "platform/numbers.h"

namespace oculon {
namespace {

double Square(int32_t difference) {
  return CheckFloat(std::pow(static_cast<double>(difference), 2.0));
}

// The distance from the pointer to an eye's centre, in screen pixels.
double Distance(int32_t eyeX, int32_t eyeY, const POINT& pointer) {
  double sum = CheckFloat(Square(SubLng(eyeY, pointer.y)) + Square(SubLng(eyeX, pointer.x)));
  return CheckedSqrt(sum);
}

// A pupil coordinate: the eye's centre less the pupil distance along the direction.
float PupilCoordinate(int32_t centre, double direction) {
  return CSng(CheckFloat(centre - kPupilDistance * direction));
}

}  // namespace

void fOculon::tmr_Timer() {
  GetWindowRect(hWnd(), mWinRect);
  mLeftEyeX = AddLng(mWinRect.left, kLeftEyeCentre.x);
  mLeftEyeY = AddLng(mWinRect.top, kLeftEyeCentre.y);
  mRightEyeX = AddLng(mWinRect.left, kRightEyeCentre.x);
  mRightEyeY = AddLng(mWinRect.top, kRightEyeCentre.y);
  GetCursorPos(mCursor);
  mLeftDist = Distance(mLeftEyeX, mLeftEyeY, mCursor);
  mRightDist = Distance(mRightEyeX, mRightEyeY, mCursor);
  if (mLeftDist == 0) mLeftDist = 1.0;
  if (mRightDist == 0) mRightDist = 1.0;
  mLeftDirY = CheckedDiv(SubLng(mLeftEyeY, mCursor.y), mLeftDist);
  mLeftDirX = CheckedDiv(SubLng(mLeftEyeX, mCursor.x), mLeftDist);
  mRightDirY = CheckedDiv(SubLng(mRightEyeY, mCursor.y), mRightDist);
  mRightDirX = CheckedDiv(SubLng(mRightEyeX, mCursor.x), mRightDist);

  SetFillColor(kWhite);
  Circle(kLeftEyeCentre.x, kLeftEyeCentre.y, kEyeWhiteRadius, kWhite);
  Circle(kRightEyeCentre.x, kRightEyeCentre.y, kEyeWhiteRadius, kWhite);
  SetFillColor(kBlack);
  Circle(PupilCoordinate(kLeftEyeCentre.x, mLeftDirX), PupilCoordinate(kLeftEyeCentre.y, mLeftDirY),
         kPupilRadius, kBlack);
  Circle(PupilCoordinate(kRightEyeCentre.x, mRightDirX),
         PupilCoordinate(kRightEyeCentre.y, mRightDirY), kPupilRadius, kBlack);
}

}  // namespace oculon
