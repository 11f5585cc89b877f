// The outline scan: one rectangle per maximal run of non-key pixels on a row, merged into the
// window's region in scan order; and the drag hand-off.
#include "shape/c_trimmer.h"

#include "runtime/numbers.h"
#include "runtime/window_calls.h"

namespace oculon {

void cTrimmer::GrabForm(Form& frm) {
  ReleaseCapture();
  SendMessageA(frm.hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void cTrimmer::TrimForm(Form& frm) {
  if (frm.Picture().Handle() == 0) return;
  int16_t savedScaleMode = frm.ScaleMode();
  bool savedAutoRedraw = frm.AutoRedraw();
  frm.SetAutoRedraw(true);  // Point then reads the persistent image, which holds the picture
  frm.SetScaleMode(kScalePixels);
  int32_t key = frm.Point(0, 0);
  mRegion = CreateRectRgn(0, 0, 0, 0);
  int32_t runStart = -1;
  int32_t lastRow = CLng(frm.ScaleHeight() - 1);
  for (int32_t y = 0; y <= lastRow; y = AddLng(y, 1)) {
    int32_t lastColumn = CLng(frm.ScaleWidth() - 1);
    for (int32_t x = 0; x <= lastColumn; x = AddLng(x, 1)) {
      int32_t colour = frm.Point(static_cast<float>(x), static_cast<float>(y));
      if (colour != key && runStart == -1) {
        runStart = x;
      } else if (colour == key && runStart >= 0) {
        AddRect(runStart, y, x, AddLng(y, 1));
      }
    }
    if (runStart >= 0) AddRect(runStart, y, AddLng(lastColumn, 1), AddLng(y, 1));
  }
  if (SetWindowRgn(frm.hWnd(), mRegion, true) == 0) DeleteObject(mRegion);
  frm.SetScaleMode(savedScaleMode);
  frm.SetAutoRedraw(savedAutoRedraw);
}

void cTrimmer::AddRect(int32_t& left, int32_t top, int32_t right, int32_t bottom) {
  mRectRegion = CreateRectRgn(left, top, right, bottom);
  CombineRgn(mRegion, mRegion, mRectRegion, RGN_OR);
  DeleteObject(mRectRegion);
  left = -1;
}

}  // namespace oculon
