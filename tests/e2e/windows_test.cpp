// The Windows program under Wine, on a private X server with openbox: the window, its shape,
// the eyes, a drag, the double-click's save and restore, a second start and a close; the
// release zip and the installer.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>
#include <xcb/shape.h>

#include <filesystem>
#include <fstream>

#include "e2e/program_on_display.h"
#include "eyes/placement.h"

namespace oculon::e2e {
namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;
constexpr Point kDefaultPosition{(kScreenWidth * 15 / 2 - 1275) / 15, 0};
constexpr char kWine[] = OCULON_WINE;
constexpr char kWineServer[] = "/usr/lib/wine/wineserver";

// The Wine environment of a test: the shared prefix (made once, without a display, so that no
// window waits on a window manager); the rest of Wine's settings are cmake/wine's.
std::map<std::string, std::string> WineEnvironment(const std::string& display) {
  return {{"DISPLAY", display}, {"WINEPREFIX", OCULON_WINE_PREFIX}};
}

// Runs one of Wine's commands to its end.
std::optional<int> RunWine(std::vector<std::string> argv, const std::string& display,
                           std::chrono::milliseconds deadline) {
  Process process(std::move(argv), WineEnvironment(display));
  return process.WaitForExit(deadline);
}

class OnWine : public ::testing::Test, protected ProgramOnDisplay {
 protected:
  static void SetUpTestSuite() {
    if (std::filesystem::exists(std::string(OCULON_WINE_PREFIX) + "/system.reg")) return;
    RunWine({kWine, "wineboot", "--init"}, "", 180s);
    RunWine({kWineServer, "-k"}, "", 30s);
  }

  OnWine()
      : ProgramOnDisplay({.width = kScreenWidth, .height = kScreenHeight, .extraArguments = {}},
                         OCULON_WINDOWS_EXECUTABLE, "oculon.exe") {
    display.StartWindowManager();
    display.HoldClicksFor(30ms);
    environment = WineEnvironment(display.name());
    windowDeadline = 60s;  // Wine's own services start with the first program
  }

  // WORKAROUND(Wine 8): a double-click as a new window's first input, or right after a drag,
  // was lost at times (under load in CI): a click first, until the head has the focus; any two
  // of the three clicks in a row then make the double-click.
  void DoubleClickTheHead(Point at) {
    display.Click(at.x, at.y);
    ASSERT_TRUE(WaitFor([&] { return display.InputFocus() == window; }));
    display.DoubleClick(at.x, at.y);
  }

  // The programs end first, then the Wine server of this display with what it started.
  ~OnWine() override {
    program.reset();
    RunWine({kWineServer, "-k"}, display.name(), 30s);
  }

  bool StartOnWine() { return Start({kWine}); }
};

TEST_F(OnWine, TheHeadShowsAtTheTopCentredCutToItsOutlineAndItsEyesFollowThePointer) {
  ASSERT_TRUE(StartOnWine());
  EXPECT_EQ(Position(), kDefaultPosition);
  int area = 0;
  for (const xcb_rectangle_t& r : display.Shape(window, XCB_SHAPE_SK_BOUNDING))
    area += r.width * r.height;
  EXPECT_EQ(area, artwork::kShapePixels);
  EXPECT_EQ(Screen(0, 0), Display::kRootColor);  // the corner is cut away
  EXPECT_EQ(Screen(85, 60), ArtworkPixel(85, 60));
  std::vector<uint32_t> state = display.Property32(window, "_NET_WM_STATE");
  EXPECT_NE(std::find(state.begin(), state.end(), display.Atom("_NET_WM_STATE_ABOVE")),
            state.end());
  EXPECT_EQ(display.Property32(window, "_NET_FRAME_EXTENTS"), (std::vector<uint32_t>{0, 0, 0, 0}));

  for (Point pointer : {Point{0, 0}, Point{kScreenWidth - 1, kScreenHeight - 1}, Point{640, 700}}) {
    display.MovePointer(pointer.x, pointer.y);
    EXPECT_TRUE(PupilFollows(kLeftEye, pointer)) << pointer.x << "," << pointer.y;
    EXPECT_TRUE(PupilFollows(kRightEye, pointer)) << pointer.x << "," << pointer.y;
  }
  EXPECT_FALSE(std::filesystem::exists(installed.settingsFile()));
}

TEST_F(OnWine, ADragMovesItADoubleClickSavesAndEndsAndTheNextStartRestoresIt) {
  ASSERT_TRUE(StartOnWine());
  Point from = ScreenOf(85, 250);
  display.Drag(from, {from.x - 200, from.y + 150});
  ASSERT_TRUE(WaitFor([&] {
    return Position() == Point{kDefaultPosition.x - 200, 150};
  })) << Position().x
      << "," << Position().y;
  DoubleClickTheHead(ScreenOf(85, 250));
  EXPECT_EQ(program->WaitForExit(10s), 0);
  EXPECT_EQ(ReadText(installed.settingsFile()),
            "[Brask's Quibbet]\r\nTop=2250\r\nLeft=" +
                std::to_string((kDefaultPosition.x - 200) * 15) + "\r\n");

  ASSERT_TRUE(StartOnWine());
  EXPECT_EQ(Position(), (Point{kDefaultPosition.x - 200, 150}));
}

TEST_F(OnWine, ASavedPlaceNoMonitorShowsIsLeftForLoads) {
  std::ofstream(installed.settingsFile()) << "[Brask's Quibbet]\r\nTop=0\r\nLeft=40000\r\n";
  ASSERT_TRUE(StartOnWine());
  EXPECT_EQ(Position(), (Point{kDefaultPosition.x, LoadTop(kScreenHeight * 15, 4830) / 15}));
}

TEST_F(OnWine, ASecondStartEndsAtOnceAndACloseEndsWithoutWriting) {
  ASSERT_TRUE(StartOnWine());
  Process second({kWine, installed.executable()}, environment);
  EXPECT_EQ(second.WaitForExit(30s), 0);
  EXPECT_TRUE(program->Running());

  display.SendClose(window);
  EXPECT_EQ(program->WaitForExit(10s), 0);
  EXPECT_FALSE(std::filesystem::exists(installed.settingsFile()));
}

// The prefix's display set to 192 dpi, as the user's 200 % is, for one test.
class OnWineAt200Percent : public OnWine {
 protected:
  OnWineAt200Percent() {
    SetLogPixels({"add", kKey, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "192", "/f"});
  }
  ~OnWineAt200Percent() override { SetLogPixels({"delete", kKey, "/v", "LogPixels", "/f"}); }
  void SetLogPixels(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {kWine, "reg"});
    RunWine(arguments, display.name(), 60s);
  }
  static constexpr char kKey[] = "HKCU\\Control Panel\\Desktop";
};

TEST_F(OnWineAt200Percent, TheHeadIsTwiceItsSizeItsEyesFollowAndItsPlaceIsSavedInTwips) {
  ASSERT_TRUE(Launch({kWine}));
  ASSERT_TRUE(WaitFor([&] { return Screen(105, 296) == kWhite; }));  // the left eye, scaled
  EXPECT_EQ(display.WindowSize(window), (Point{340, 644}));
  EXPECT_EQ(Position(), (Point{470, 0}));
  int area = 0;
  for (const xcb_rectangle_t& r : display.Shape(window, XCB_SHAPE_SK_BOUNDING))
    area += r.width * r.height;
  EXPECT_EQ(area, 4 * artwork::kShapePixels);
  // The left eye is centred on (116.5, 296.5) now: the pointer level with it, far to the right.
  display.MovePointer(kScreenWidth - 1, 297);
  EXPECT_TRUE(
      WaitFor([&] { return Screen(117 + 20, 297) == kBlack && Screen(117 - 3, 297) == kWhite; }));

  Point from = ScreenOf(170, 500);
  display.Drag(from, {from.x - 200, from.y + 150});
  ASSERT_TRUE(WaitFor([&] { return Position() == Point{270, 150}; }));
  DoubleClickTheHead(ScreenOf(170, 500));
  EXPECT_EQ(program->WaitForExit(10s), 0);
  EXPECT_EQ(ReadText(installed.settingsFile()), "[Brask's Quibbet]\r\nTop=1125\r\nLeft=2025\r\n");
  ASSERT_TRUE(Launch({kWine}));
  EXPECT_TRUE(WaitFor([&] { return Position() == Point{270, 150}; }));
}

TEST_F(OnWine, AfterAClickTheKeyboardReachesTheHiddenPanel) {
  ASSERT_TRUE(StartOnWine());
  // Openbox does not focus a new window that skips the taskbar on its own, and Wine 8 does not
  // ask it to: here the head takes the focus at the user's first click.
  Point head = ScreenOf(85, 250);
  display.Click(head.x, head.y);
  ASSERT_TRUE(WaitFor([&] { return display.InputFocus() == window; }));
  UseTheHiddenPanel({kScreenWidth - 1, kScreenHeight - 1});
}

TEST_F(OnWine, TheReleaseZipUnpackedAnywhereRunsAndKeepsThePositionBesideTheProgram) {
  std::string unpacked = installed.folder() + "/My Games";
  Process unzip({"python3", "-m", "zipfile", "-e", OCULON_WINDOWS_PACKAGE, unpacked}, {});
  ASSERT_EQ(unzip.WaitForExit(30s), 0);
  std::string folder = unpacked + "/oculon-" OCULON_VERSION "-windows-x86_64";
  EXPECT_TRUE(std::filesystem::exists(folder + "/README.md"));

  ASSERT_TRUE(StartCommand({kWine, folder + "/oculon.exe"}));
  DoubleClickTheHead(ScreenOf(85, 250));
  EXPECT_EQ(program->WaitForExit(10s), 0);
  EXPECT_EQ(ReadText(folder + "/oculon.ini"), "[Brask's Quibbet]\r\nTop=0\r\nLeft=" +
                                                  std::to_string(kDefaultPosition.x * 15) + "\r\n");
}

// The installer's doings, for this user in the tests' Wine prefix.
class Installer : public OnWine {
 protected:
  ~Installer() override {
    for (const std::string& msi : {std::string(OCULON_WINDOWS_INSTALLER), upgrade})
      RunWine({kWine, "msiexec", "/x", msi, "/qn"}, display.name(), 120s);
    std::filesystem::remove_all(programFolder);
  }

  std::optional<int> Msiexec(const std::string& action, const std::string& msi,
                             const std::string& property = "") {
    std::vector<std::string> argv{kWine, "msiexec", action, msi, "/qn"};
    if (!property.empty()) argv.push_back(property);
    return RunWine(argv, display.name(), 120s);
  }
  // The start at sign-in is there.
  bool StartsAtSignIn() {
    return RunWine({kWine, "reg", "query",
                    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v", "oculon"},
                   display.name(), 60s) == 0;
  }
  // One of the installer's tables, as msiinfo exports it.
  std::string Table(const std::string& msi, const std::string& table) {
    std::string out = installed.folder() + "/" + table + ".idt";
    Process({"sh", "-c", "msiinfo export \"$0\" \"$1\" > \"$2\"", msi, table, out}, {})
        .WaitForExit(30s);
    return ReadText(out);
  }

  const std::string user = getpwuid(getuid())->pw_name;
  const std::string home = std::string(OCULON_WINE_PREFIX) + "/drive_c/users/" + user;
  const std::string programFolder = home + "/AppData/Local/Programs/oculon";
  const std::string shortcut =
      home + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/oculon.lnk";
  // The next major version's installer, built by the test.
  const std::string nextVersion = std::to_string(std::stoi(OCULON_VERSION) + 1) + ".0.0";
  const std::string upgrade = installed.folder() + "/oculon-" + nextVersion + ".msi";
};

TEST_F(Installer, InstallsForTheUserUpgradesInPlaceAndUninstallsKeepingThePosition) {
  const std::string msi = OCULON_WINDOWS_INSTALLER;
  EXPECT_NE(Table(msi, "Shortcut").find("[INSTALLDIR]oculon.exe"), std::string::npos);
  EXPECT_NE(Table(msi, "Registry").find("CurrentVersion\\Run"), std::string::npos);
  EXPECT_NE(Table(msi, "Upgrade").find("WIX_UPGRADE_DETECTED"), std::string::npos);

  ASSERT_EQ(Msiexec("/i", msi, "AUTOSTART=1"), 0);
  EXPECT_TRUE(std::filesystem::exists(programFolder + "/oculon.exe"));
  EXPECT_TRUE(std::filesystem::exists(shortcut));
  EXPECT_TRUE(StartsAtSignIn());
  ASSERT_TRUE(StartCommand({kWine, programFolder + "/oculon.exe"}));
  Point from = ScreenOf(85, 250);
  display.Drag(from, {from.x - 100, from.y + 60});
  ASSERT_TRUE(WaitFor([&] { return Position() == Point{kDefaultPosition.x - 100, 60}; }));
  DoubleClickTheHead(ScreenOf(85, 250));
  ASSERT_EQ(program->WaitForExit(10s), 0);
  std::string saved =
      "[Brask's Quibbet]\r\nTop=900\r\nLeft=" + std::to_string((kDefaultPosition.x - 100) * 15) +
      "\r\n";
  EXPECT_EQ(ReadText(programFolder + "/oculon.ini"), saved);

  // A newer version over the old: the program replaced, the position and the start kept.
  Process build({CMAKE_COMMAND, "-DVERSION=" + nextVersion, "-DPROGRAM=" OCULON_WINDOWS_EXECUTABLE,
                 "-DSOURCE=" OCULON_SOURCE_DIR, "-DOUTPUT=" + upgrade, "-P",
                 OCULON_SOURCE_DIR "/cmake/BuildMsi.cmake"},
                {});
  ASSERT_EQ(build.WaitForExit(120s), 0);
  ASSERT_EQ(Msiexec("/i", upgrade), 0);
  EXPECT_TRUE(StartsAtSignIn());
  EXPECT_EQ(ReadText(programFolder + "/oculon.ini"), saved);
  ASSERT_TRUE(LaunchCommand({kWine, programFolder + "/oculon.exe"}));
  EXPECT_EQ(Position(), (Point{kDefaultPosition.x - 100, 60}));
  display.SendClose(window);
  ASSERT_EQ(program->WaitForExit(10s), 0);

  // Uninstalled: the program, the shortcut and the start go; the position stays.
  ASSERT_EQ(Msiexec("/x", upgrade), 0);
  EXPECT_FALSE(std::filesystem::exists(programFolder + "/oculon.exe"));
  EXPECT_FALSE(std::filesystem::exists(shortcut));
  EXPECT_FALSE(StartsAtSignIn());
  EXPECT_EQ(ReadText(programFolder + "/oculon.ini"), saved);
}

}  // namespace
}  // namespace oculon::e2e
