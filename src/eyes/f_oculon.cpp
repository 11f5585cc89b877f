// The eye window's definition and its Load handler.
#include "eyes/f_oculon.h"

#include "eyes/artwork.h"
#include "eyes/placement.h"
#include "runtime/screen.h"

namespace oculon {
namespace {

constexpr ScrollRange kPanelRange{0, 255, 1, 1};
const Font kNumberFont{"MS Sans Serif", 9.75, true};

FormDefinition Definition() {
  FormDefinition definition;
  definition.caption = "Form1";
  definition.widthTwips = 2550;  // 170 x 322 pixels, the artwork's size
  definition.heightTwips = 4830;
  definition.scaleMode = kScalePixels;
  definition.backColor = 0xE0E0E0;
  definition.foreColor = 0x000000;
  definition.fillColor = 0xFFFFC0;
  definition.fillStyle = kFillSolid;
  // Ticks paint into the persistent image from the start, so a repaint never shows the
  // artwork's own eyes.
  definition.autoRedraw = true;
  definition.showInTaskbar = false;
  definition.picture = HeadPicture();
  definition.icon = IconPicture();
  return definition;
}

}  // namespace

std::unique_ptr<fOculon>& fOculon::DefaultInstance() {
  static std::unique_ptr<fOculon> instance;
  return instance;
}

fOculon& fOculon::Default() {
  if (!DefaultInstance()) DefaultInstance() = std::make_unique<fOculon>();
  return *DefaultInstance();
}

fOculon::fOculon()
    : Form(Definition()),
      HScroll1(0, {2760, 1020, 1455, 255}, kPanelRange, 58),
      VScroll1(1, {3360, 1380, 255, 1755}, kPanelRange, 148),
      HScroll2(2, {4620, 1020, 1455, 255}, kPanelRange, 117),
      VScroll2(3, {5220, 1380, 255, 1755}, kPanelRange, 150),
      Label1(4, {2700, 660, 3555, 315}, "AUGE LINKS      AUGE RECHTS", {"Arial", 11.25, true}),
      Label2(5, {3360, 180, 2115, 375}, "P O S I T I O N", {"Arial", 14.25, true}),
      chkTimer(10, {3660, 3480, 1695, 315}, "TIMER ENABLED", 1) {
  lblScr.Add(std::make_unique<Label>(6, TwipsLayout{2640, 1320, 555, 255}, "58", kNumberFont));
  lblScr.Add(std::make_unique<Label>(7, TwipsLayout{4560, 1320, 555, 255}, "117", kNumberFont));
  lblScr.Add(std::make_unique<Label>(8, TwipsLayout{3600, 1680, 555, 255}, "148", kNumberFont));
  lblScr.Add(std::make_unique<Label>(9, TwipsLayout{5460, 1680, 555, 255}, "150", kNumberFont));
  for (Control* control : {static_cast<Control*>(&HScroll1), static_cast<Control*>(&VScroll1),
                           static_cast<Control*>(&HScroll2), static_cast<Control*>(&VScroll2),
                           static_cast<Control*>(&Label1), static_cast<Control*>(&Label2),
                           static_cast<Control*>(&chkTimer)}) {
    AddControl(*control);
  }
  for (int i = 0; i < 4; ++i) AddControl(lblScr(i));
  AddTimer(tmr);

  tmr.Tick = [this] { tmr_Timer(); };
  // The tick reads the pointer and the window's place and draws the pupils over the picture:
  // when it drew nothing, the next draws nothing either until one of those changes.
  tmr.SetWaitsForChange(true);
  chkTimer.Click = [this] { chkTimer_Click(); };
  HScroll1.Change = [this] { HScroll1_Change(); };
  HScroll2.Change = [this] { HScroll2_Change(); };
  VScroll1.Change = [this] { VScroll1_Change(); };
  VScroll2.Change = [this] { VScroll2_Change(); };
  HScroll1.Scroll = [this] { HScroll1_Scroll(); };
  HScroll2.Scroll = [this] { HScroll2_Scroll(); };
  VScroll1.Scroll = [this] { VScroll1_Scroll(); };
  VScroll2.Scroll = [this] { VScroll2_Scroll(); };
}

void fOculon::Form_Load() {
  float screenHeight = Screen.Height();
  SetTop(static_cast<float>(LoadTop(screenHeight, Height())));
  float screenWidth = Screen.Width();
  SetLeft(static_cast<float>(CentredLeft(screenWidth, Width())));
  if (!mTrimmer) mTrimmer = std::make_unique<cTrimmer>();
  mTrimmer->TrimForm(*this);
  SetWindowPos(hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void fOculon::Form_MouseDown(int16_t Button, int16_t, float, float) {
  if (Button != kLeftButton) return;
  if (!mTrimmer) mTrimmer = std::make_unique<cTrimmer>();
  mTrimmer->GrabForm(*this);
}

}  // namespace oculon
