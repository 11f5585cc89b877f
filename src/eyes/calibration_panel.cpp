// The calibration panel: trial eye centres from the scroll bars, previewed with the last
// tick's directions, and the check box that switches the tracking.
#include "eyes/eye_geometry.h"
#include "eyes/eye_math.h"
#include "eyes/f_oculon.h"
#include "runtime/numbers.h"

namespace oculon {

void fOculon::chkTimer_Click() {
  tmr.SetEnabled(chkTimer.Value() != 0);
  SetAutoRedraw(chkTimer.Value() != 0);
}

void fOculon::HScroll1_Change() {
  lblScr(0).SetCaption(CStr(int32_t{HScroll1.Value()}));
  DrawPreview();
}

void fOculon::HScroll2_Change() {
  lblScr(1).SetCaption(CStr(int32_t{HScroll2.Value()}));
  DrawPreview();
}

void fOculon::VScroll1_Change() {
  lblScr(2).SetCaption(CStr(int32_t{VScroll1.Value()}));
  DrawPreview();
}

void fOculon::VScroll2_Change() {
  lblScr(3).SetCaption(CStr(int32_t{VScroll2.Value()}));
  DrawPreview();
}

void fOculon::DrawPreview() {
  Refresh();
  SetFillColor(kWhite);
  Circle(HScroll1.Value(), VScroll1.Value(), kEyeWhiteRadius, kWhite);
  Circle(HScroll2.Value(), VScroll2.Value(), kEyeWhiteRadius, kWhite);
  SetFillColor(kBlack);
  Circle(PupilCoordinate(HScroll1.Value(), mLeftDirX), PupilCoordinate(VScroll1.Value(), mLeftDirY),
         kPupilRadius, kBlack);
  Circle(PupilCoordinate(HScroll2.Value(), mRightDirX),
         PupilCoordinate(VScroll2.Value(), mRightDirY), kPupilRadius, kBlack);
}

}  // namespace oculon
