// Start-up and the exit on double-click: placement from the settings file, the second
// instance, saving and restoring.
#include "app/app_modul.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "eyes/default_window_reset.h"
#include "eyes/oculon_fixture.h"
#include "eyes/placement.h"

namespace oculon {
namespace {

using testing::OculonTest;
using testing::ReadFile;
using testing::WriteFile;

class Startup : public OculonTest {
 protected:
  void StartWithSettings(const std::string& content) {
    WriteFile(iniFile(), content);
    Start();
  }
  void Start() { desktop.Deliver(Main); }
  PixelPoint Position() const { return desktop.window().position; }
};

TEST_F(Startup, FirstStartShowsTheWindowAtTheTopCentredAndWritesNothing) {
  Start();
  EXPECT_FALSE(desktop.ended());
  EXPECT_TRUE(desktop.window().shown);
  EXPECT_TRUE(desktop.window().topmost);
  EXPECT_TRUE(desktop.window().shaped);
  EXPECT_EQ(Position(), (PixelPoint{875, 0}));
  EXPECT_FALSE(std::filesystem::exists(iniFile()));
  EXPECT_EQ(gIniFile, iniFile());
}

TEST_F(Startup, ASavedPositionIsRestoredAlsoWhenNegative) {
  StartWithSettings("[Brask's Quibbet]\r\nTop=-300\r\nLeft=-1500\r\n");
  EXPECT_EQ(Position(), (PixelPoint{-100, -20}));
}

TEST_F(Startup, AFileWithOnlyTopPutsLeftAtZero) {
  StartWithSettings("[brask's quibbet]\nTOP=4470\n");
  EXPECT_EQ(Position(), (PixelPoint{0, 298}));
}

TEST_F(Startup, TextWithoutANumberGivesZero) {
  StartWithSettings("[Brask's Quibbet]\nTop=abc\nLeft=4500\n");
  EXPECT_EQ(Position(), (PixelPoint{300, 0}));
}

TEST_F(Startup, OnlyADotSeparatesTheFraction) {
  StartWithSettings("[Brask's Quibbet]\nTop=1522,5\nLeft=1522.5\n");
  EXPECT_EQ(Position(), (PixelPoint{102, 101}));  // 1522.5 twips = 101.5 pixels, to even
}

TEST_F(Startup, PositionsBeyondTheRangeKeepWhatLoadGave) {
  StartWithSettings("[Brask's Quibbet]\nTop=1e400\nLeft=" + std::string(400, '9') + "\n");
  EXPECT_EQ(Position(), (PixelPoint{875, LoadTop(1080 * 15, 4830) / 15}));
  EXPECT_TRUE(desktop.window().shown);
}

// A saved place is kept where a monitor shows the head, and otherwise left for Load's.
struct SavedPlace {
  const char* settings;
  std::vector<PixelRect> otherMonitors;
  std::optional<PixelPoint> kept;  // none: Load's place
  friend void PrintTo(const SavedPlace& place, std::ostream* out) { *out << place.settings; }
};

class SavedPlaces : public Startup, public ::testing::WithParamInterface<SavedPlace> {};

TEST_P(SavedPlaces, AreKeptWhereAMonitorShowsTheHead) {
  desktop.SetOtherMonitors(GetParam().otherMonitors);
  StartWithSettings(std::string("[Brask's Quibbet]\r\n") + GetParam().settings);
  EXPECT_EQ(Position(), GetParam().kept.value_or(PixelPoint{875, LoadTop(1080 * 15, 4830) / 15}));
  EXPECT_TRUE(desktop.window().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, SavedPlaces,
    ::testing::Values(
        SavedPlace{"Top=0\r\nLeft=40000\r\n", {}, std::nullopt},         // right of the screen
        SavedPlace{"Top=0\r\nLeft=-14250\r\n", {}, std::nullopt},        // left of it
        SavedPlace{"Top=1e9\r\nLeft=0\r\n", {}, std::nullopt},           // far below
        SavedPlace{"Top=0\r\nLeft=28095\r\n", {}, std::nullopt},         // 47 pixels shown
        SavedPlace{"Top=0\r\nLeft=28080\r\n", {}, PixelPoint{1872, 0}},  // 48 shown
        SavedPlace{"Top=-1500\r\nLeft=-1000\r\n", {}, PixelPoint{-67, -100}},
        SavedPlace{"Top=1500\r\nLeft=-15000\r\n", {{-1280, 0, 0, 1024}}, PixelPoint{-1000, 100}},
        SavedPlace{"Top=22500\r\nLeft=36000\r\n",
                   {{2000, 1080, 3920, 2160}},
                   PixelPoint{2400, 1500}}));  // on a monitor diagonal to the primary

TEST_F(Startup, OverflowInTheCentringLeavesTheLoadPosition) {
  desktop.SetScreenSize({200'000'000, 1080});  // wider than 32 bits of twips
  Start();
  EXPECT_FALSE(desktop.ended());
  EXPECT_TRUE(desktop.window().shown);
  // Load failed at its horizontal step, so the Top = 0 that loaded it was skipped too.
  EXPECT_EQ(Position(), (PixelPoint{0, LoadTop(1080 * 15, 4830) / 15}));
  EXPECT_FALSE(desktop.window().topmost);
}

TEST_F(Startup, ASecondInstanceEndsAtOnceWithoutReadingAnything) {
  desktop.SetAnotherInstanceRuns(true);
  Start();
  EXPECT_TRUE(desktop.ended());
  EXPECT_EQ(desktop.exitCode(), 0);
  EXPECT_FALSE(desktop.window().created);
  EXPECT_TRUE(gIniFile.empty());
}

TEST_F(Startup, ACommandLineIsKeptAndChangesNothing) {
  char program[] = "oculon";
  char option[] = "--help";
  char* argv[] = {program, option};
  App.SetCommandLine(2, argv);
  Start();
  App.SetCommandLine(1, argv);
  EXPECT_EQ(gCommandLine, "--help");
  EXPECT_EQ(Position(), (PixelPoint{875, 0}));
}

TEST_F(Startup, DoubleClickSavesTopThenLeftAndEnds) {
  StartWithSettings("; mine\n[Brask's Quibbet]\nLeft=1\n");
  desktop.MoveWindowByUser({-12, 345});
  desktop.DoubleClick();
  EXPECT_TRUE(desktop.ended());
  EXPECT_EQ(desktop.exitCode(), 0);
  EXPECT_EQ(ReadFile(iniFile()), "; mine\n[Brask's Quibbet]\nLeft=-180\nTop=5175\r\n");
  desktop.AdvanceTime(700);  // nothing runs after the end
}

TEST_F(Startup, DoubleClickThenANewStartRestoresThePosition) {
  Start();
  desktop.MoveWindowByUser({401, 77});
  desktop.DoubleClick();
  EXPECT_EQ(ReadFile(iniFile()), "[Brask's Quibbet]\r\nTop=1155\r\nLeft=6015\r\n");
  DefaultWindowReset::Now();
  HeadlessDesktop second;
  second.Deliver(Main);
  EXPECT_EQ(second.window().position, (PixelPoint{401, 77}));
}

TEST_F(Startup, AWindowWhosePlaceCannotBeHadSavesNothingRatherThanZero) {
  StartWithSettings("[Brask's Quibbet]\nTop=750\nLeft=600\n");
  desktop.SetQueriesFail(true);
  desktop.DoubleClick();
  EXPECT_TRUE(desktop.ended());
  EXPECT_EQ(desktop.exitCode(), 0);
  EXPECT_EQ(ReadFile(iniFile()), "[Brask's Quibbet]\nTop=750\nLeft=600\n");
}

TEST_F(Startup, AFailedSaveStillEnds) {
  Start();
  std::filesystem::create_directory(iniFile());  // the settings path is taken by a folder
  desktop.DoubleClick();
  EXPECT_TRUE(desktop.ended());
  EXPECT_EQ(desktop.exitCode(), 0);
}

}  // namespace
}  // namespace oculon
