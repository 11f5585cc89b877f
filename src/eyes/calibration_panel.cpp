// The calibration panel: trial eye centres from the scroll bars, previewed with the last
// tick's directions, and the check box that switches the tracking.
#include "eyes/eye_geometry.h"
#include "eyes/f_oculon.h"
#include "platform/numbers.h"

namespace oculon {
namespace {

float PreviewCoordinate(int16_t centre, double direction) {
  return CSng(CheckFloat(centre - kPupilDistance * direction));
}

}  // namespace

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
  Circle(PreviewCoordinate(HScroll1.Value(), mLeftDirX),
         PreviewCoordinate(VScroll1.Value(), mLeftDirY), kPupilRadius, kBlack);
  Circle(PreviewCoordinate(HScroll2.Value(), mRightDirX),
         PreviewCoordinate(VScroll2.Value(), mRightDirY), kPupilRadius, kBlack);
}

}  // namespace oculon
