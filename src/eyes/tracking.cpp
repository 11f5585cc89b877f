// The tracking tick: where the pointer is from each eye, and the eyes painted towards it.
#include "eyes/eye_geometry.h"
#include "eyes/eye_math.h"
#include "eyes/f_oculon.h"
#include "platform/numbers.h"

namespace oculon {

void fOculon::tmr_Timer() {
  // The rectangle and the pointer come from one reading of the desktop, so that they agree.
  GetWindowRectAndCursorPos(hWnd(), mWinRect, mCursor);
  mLeftEyeX = AddLng(mWinRect.left, kLeftEyeCentre.x);
  mLeftEyeY = AddLng(mWinRect.top, kLeftEyeCentre.y);
  mRightEyeX = AddLng(mWinRect.left, kRightEyeCentre.x);
  mRightEyeY = AddLng(mWinRect.top, kRightEyeCentre.y);
  mLeftDist = EyeDistance(mLeftEyeX, mLeftEyeY, mCursor);
  mRightDist = EyeDistance(mRightEyeX, mRightEyeY, mCursor);
  if (mLeftDist == 0) mLeftDist = 1.0;
  if (mRightDist == 0) mRightDist = 1.0;
  mLeftDirY = EyeDirection(mLeftEyeY, mCursor.y, mLeftDist);
  mLeftDirX = EyeDirection(mLeftEyeX, mCursor.x, mLeftDist);
  mRightDirY = EyeDirection(mRightEyeY, mCursor.y, mRightDist);
  mRightDirX = EyeDirection(mRightEyeX, mCursor.x, mRightDist);

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
