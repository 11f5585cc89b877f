// Start-up and save with settings files a desktop can throw at the program: it starts (with
// the saved position or the default), and a double-click either saves, keeping every other
// line, or leaves the old file as it was. Never a truncated or empty file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <sstream>

#include "app/app_modul.h"
#include "eyes/oculon_fixture.h"

namespace oculon {
namespace {

using testing::OculonTest;
using testing::ReadFile;
using testing::WriteFile;

constexpr PixelPoint kDefault{875, 0};

bool IsPositionLine(std::string line) {
  size_t start = line.find_first_not_of(" \t");
  line = start == std::string::npos ? "" : line.substr(start);
  for (char& c : line) c = char(std::tolower(static_cast<unsigned char>(c)));
  return line.rfind("top", 0) == 0 || line.rfind("left", 0) == 0;
}

// The position saved with every other line kept, in their old order.
void ExpectSaved(const std::string& before, const std::string& after, PixelPoint position) {
  EXPECT_NE(after.find("Top=" + std::to_string(position.y * 15)), std::string::npos);
  EXPECT_NE(after.find("Left=" + std::to_string(position.x * 15)), std::string::npos);
  std::istringstream lines(before);
  size_t from = 0;  // the kept lines stand in their old order
  for (std::string line; std::getline(lines, line);) {
    if (IsPositionLine(line)) continue;
    size_t found = after.find(line, from);
    ASSERT_NE(found, std::string::npos) << "lost: " << line.substr(0, 60);
    from = found + line.size();
  }
}

class DamagedSettings : public OculonTest {
 protected:
  enum class Save { kReachesTheFile, kLeavesItAsItWas };
  // Starts with `content` as the settings file, double-clicks, and checks both ends.
  void StartAndSave(const std::string& content, PixelPoint expected,
                    Save save = Save::kReachesTheFile) {
    WriteFile(iniFile(), content);
    desktop.Deliver(Main);
    ASSERT_TRUE(desktop.window().shown);
    EXPECT_EQ(desktop.window().position, expected);
    PixelPoint moved{expected.x + 1, expected.y + 1};  // the saved position is a new one
    desktop.MoveWindowByUser(moved);
    desktop.DoubleClick();
    EXPECT_EQ(desktop.exitCode(), 0);
    if (save == Save::kReachesTheFile) {
      ExpectSaved(content, ReadFile(iniFile()), moved);
    } else {
      EXPECT_EQ(ReadFile(iniFile()), content);
    }
  }
};

TEST_F(DamagedSettings, BinaryBytesAndNuls) {
  using namespace std::string_literals;
  std::string content =
      "\x00\x01\xff junk\x00\n[Brask's Quibbet]\nTop=\x00 450\nLeft=30\x00\x00\nX=\x80\n"s;
  StartAndSave(content, {2, 0});  // "\0 450" begins with no number; "30\0\0" is 30 twips
}

TEST_F(DamagedSettings, AHugeLineWithinTheSizeCap) {
  std::string content = "[Other]\n";
  for (int i = 0; i < 100; ++i)
    content += "k" + std::to_string(i) + "=" + std::string(1000, 'v') + "\n";
  content += "[Brask's Quibbet]\nTop=150\nLeft=300\nLong=" + std::string(900'000, 'x');
  StartAndSave(content, {20, 10});
}

TEST_F(DamagedSettings, AFileOverTheSizeCapIsNeitherReadNorReplaced) {
  std::string content = "[Brask's Quibbet]\nTop=150\nLeft=300\n";
  content += "; " + std::string(1 << 20, 'x') + "\n";
  StartAndSave(content, kDefault, Save::kLeavesItAsItWas);
}

TEST_F(DamagedSettings, RepeatedSectionsAndKeysAndNoFinalLineBreak) {
  StartAndSave("[Brask's Quibbet]\nTop=150\nTop=999\n[BRASK'S QUIBBET]\nLeft=3000\nLeft=450",
               {0, 10});
}

TEST_F(DamagedSettings, ValuesBeyondTheSingleRange) {
  StartAndSave("[Brask's Quibbet]\r\nTop=1e400\r\nLeft=" + std::string(400, '9') + "\r\n",
               {kDefault.x, 298});  // both skipped: the window keeps its Load position
}

TEST_F(DamagedSettings, ASymlinkToAFileElsewhereIsFollowed) {
  testing::TempFolder elsewhere;
  std::string target = elsewhere / "real.ini";
  WriteFile(target, "[Brask's Quibbet]\nTop=150\nLeft=300\n; mine\n");
  std::filesystem::create_symlink(target, iniFile());
  desktop.Deliver(Main);
  EXPECT_EQ(desktop.window().position, (PixelPoint{20, 10}));
  desktop.MoveWindowByUser({40, 50});
  desktop.DoubleClick();
  EXPECT_TRUE(std::filesystem::is_symlink(iniFile()));
  EXPECT_EQ(ReadFile(target), "[Brask's Quibbet]\nTop=750\nLeft=600\n; mine\n");
}

TEST_F(DamagedSettings, ASettingsPathThatIsAFolder) {
  std::filesystem::create_directory(iniFile());
  desktop.Deliver(Main);
  EXPECT_EQ(desktop.window().position, kDefault);
  desktop.DoubleClick();
  EXPECT_EQ(desktop.exitCode(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(iniFile()));
}

TEST_F(DamagedSettings, ReadOnlyFileAndFolder) {
  std::string content = "[Brask's Quibbet]\nTop=150\nLeft=300\n; mine\n";
  WriteFile(iniFile(), content);
  std::filesystem::permissions(iniFile(), std::filesystem::perms::owner_read);
  std::filesystem::permissions(
      folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  desktop.Deliver(Main);
  EXPECT_EQ(desktop.window().position, (PixelPoint{20, 10}));
  desktop.MoveWindowByUser({40, 50});
  desktop.DoubleClick();
  EXPECT_EQ(desktop.exitCode(), 0);
  if (geteuid() == 0) {
    ExpectSaved(content, ReadFile(iniFile()), {40, 50});  // root may write
  } else {
    EXPECT_EQ(ReadFile(iniFile()), content);
  }
  std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
}

TEST_F(DamagedSettings, AFullDiskLeavesTheOldFile) {
  std::string content = "[Brask's Quibbet]\nTop=150\nLeft=300\n; " + std::string(200, 'm') + "\n";
  WriteFile(iniFile(), content);
  pid_t child = fork();
  if (child == 0) {
    // Writes past the limit fail as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    desktop.Deliver(Main);
    desktop.MoveWindowByUser({40, 50});
    desktop.DoubleClick();
    _exit(desktop.ended() && desktop.exitCode() == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(iniFile()), content);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

}  // namespace
}  // namespace oculon
