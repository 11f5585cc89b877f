// What a user meets first: the demo that scripts/run records without a display (its frames;
// scripts/run turns them into a GIF), an install, and the Debian package.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "e2e/harness.h"
#include "e2e/program_on_display.h"
#include "runtime/picture.h"

namespace oculon::e2e {
namespace {

const std::string kBuild = OCULON_BINARY_DIR;

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// How many pixels within `radius` of (cx, cy) are white.
int WhitePixelsAround(const Image& image, int cx, int cy, int radius) {
  int white = 0;
  for (int y = cy - radius; y <= cy + radius; ++y) {
    for (int x = cx - radius; x <= cx + radius; ++x) {
      if (std::hypot(x - cx, y - cy) <= radius && (image.Pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) {
        ++white;
      }
    }
  }
  return white;
}

TEST(Demo, RecordsTheHeadWithItsEyesInEveryFrame) {
  Installed scratch;  // a folder of its own, removed afterwards
  std::string out = scratch.folder() + "/demo";
  Process demo({OCULON_DEMO_EXECUTABLE, out}, {{"DISPLAY", ""}});
  ASSERT_EQ(demo.WaitForExit(std::chrono::minutes(2)), 0);
  // 48 frames of 360 x 420; a client pixel (x, y) of the window lies at (x + 95, y + 49).
  for (int index = 0; index < 48; index += 8) {
    char name[32];
    std::snprintf(name, sizeof name, "/frames/frame-%02d.png", index);
    StdPicture frame = StdPicture::FromPng(ReadBytes(out + name));
    ASSERT_NE(frame.Handle(), 0u) << name;
    EXPECT_EQ(frame.image().width(), 360);
    EXPECT_EQ(frame.image().height(), 420);
    // Both eyes are white discs with a pupil in them.
    for (Point eye : {kLeftEye, kRightEye}) {
      int white = WhitePixelsAround(frame.image(), 95 + eye.x, 49 + eye.y, 17);
      EXPECT_GT(white, 600) << name << ", eye " << eye.x;  // of 993, less the pupil's 149
      EXPECT_LT(white, 993 - 100) << name << ", eye " << eye.x;
    }
  }
  // The software centres' screenshot, 16:9, the head on it.
  StdPicture shot = StdPicture::FromPng(ReadBytes(out + "/screenshot.png"));
  ASSERT_NE(shot.Handle(), 0u);
  EXPECT_EQ(shot.image().width(), 800);
  EXPECT_EQ(shot.image().height(), 450);
  EXPECT_GT(WhitePixelsAround(shot.image(), 315 + kLeftEye.x, 60 + kLeftEye.y, 17), 600);
}

// Runs a tool to its end; its exit code, or -1 when it did not end in time.
int RunTool(std::vector<std::string> argv) {
  Process tool(std::move(argv), {});
  return tool.WaitForExit(std::chrono::minutes(2)).value_or(-1);
}

// Starts `argv` on `display`, drags the head by (30, 20) once its eyes are painted, and
// double-clicks it; the position it saved, or nothing when it did not end with code 0.
std::optional<Point> DragAndSave(Display& display, std::vector<std::string> argv,
                                 std::map<std::string, std::string> environment) {
  environment.merge(display.Environment());
  Process program(std::move(argv), environment);
  std::optional<xcb_window_t> window = AwaitTheHead(display);
  if (!window) return std::nullopt;
  Point corner = display.WindowPosition(*window);
  display.Drag({corner.x + 85, corner.y + 250}, {corner.x + 115, corner.y + 270});
  Point moved{corner.x + 30, corner.y + 20};
  if (!WaitFor([&] { return display.WindowPosition(*window) == moved; })) return std::nullopt;
  display.DoubleClick(moved.x + 85, moved.y + 250);
  if (program.WaitForExit() != 0) return std::nullopt;
  return moved;
}

// Where a fresh start of `argv` puts the window.
std::optional<Point> StartPosition(Display& display, std::vector<std::string> argv,
                                   std::map<std::string, std::string> environment) {
  environment.merge(display.Environment());
  Process program(std::move(argv), environment);
  std::optional<xcb_window_t> window = display.FindWindow("Form1");
  if (!window) return std::nullopt;
  return display.WindowPosition(*window);
}

const std::vector<std::string> kInstalledFiles = {
    "/bin/oculon",
    "/libexec/oculon/oculon",
    "/share/applications/oculon.desktop",
    "/share/metainfo/org.example.oculon.metainfo.xml",
    "/share/man/man6/oculon.6.gz",
    "/share/doc/oculon/copyright",
    "/share/doc/oculon/changelog.gz",
    "/share/doc/oculon/README.md",
    "/share/icons/hicolor/32x32/apps/oculon.png",
    "/share/icons/hicolor/48x48/apps/oculon.png",
    "/share/icons/hicolor/64x64/apps/oculon.png",
    "/share/icons/hicolor/128x128/apps/oculon.png",
    "/share/icons/hicolor/256x256/apps/oculon.png",
};

// An install into a prefix with a space in it: every file, a desktop entry and metadata the
// validators accept, and a program that keeps its position beside itself, as a per-user
// install does.
TEST(Install, LaysOutEveryFileAndKeepsThePositionBesideTheProgram) {
  Installed scratch;
  std::string prefix = scratch.folder() + "/a prefix";
  ASSERT_EQ(RunTool({CMAKE_COMMAND, "--install", kBuild, "--prefix", prefix}), 0);
  for (const std::string& file : kInstalledFiles) {
    EXPECT_TRUE(std::filesystem::exists(prefix + file)) << file;
  }
  std::string entry = prefix + "/share/applications/oculon.desktop";
  EXPECT_EQ(RunTool({"desktop-file-validate", entry}), 0);
  EXPECT_NE(ReadText(entry).find("Exec=\"" + prefix + "/bin/oculon\"\n"), std::string::npos);
  EXPECT_EQ(RunTool({"appstreamcli", "validate", "--pedantic", "--no-net",
                     prefix + "/share/metainfo/org.example.oculon.metainfo.xml"}),
            0);

  Display display;
  std::optional<Point> saved = DragAndSave(display, {prefix + "/bin/oculon"}, {});
  ASSERT_TRUE(saved);
  EXPECT_TRUE(std::filesystem::exists(prefix + "/libexec/oculon/oculon.ini"));
  EXPECT_EQ(StartPosition(display, {prefix + "/bin/oculon"}, {}), saved);
}

// Root's copy in a private folder outside its home, as one unpacked into /tmp: the position is
// kept beside the program and comes back from there, while root's configuration stays empty.
TEST(ForRoot, APrivateFolderOutsideItsHomeKeepsThePositionBesideTheProgram) {
  if (geteuid() != 0) GTEST_SKIP() << "root's own rule";
  Installed copy;  // a folder open to root alone
  Installed elsewhere;
  std::string home = elsewhere.folder() + "/home";
  std::filesystem::create_directory(home);
  const std::map<std::string, std::string> environment{{"HOME", home}, {"XDG_CONFIG_HOME", ""}};
  Display display;
  std::optional<Point> saved = DragAndSave(display, {copy.executable()}, environment);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(std::filesystem::exists(copy.settingsFile()));
  EXPECT_FALSE(std::filesystem::exists(home + "/.config/oculon"));
  EXPECT_EQ(StartPosition(display, {copy.executable()}, environment), saved);
}

// The Debian package unpacked, its program run by an ordinary user who may not write its
// folder: the position goes to that user's configuration folder and comes back from there.
TEST(Package, RunByAUserWhoCannotWriteItsFolderKeepsThePositionInTheirConfiguration) {
  if (geteuid() != 0) GTEST_SKIP() << "running the program as another user needs root";
  Installed scratch;
  std::filesystem::permissions(scratch.folder(), std::filesystem::perms(0755));
  std::string root = scratch.folder() + "/root";
  ASSERT_TRUE(UnpackDebianPackage(
      DebianPackage(OCULON_DEBIAN_PACKAGE, CPACK_COMMAND, kBuild, scratch.folder()), root));
  std::string home = scratch.folder() + "/home";
  std::filesystem::create_directory(home);
  ASSERT_EQ(chown(home.c_str(), 65534, 65534), 0);

  const std::vector<std::string> program{"setpriv", "--reuid=65534", "--regid=65534",
                                         "--clear-groups", root + "/usr/bin/oculon"};
  const std::map<std::string, std::string> environment{{"HOME", home}, {"XDG_CONFIG_HOME", ""}};
  Display display;
  std::optional<Point> saved = DragAndSave(display, program, environment);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(std::filesystem::exists(home + "/.config/oculon/oculon.ini"));
  EXPECT_FALSE(std::filesystem::exists(root + "/usr/libexec/oculon/oculon.ini"));
  EXPECT_EQ(StartPosition(display, program, environment), saved);
}

#ifdef OCULON_BOOKWORM_ROOT
// The Debian package installed with dpkg into a clean Debian 12 (the tree scripts/debian-root
// makes, under an overlay of the test's own, so that it stays clean), apt-get bringing what its
// Depends name and nothing more: the program runs there for an ordinary user and shows the head.
TEST(Package, OnACleanDebian12ItsDependsAreAllItNeeds) {
  if (geteuid() != 0) GTEST_SKIP() << "a tree of another system's needs root to enter";
  Installed scratch;
  std::string package =
      DebianPackage(OCULON_DEBIAN_PACKAGE, CPACK_COMMAND, kBuild, scratch.folder());
  ASSERT_FALSE(package.empty());
  for (const char* folder : {"/upper", "/work", "/merged"})
    std::filesystem::create_directory(scratch.folder() + folder);
  Display display;
  const char* install = R"(set -e
mount -t overlay overlay -o "lowerdir=$0,upperdir=$1/upper,workdir=$1/work" "$1/merged"
for d in proc sys dev tmp; do mount --rbind "/$d" "$1/merged/$d"; done
cp "$2" "$1/merged/root/oculon.deb"
exec chroot "$1/merged" sh -c '
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  dpkg -i /root/oculon.deb || apt-get -f install -y -qq --no-install-recommends
  exec setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/nonexistent DISPLAY="$0" \
    /usr/bin/oculon' "$3")";
  Process installed({"unshare", "--mount", "--propagation", "private", "sh", "-c", install,
                     OCULON_BOOKWORM_ROOT, scratch.folder(), package, display.name()},
                    {}, scratch.folder() + "/install.log");
  EXPECT_TRUE(AwaitTheHead(display, std::chrono::minutes(2)))
      << ReadText(scratch.folder() + "/install.log");
}
#endif

#ifdef OCULON_RPM
// The RPM, installed with rpm into a root of its own: its files lie where the Debian package's
// do, and its program runs from there.
TEST(Rpm, InstalledIntoARootOfItsOwnItsFilesLieWhereTheDebianPackagesDoAndItRuns) {
  Installed scratch;
  std::string root = scratch.folder() + "/root";
  // The database where Fedora and openSUSE keep it (Debian's rpm would keep it in the home).
  ASSERT_EQ(RunTool({"rpm", "--root", root, "--dbpath", "/var/lib/rpm", "--initdb"}), 0);
  ASSERT_EQ(RunTool({"rpm", "--root", root, "--dbpath", "/var/lib/rpm", "-i", OCULON_RPM}), 0);
  std::string unpacked = scratch.folder() + "/deb";
  ASSERT_TRUE(UnpackDebianPackage(
      DebianPackage(OCULON_DEBIAN_PACKAGE, CPACK_COMMAND, kBuild, scratch.folder()), unpacked));
  auto filesUnder = [](const std::string& top) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(top)) {
      std::string path = entry.path().string().substr(top.size());
      if (!entry.is_directory() && !path.starts_with("/var/lib/rpm")) files.insert(path);
    }
    return files;
  };
  EXPECT_EQ(filesUnder(root), filesUnder(unpacked));

  Display display;
  Process program({root + "/usr/bin/oculon"}, display.Environment());
  EXPECT_TRUE(AwaitTheHead(display));
}
#endif

}  // namespace
}  // namespace oculon::e2e
