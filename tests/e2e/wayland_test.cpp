// The X11 program in the Wayland sessions of KWin and GNOME Shell, through XWayland: the eyes
// follow the compositor's pointer over native Wayland windows and the empty desktop, the head
// shows cut to its outline, the drag, the save and the restart are exact, and what the program
// brings to each compositor comes and goes with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <type_traits>

#include "e2e/gnome_session.h"
#include "e2e/kwin_session.h"
#include "e2e/program_on_display.h"

namespace oculon::e2e {
namespace {

constexpr char kScript[] = "oculon-pointer";

// Whether the program's KWin script is loaded; under GNOME, where the program loads none, false.
template <class Session>
bool ScriptLoaded(Session& session) {
  if constexpr (std::is_base_of_v<KWinSession, Session>) {
    return session.ScriptLoaded(kScript);
  } else {
    return false;
  }
}

bool Near(Point a, Point b, int slack) {
  return std::abs(a.x - b.x) <= slack && std::abs(a.y - b.y) <= slack;
}

// What the compositor shows can be read back from it.
template <class Session>
constexpr bool kTakesScreenshots = true;

template <class Session>
class UnderWayland : public ::testing::Test {
 protected:
  UnderWayland() : display(session.xDisplay(), session.xAuthority()), scale(session.RootScale()) {
    // A desktop whose X11 programs scale themselves says so in Xft.dpi, as Plasma's font
    // settings and GNOME's settings daemon do.
    if (scale != 1)
      display.SetResources("Xft.dpi:\t" + std::to_string(std::lround(96 * scale)) + "\n");
  }

  bool Start() {
    program = std::make_unique<Process>(std::vector<std::string>{executable}, session.Environment(),
                                        installed.folder() + "/stderr");
    std::optional<xcb_window_t> found = AwaitTheHead(display, 10s, ReadFrom::kWindow, scale);
    if (found) window = *found;
    return found.has_value();
  }
  // Where the window is, in XWayland's pixels, and in the compositor's.
  Point Position() { return display.WindowPosition(window); }
  Point Logical(Point root) const {
    return {int(std::lround(root.x / scale)), int(std::lround(root.y / scale))};
  }
  // A place in XWayland's pixels, in twips as the program saves it.
  std::string Twips(int root) const {
    char text[32];
    auto [end, error] = std::to_chars(text, text + sizeof text, root * 15 / scale);
    return std::string(text, end);
  }
  // The left pupil's centre, in the program's pixels: the middle of the black inside the eye's
  // white; none while there is no black there.
  std::optional<std::pair<double, double>> LeftPupil() {
    Point centre{DevicePixel(kLeftEye.x, scale), DevicePixel(kLeftEye.y, scale)};
    int reach = int(std::ceil(artwork::kEyeWhiteRadius * scale));
    std::vector<uint32_t> pixels = display.WindowPixels(window, centre.x - reach, centre.y - reach,
                                                        2 * reach + 1, 2 * reach + 1);
    double sumX = 0, sumY = 0, count = 0;
    for (int y = -reach; y <= reach; ++y) {
      for (int x = -reach; x <= reach; ++x) {
        if (std::hypot(x, y) > 17 * scale ||
            (pixels[size_t((y + reach) * (2 * reach + 1) + x + reach)] & 0xFFFFFF) != kBlack)
          continue;
        sumX += centre.x + x;
        sumY += centre.y + y;
        ++count;
      }
    }
    if (count == 0) return std::nullopt;
    return std::pair{(sumX / count - (scale - 1) / 2) / scale,
                     (sumY / count - (scale - 1) / 2) / scale};
  }
  // The left pupil lies towards `pointer`, a place in the compositor's pixels: its centre within
  // 2 of the program's pixels of where it belongs in the window, and, where the compositor can
  // tell, black there on the screen and white a pixel the other way.
  bool LeftPupilTowards(Point pointer) {
    return WaitFor([&] {
      Point corner = Logical(Position());
      PupilAim aim = AimAt(kLeftEye, corner.x, corner.y, pointer.x, pointer.y);
      std::optional<std::pair<double, double>> pupil = LeftPupil();
      if (!pupil || std::hypot(pupil->first - aim.x, pupil->second - aim.y) > 2) return false;
      if constexpr (!kTakesScreenshots<Session>) return true;
      return session.ShownPixel(corner.x + int(std::lround(aim.x)),
                                corner.y + int(std::lround(aim.y))) == kBlack &&
             session.ShownPixel(corner.x + int(std::lround(kLeftEye.x - aim.ux)),
                                corner.y + int(std::lround(kLeftEye.y - aim.uy))) == kWhite;
    });
  }
  // Waits, where the compositor can tell, until it shows the head with its corner at `corner`
  // (XWayland's pixels): a window the window manager moved may still be drawn, and take clicks,
  // where it was. A scaled head is filtered: its colours come close.
  bool ShownAt(Point corner) {
    if constexpr (!kTakesScreenshots<Session>) return true;
    Point logical = Logical(corner);
    return WaitFor([&] {
      std::optional<uint32_t> shown = session.ShownPixel(logical.x + 85, logical.y + 60);
      return shown && ColoursClose(*shown, ArtworkPixel(85, 60));
    });
  }
  static bool ColoursClose(uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16}) {
      if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 24) return false;
    }
    return true;
  }
  void Click(Point at) {
    session.MovePointer(at.x, at.y);
    session.Press();
    session.Release();
  }

  Session session;
  Display display;
  double scale;  // XWayland's pixels to the compositor's
  Installed installed;
  std::string executable = installed.executable();
  std::unique_ptr<Process> program;
  xcb_window_t window = XCB_NONE;
};

GnomeOptions Gnome(const std::string& root, Scaling scaling = {},
                   PointerExtension pointerExtension = PointerExtension::kEnabled) {
  GnomeOptions options;
  options.pointerExtension = pointerExtension;
  options.root = root;
  options.scaling = scaling;
  return options;
}

// A session scaled by `tenths` / 10, with X11 programs scaling themselves or stretched.
template <int tenths, bool programsScale>
class ScaledKWin : public KWinSession {
 public:
  ScaledKWin() : KWinSession("", {tenths / 10.0, programsScale}) {}
};

// A typed suite's names, one for each of its types, in their order.
template <const char* const* kNames>
struct NamesFrom {
  template <class Session>
  static std::string GetName(int index) {
    return kNames[index];
  }
};

#ifdef OCULON_TRIXIE_ROOT
// Debian 13's: GNOME Shell 48, with the extensions' other form, and KWin 6.
class KWinOnTrixie : public KWinSession {
 public:
  KWinOnTrixie() : KWinSession(OCULON_TRIXIE_ROOT) {}
};
class GnomeShellOnTrixie : public GnomeSession {
 public:
  GnomeShellOnTrixie() : GnomeSession(Gnome(OCULON_TRIXIE_ROOT)) {}
};
template <int tenths, bool programsScale>
class ScaledKWinOnTrixie : public KWinSession {
 public:
  ScaledKWinOnTrixie() : KWinSession(OCULON_TRIXIE_ROOT, {tenths / 10.0, programsScale}) {}
};
// GNOME 48 in the logical layout with XWayland's native scaling.
template <int tenths>
class ScaledGnomeShellOnTrixie : public GnomeSession {
 public:
  ScaledGnomeShellOnTrixie() : GnomeSession(Gnome(OCULON_TRIXIE_ROOT, {tenths / 10.0})) {}
};
// KWin 6 draws without OpenGL on a machine without /dev/dri, such as this one, and then takes no
// screenshots: only what XWayland tells is checked there.
template <>
constexpr bool kTakesScreenshots<KWinOnTrixie> = false;
template <int tenths, bool programsScale>
constexpr bool kTakesScreenshots<ScaledKWinOnTrixie<tenths, programsScale>> = false;
using UnscaledSessions =
    ::testing::Types<KWinSession, GnomeSession, KWinOnTrixie, GnomeShellOnTrixie>;
using Sessions = ::testing::Types<
    KWinSession, GnomeSession, KWinOnTrixie, GnomeShellOnTrixie, ScaledKWin<20, true>,
    ScaledKWin<15, true>, ScaledKWin<20, false>, ScaledKWin<15, false>,
    ScaledKWinOnTrixie<20, true>, ScaledKWinOnTrixie<15, true>, ScaledKWinOnTrixie<20, false>,
    ScaledKWinOnTrixie<15, false>, ScaledGnomeShellOnTrixie<20>, ScaledGnomeShellOnTrixie<15>>;
constexpr const char* kSessionNames[] = {"KWin",
                                         "GnomeShell",
                                         "KWinOnTrixie",
                                         "GnomeShellOnTrixie",
                                         "KWinAt2",
                                         "KWinAt1_5",
                                         "KWinStretchedAt2",
                                         "KWinStretchedAt1_5",
                                         "KWinOnTrixieAt2",
                                         "KWinOnTrixieAt1_5",
                                         "KWinOnTrixieStretchedAt2",
                                         "KWinOnTrixieStretchedAt1_5",
                                         "GnomeShellOnTrixieAt2",
                                         "GnomeShellOnTrixieAt1_5"};
#else
using UnscaledSessions = ::testing::Types<KWinSession, GnomeSession>;
using Sessions =
    ::testing::Types<KWinSession, GnomeSession, ScaledKWin<20, true>, ScaledKWin<15, true>,
                     ScaledKWin<20, false>, ScaledKWin<15, false>>;
constexpr const char* kSessionNames[] = {"KWin",      "GnomeShell",       "KWinAt2",
                                         "KWinAt1_5", "KWinStretchedAt2", "KWinStretchedAt1_5"};
#endif
TYPED_TEST_SUITE(UnderWayland, Sessions, NamesFrom<kSessionNames>);
template <class Session>
using UnderUnscaledWayland = UnderWayland<Session>;
TYPED_TEST_SUITE(UnderUnscaledWayland, UnscaledSessions, NamesFrom<kSessionNames>);

TYPED_TEST(UnderWayland, TheEyesFollowThePointerEverywhereAndTheDragSaveAndRestartAreExact) {
  TypeParam& desktop = this->session;
  const double root = this->scale;
  // Scaled, the native window covers the desktop: every place is over it.
  desktop.OpenNativeWindow(desktop.scaling().monitor != 1);
  ASSERT_TRUE(this->Start());
  EXPECT_EQ(
      this->display.WindowSize(this->window),
      (Point{int(std::lround(artwork::kWidth * root)), int(std::lround(artwork::kHeight * root))}));
  EXPECT_EQ(ScriptLoaded(desktop), (std::is_base_of_v<KWinSession, TypeParam>));
  EXPECT_EQ(ReadText(this->installed.folder() + "/stderr"), "");
  // The empty desktop's corners, the native window in the middle, and below the head.
  for (Point pointer : {Point{20, 20}, Point{1260, 1000}, Point{640, 600}, Point{100, 900}}) {
    desktop.MovePointer(pointer.x, pointer.y);
    EXPECT_TRUE(this->LeftPupilTowards(pointer)) << pointer.x << "," << pointer.y;
  }

  Point before = this->Position();
  Point logicalBefore = this->Logical(before);
  Point grip{logicalBefore.x + 85, logicalBefore.y + 250};
  desktop.MovePointer(grip.x, grip.y);
  desktop.Press();
  // The travel in the compositor's pixels, and in XWayland's. At a fractional scale the
  // compositor rounds the window's logical place to XWayland's pixels, a pixel either way.
  const int slack = root == std::floor(root) ? 0 : 1;
  auto moved = [&](int step) {
    return Point{before.x + int(std::lround(12 * step * root)),
                 before.y + int(std::lround(8 * step * root))};
  };
  for (int step = 1; step <= 10; ++step) {
    desktop.MovePointer(grip.x + 12 * step, grip.y + 8 * step);
    // The window follows each step before the next, as it does under a hand: past the drag
    // threshold the program hands the move to the compositor, which must have taken it before
    // the button goes up, or it moves the window until the next click.
    ASSERT_TRUE(WaitFor([&] { return Near(this->Position(), moved(step), slack); }))
        << "step " << step << ": " << this->Position().x << "," << this->Position().y;
  }
  desktop.Release();
  ASSERT_TRUE(WaitFor([&] { return Near(this->Position(), moved(10), slack); }))
      << this->Position().x << "," << this->Position().y;
  Point end = this->Position();

  ASSERT_TRUE(this->ShownAt(end));
  // After the compositor's move XWayland may still say the button is held where the move began,
  // or catch up with the pointer late: the eyes follow the compositor's pointer all the same.
  Point desktopCorner{TypeParam::kWidth - 20, 20};
  desktop.MovePointer(desktopCorner.x, desktopCorner.y);
  EXPECT_TRUE(this->LeftPupilTowards(desktopCorner));
  // WORKAROUND(GNOME Shell 43 and 48, KWin 5.27): XWayland hears that the pointer is back on the
  // window only once the compositor has ended its move and the pointer has stirred (GNOME 48 some
  // milliseconds later): a click before that reached no window, and no hand is that quick or
  // that still.
  Point logicalEnd = this->Logical(end);
  Point head{logicalEnd.x + 85, logicalEnd.y + 250};
  desktop.MovePointer(head.x - 1, head.y);
  ASSERT_TRUE(WaitFor([&] { return this->display.PointerRestsOn(this->window); }));
  this->Click(head);
  this->Click(head);
  ASSERT_EQ(this->program->WaitForExit(), 0);
  EXPECT_FALSE(ScriptLoaded(desktop));
  EXPECT_EQ(
      ReadText(this->installed.settingsFile()),
      "[Brask's Quibbet]\r\nTop=" + this->Twips(end.y) + "\r\nLeft=" + this->Twips(end.x) + "\r\n");
  ASSERT_TRUE(this->Start());
  EXPECT_TRUE(WaitFor([&] { return this->Position() == end; }));
}

TYPED_TEST(UnderUnscaledWayland, TheHeadShowsCutToItsOutlineAtEveryStartAndPassesClicksThere) {
  constexpr uint32_t kGreen = 0x40FF40;
  TypeParam& desktop = this->session;
  xcb_window_t beneath = this->display.OpenOrdinaryWindow(500, 150, 300, 100, kGreen);
  for (int start = 0; start < 10; ++start) {
    ASSERT_TRUE(this->Start());
    Point corner = this->Position();
    Point cutAway{corner.x + kCutAway.x, corner.y + kCutAway.y};
    ASSERT_EQ(ArtworkPixel(kCutAway.x, kCutAway.y), artwork::kKeyColor);
    if (kTakesScreenshots<TypeParam>) {
      EXPECT_TRUE(WaitFor(
          [&] {
            return desktop.ShownPixel(cutAway.x, cutAway.y) == kGreen &&
                   desktop.ShownPixel(corner.x + 85, corner.y + 60) == ArtworkPixel(85, 60);
          },
          15s))
          << "start " << start;
    }
    if (start == 0) {
      this->Click(cutAway);
      EXPECT_TRUE(this->display.ReceivedButtonPress(beneath));
      desktop.MovePointer(TypeParam::kWidth - 1, 0);  // off the eye's white that Start looks at
    }
    this->program->Kill(SIGTERM);
    ASSERT_EQ(this->program->WaitForExit(), 0);
    ASSERT_TRUE(WaitFor([&] { return !this->display.IsViewable(this->window); }));
    if (start == 0) {
      // Unloaded by the signal's end: written without waiting for KWin's answer, so KWin may
      // handle it after the program has gone.
      EXPECT_TRUE(WaitFor([&] { return !ScriptLoaded(desktop); }));
    }
  }
}

// GNOME where the program's extension does not run: missing, disabled, or listing only an older
// shell. The program says so once, with what to type; the eyes follow the pointer over X11
// windows, where XWayland sees it, and everywhere once the extension runs.
template <PointerExtension state, bool onTrixie>
class GnomeWhere : public GnomeSession {
 public:
  static constexpr PointerExtension kState = state;
#ifdef OCULON_TRIXIE_ROOT
  GnomeWhere() : GnomeSession(Gnome(onTrixie ? OCULON_TRIXIE_ROOT : "", {}, state)) {}
#else
  GnomeWhere() : GnomeSession(Gnome("", {}, state)) {}
#endif
};
#ifdef OCULON_TRIXIE_ROOT
using GnomeStates = ::testing::Types<
    GnomeWhere<PointerExtension::kAbsent, false>, GnomeWhere<PointerExtension::kDisabled, false>,
    GnomeWhere<PointerExtension::kOutOfDate, false>, GnomeWhere<PointerExtension::kAbsent, true>,
    GnomeWhere<PointerExtension::kDisabled, true>, GnomeWhere<PointerExtension::kOutOfDate, true>>;
constexpr const char* kGnomeStateNames[] = {
    "Missing", "Disabled", "OutOfDate", "MissingOnTrixie", "DisabledOnTrixie", "OutOfDateOnTrixie"};
#else
using GnomeStates = ::testing::Types<GnomeWhere<PointerExtension::kAbsent, false>,
                                     GnomeWhere<PointerExtension::kDisabled, false>,
                                     GnomeWhere<PointerExtension::kOutOfDate, false>>;
constexpr const char* kGnomeStateNames[] = {"Missing", "Disabled", "OutOfDate"};
#endif
template <class Session>
using UnderGnomeWithoutItsExtension = UnderWayland<Session>;
TYPED_TEST_SUITE(UnderGnomeWithoutItsExtension, GnomeStates, NamesFrom<kGnomeStateNames>);

TYPED_TEST(UnderGnomeWithoutItsExtension, SaysWhatToTypeOnceAndFollowsOverX11Windows) {
  constexpr char kUuid[] = "pointer@oculon.example.org";
  TypeParam& desktop = this->session;
  std::string tree = this->installed.folder() + "/tree";
  if (TypeParam::kState == PointerExtension::kAbsent) {
    // Unpacked as the tarball is, where the shell never looks for extensions.
    std::filesystem::create_directories(tree + "/libexec/oculon");
    std::filesystem::create_directories(tree + "/share/gnome-shell/extensions");
    std::filesystem::copy(this->installed.executable(), tree + "/libexec/oculon/oculon");
    std::filesystem::copy(OCULON_GNOME_EXTENSIONS + std::string("/") + kUuid,
                          tree + "/share/gnome-shell/extensions/" + kUuid,
                          std::filesystem::copy_options::recursive);
    this->executable = tree + "/libexec/oculon/oculon";
  }
  this->display.OpenOrdinaryWindow(100, 600, 600, 300, 0x40FF40);
  ASSERT_TRUE(this->Start());
  for (Point pointer : {Point{150, 650}, Point{650, 850}}) {
    desktop.MovePointer(pointer.x, pointer.y);
    EXPECT_TRUE(this->LeftPupilTowards(pointer)) << pointer.x << "," << pointer.y;
  }
  std::string said = ReadText(this->installed.folder() + "/stderr");
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  std::string command;
  if (TypeParam::kState == PointerExtension::kAbsent) {
    std::string own = desktop.ExtensionsFolder();
    command = "mkdir -p '" + own + "' && cp -r '" + tree + "/share/gnome-shell/extensions/" +
              kUuid + "' '" + own + "' && gnome-extensions enable " + kUuid;
    EXPECT_NE(said.find(command + ", then log in again\n"), std::string::npos) << said;
    // What it says to type puts the extension where the shell reads it at the next login.
    ASSERT_EQ(desktop.Run({"sh", "-c", command}), 0);
    EXPECT_TRUE(std::filesystem::exists(own + "/" + kUuid + "/extension.js"));
  } else if (TypeParam::kState == PointerExtension::kOutOfDate) {
    EXPECT_NE(
        said.find(std::string(kUuid) + " does not list GNOME Shell " + desktop.ShellVersion() +
                  "; gsettings set org.gnome.shell disable-extension-version-validation "
                  "true, then log in again\n"),
        std::string::npos)
        << said;
  } else {
    command = std::string("gnome-extensions enable ") + kUuid;
    EXPECT_NE(said.find(": " + command + "\n"), std::string::npos) << said;
    // Typed, it takes at once: the eyes follow the pointer over the desktop too.
    ASSERT_EQ(desktop.Run({"sh", "-c", command}), 0);
    Point corner{TypeParam::kWidth - 20, TypeParam::kHeight - 20};
    desktop.MovePointer(corner.x, corner.y);
    EXPECT_TRUE(this->LeftPupilTowards(corner));
  }
}

// The Debian package built here, its files unpacked as dpkg lays them out into a folder the
// session reads as a system data folder: GNOME 43 and 48 run the extension it installs.
class UnpackedPackage {
 public:
  UnpackedPackage() {
    std::string pattern = (std::filesystem::temp_directory_path() / "package-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no folder for the package");
    folder_ = pattern;
    if (!UnpackDebianPackage(
            DebianPackage(OCULON_DEBIAN_PACKAGE, CPACK_COMMAND, OCULON_BINARY_DIR, folder_),
            folder_ + "/root"))
      throw std::runtime_error("the Debian package could not be built and unpacked");
  }
  ~UnpackedPackage() { std::filesystem::remove_all(folder_); }
  std::string Root() const { return folder_ + "/root"; }

 private:
  std::string folder_;
};
template <bool onTrixie>
class GnomeFromThePackage : public UnpackedPackage, public GnomeSession {
 public:
  GnomeFromThePackage() : GnomeSession(Options()) {}

 private:
  GnomeOptions Options() const {
#ifdef OCULON_TRIXIE_ROOT
    GnomeOptions options = Gnome(onTrixie ? OCULON_TRIXIE_ROOT : "");
#else
    GnomeOptions options = Gnome("");
#endif
    options.dataFolder = Root() + "/usr/share";
    return options;
  }
};
#ifdef OCULON_TRIXIE_ROOT
using PackagedSessions = ::testing::Types<GnomeFromThePackage<false>, GnomeFromThePackage<true>>;
constexpr const char* kPackagedSessionNames[] = {"GnomeShell", "GnomeShellOnTrixie"};
#else
using PackagedSessions = ::testing::Types<GnomeFromThePackage<false>>;
constexpr const char* kPackagedSessionNames[] = {"GnomeShell"};
#endif
template <class Session>
using FromTheDebianPackage = UnderWayland<Session>;
TYPED_TEST_SUITE(FromTheDebianPackage, PackagedSessions, NamesFrom<kPackagedSessionNames>);

TYPED_TEST(FromTheDebianPackage, TheShellRunsTheExtensionItInstalled) {
  this->executable = this->session.Root() + "/usr/bin/oculon";
  ASSERT_TRUE(this->Start());
  EXPECT_EQ(ReadText(this->installed.folder() + "/stderr"), "");
  Point corner{TypeParam::kWidth - 20, TypeParam::kHeight - 20};
  this->session.MovePointer(corner.x, corner.y);
  EXPECT_TRUE(this->LeftPupilTowards(corner));
}

}  // namespace
}  // namespace oculon::e2e
