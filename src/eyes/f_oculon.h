// The eye window fOculon: its definition, its placement at load, the tracking tick and the
// calibration panel that lies outside its visible area.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "runtime/controls.h"
#include "runtime/form.h"
#include "runtime/timer.h"
#include "runtime/window_calls.h"
#include "shape/c_trimmer.h"

namespace oculon {

class fOculon : public Form {
 public:
  // The default instance, created on first reference; creating it does not load the window.
  static fOculon& Default();

  fOculon();

  // The tracking timer and the calibration panel, in keyboard order.
  Timer tmr{70, true};
  ScrollBar HScroll1;
  ScrollBar VScroll1;
  ScrollBar HScroll2;
  ScrollBar VScroll2;
  Label Label1;
  Label Label2;
  LabelArray lblScr;
  CheckBox chkTimer;

  std::unique_ptr<cTrimmer> mTrimmer;
  // What the last tick measured, in screen pixels.
  POINT mCursor{};
  RECT mWinRect{};
  int32_t mLeftEyeX = 0;
  int32_t mLeftEyeY = 0;
  int32_t mRightEyeX = 0;
  int32_t mRightEyeY = 0;
  double mLeftDist = 0;
  double mRightDist = 0;
  // Unit vectors from the pointer to each eye's centre.
  double mLeftDirY = 0;
  double mLeftDirX = 0;
  double mRightDirY = 0;
  double mRightDirX = 0;

 protected:
  void Form_Load() override;
  void Form_DblClick() override;
  void Form_MouseDown(int16_t Button, int16_t Shift, float X, float Y) override;

 private:
  // Tests start each case from a new default instance.
  friend struct DefaultWindowReset;
  static std::unique_ptr<fOculon>& DefaultInstance();

  void tmr_Timer();
  void chkTimer_Click();
  void HScroll1_Change();
  void HScroll2_Change();
  void VScroll1_Change();
  void VScroll2_Change();
  void HScroll1_Scroll() { HScroll1_Change(); }
  void HScroll2_Scroll() { HScroll2_Change(); }
  void VScroll1_Scroll() { VScroll1_Change(); }
  void VScroll2_Scroll() { VScroll2_Change(); }
  void DrawPreview();
  void PaintEyes();

  // Where the last tick painted the pupils, and the image generation its painting left.
  struct PupilCentre {
    float x;
    float y;
    bool operator==(const PupilCentre&) const = default;
  };
  struct PaintedPupils {
    PupilCentre left;
    PupilCentre right;
    uint64_t generation;
  };
  std::optional<PaintedPupils> mPainted;
};

}  // namespace oculon
