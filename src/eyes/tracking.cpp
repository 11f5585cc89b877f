// The tracking tick: where the pointer is from each eye, and the eyes painted towards it,
// repainting only what moved.
#include "eyes/eye_geometry.h"
#include "eyes/eye_math.h"
#include "eyes/f_oculon.h"
#include "runtime/numbers.h"

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

  PaintEyes();
}

// While nothing else has drawn since the last tick, each white is whole but for the pupil that
// tick painted, and a pupil lies within its white. So only a pupil that moved is painted over
// in white and painted at its new place: the pixels are those of painting both eyes afresh.
void fOculon::PaintEyes() {
  PaintedPupils pupils{
      {PupilCoordinate(kLeftEyeCentre.x, mLeftDirX), PupilCoordinate(kLeftEyeCentre.y, mLeftDirY)},
      {PupilCoordinate(kRightEyeCentre.x, mRightDirX),
       PupilCoordinate(kRightEyeCentre.y, mRightDirY)},
      0};
  bool afresh = !mPainted || mPainted->generation != ImageGeneration();
  bool leftMoved = afresh || mPainted->left != pupils.left;
  bool rightMoved = afresh || mPainted->right != pupils.right;

  SetFillColor(kWhite);
  if (afresh) {
    Circle(kLeftEyeCentre.x, kLeftEyeCentre.y, kEyeWhiteRadius, kWhite);
    Circle(kRightEyeCentre.x, kRightEyeCentre.y, kEyeWhiteRadius, kWhite);
  } else {
    if (leftMoved) Circle(mPainted->left.x, mPainted->left.y, kPupilRadius, kWhite);
    if (rightMoved) Circle(mPainted->right.x, mPainted->right.y, kPupilRadius, kWhite);
  }
  SetFillColor(kBlack);
  if (leftMoved) Circle(pupils.left.x, pupils.left.y, kPupilRadius, kBlack);
  if (rightMoved) Circle(pupils.right.x, pupils.right.y, kPupilRadius, kBlack);
  pupils.generation = ImageGeneration();
  mPainted = pupils;
}

}  // namespace oculon
