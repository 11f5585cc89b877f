// The eye window's definition and its Load handler: placement, shape and topmost.
#include "eyes/f_oculon.h"

#include <gtest/gtest.h>

#include "eyes/oculon_fixture.h"
#include "eyes/placement.h"
#include "runtime/run_time_error.h"

namespace oculon {
namespace {

using testing::OculonTest;

struct Screen {
  int width, height;
  int32_t top, left;
};

class EyeWindow : public OculonTest {};

TEST(Placement, WorkedExamples) {
  for (Screen s : {Screen{1920, 1080, 4470, 13125},
                   {1680, 1050, 4279, 11325},
                   {1024, 768, 2481, 6405},
                   {1365, 768, 2481, 8962},
                   {800, 600, 1410, 4725}}) {
    EXPECT_EQ(LoadTop(float(s.height * 15), 4830), s.top) << s.width << "x" << s.height;
    EXPECT_EQ(CentredLeft(float(s.width * 15), 2550), s.left) << s.width << "x" << s.height;
  }
  EXPECT_EQ(CentredLeft(2400, 2550), -75);  // a screen narrower than the window
  EXPECT_THROW(CentredLeft(3e9f, 2550), RunTimeError);
}

TEST_F(EyeWindow, DefinitionMatchesTheWindowItDescribes) {
  fOculon& form = window();
  EXPECT_FALSE(form.IsLoaded());  // a reference alone does not load
  EXPECT_EQ(form.Width(), 2550);
  EXPECT_EQ(form.Height(), 4830);
  EXPECT_EQ(form.Caption(), "Form1");
  EXPECT_EQ(form.ScaleMode(), 3);
  EXPECT_EQ(form.ScaleWidth(), 170);
  EXPECT_EQ(form.ScaleHeight(), 322);
  EXPECT_EQ(form.BackColor(), 0xE0E0E0);
  EXPECT_EQ(form.FillColor(), 0xFFFFC0);
  EXPECT_EQ(form.FillStyle(), 0);
  EXPECT_EQ(form.Point(0, 0), 0x2B0100);
  EXPECT_EQ(form.Icon().image().width(), 32);
  EXPECT_EQ(form.tmr.Interval(), 70);
  EXPECT_TRUE(form.tmr.Enabled());
  EXPECT_EQ(form.HScroll1.Value(), 58);
  EXPECT_EQ(form.VScroll1.Value(), 148);
  EXPECT_EQ(form.HScroll2.Value(), 117);
  EXPECT_EQ(form.VScroll2.Value(), 150);
  EXPECT_EQ(form.HScroll1.Range().max, 255);
  EXPECT_EQ(form.lblScr(0).Caption(), "58");
  EXPECT_EQ(form.lblScr(1).Caption(), "117");
  EXPECT_EQ(form.lblScr(2).Caption(), "148");
  EXPECT_EQ(form.lblScr(3).Caption(), "150");
  EXPECT_EQ(form.Label1.Caption(), "AUGE LINKS      AUGE RECHTS");
  EXPECT_EQ(form.chkTimer.Caption(), "TIMER ENABLED");
  EXPECT_EQ(form.chkTimer.Value(), 1);
  for (const Control* control :
       {static_cast<const Control*>(&form.HScroll1), static_cast<const Control*>(&form.Label2),
        static_cast<const Control*>(&form.lblScr(0))}) {
    EXPECT_GE(control->Layout().left, 2640);  // the panel lies right of the client area
  }
}

TEST_F(EyeWindow, LoadPlacesShapesAndRaisesTheWindowHidden) {
  desktop.SetScreenSize({1680, 1050});
  window().hWnd();
  EXPECT_EQ(desktop.window().moves.back(), (PixelPoint{11325 / 15, 4279 / 15}));
  EXPECT_TRUE(desktop.window().shaped);
  EXPECT_TRUE(desktop.window().topmost);
  EXPECT_FALSE(desktop.window().shown);
  EXPECT_EQ(desktop.window().size, (PixelSize{170, 322}));
}

TEST_F(EyeWindow, LoadOnAScreenNarrowerThanTheWindowGivesANegativeLeft) {
  desktop.SetScreenSize({160, 200});
  EXPECT_EQ(window().Left(), -75);  // 1200 - 1275
  EXPECT_EQ(window().Top(), LoadTop(3000, 4830) / 15 * 15);
}

}  // namespace
}  // namespace oculon
