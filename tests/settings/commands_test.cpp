// The path globals and the settings file's location.
#include "settings/commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "runtime/application.h"
#include "runtime/file_system.h"
#include "settings/reset_commands.h"
#include "temp_folder.h"

namespace oculon {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// Each case has a configuration folder of its own, never the user's.
class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetCommands();
    if (const char* saved = std::getenv("XDG_CONFIG_HOME")) savedConfig_ = saved;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  }
  void TearDown() override {
    App.SetExecutablePath("");
    if (savedConfig_) {
      setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
  }

  void StartAs(const std::string& executable) {
    App.SetExecutablePath(executable);
    InitPaths();
    InitIniFile();
  }

  TempFolder config;

 private:
  std::optional<std::string> savedConfig_;
};

TEST_F(Commands, SettingsFileLiesBesideTheExecutableAndBearsItsName) {
  TempFolder folder;
  StartAs(folder / "oculon");
  EXPECT_EQ(gAppPath, folder.path().string() + "/");
  EXPECT_EQ(gExeName, "oculon");
  EXPECT_EQ(gAppTitle, "Brask's Quibbet");
  EXPECT_EQ(gIniFile, folder / "oculon.ini");
  EXPECT_EQ(gCrLf, "\r\n");
  EXPECT_EQ(gWinIni, gWinDir + "Win.ini");
  EXPECT_EQ(gTempDir.back(), '/');
  EXPECT_EQ(gSysDir, "/usr/lib/");
}

TEST_F(Commands, AnExtensionIsDroppedFromTheName) {
  TempFolder folder;
  StartAs(folder / "Oculon.x86_64");
  EXPECT_EQ(gExeName, "Oculon");
  EXPECT_EQ(gIniFile, folder / "Oculon.ini");
}

TEST_F(Commands, AnExecutablePathPastThePathBufferGivesNoSettingsFileAtAll) {
  std::string deep = "/" + std::string(200, 'd');
  std::string executable;
  while (executable.size() < kMaxPath) executable += deep;
  StartAs(executable + "/oculon");
  EXPECT_EQ(gIniFile, "");
  EXPECT_EQ(gExeName, "");
  EXPECT_EQ(gAppTitle, "Brask's Quibbet");
}

TEST_F(Commands, ExecutableInTheRootFolderGetsNoSecondSeparator) {
  StartAs("/oculon");
  EXPECT_EQ(gAppPath, "/");
  // The root folder is no one's own, root's neither: the file lies in the configuration folder.
  EXPECT_EQ(gIniFile, config / "oculon/oculon.ini");
}

TEST_F(Commands, AFileOrLinkOfAnotherUsersBesideTheProgramSendsItToTheConfigurationFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "a file of another user's needs root to make";
  TempFolder folder;
  WriteFile(folder / "oculon.ini", "[Brask's Quibbet]\r\nTop=15\r\n");
  ASSERT_EQ(chown((folder / "oculon.ini").c_str(), 65534, 65534), 0);
  StartAs(folder / "oculon");
  EXPECT_EQ(gIniFile, config / "oculon/oculon.ini");
  std::filesystem::remove(folder / "oculon.ini");
  std::filesystem::create_symlink(folder / "elsewhere", folder / "oculon.ini");
  ASSERT_EQ(lchown((folder / "oculon.ini").c_str(), 65534, 65534), 0);
  StartAs(folder / "oculon");
  EXPECT_EQ(gIniFile, config / "oculon/oculon.ini");
}

// Root owns every system folder: the file lies beside the program only in a folder that no one
// else may run the program from, or one inside root's home, the real folder deciding.
TEST_F(Commands, RootKeepsTheFileBesideTheProgramOnlyInAFolderOfItsOwn) {
  if (geteuid() != 0) GTEST_SKIP() << "root's own rule";
  TempFolder top;
  const char* home = std::getenv("HOME");
  std::string savedHome = home ? home : "";
  std::filesystem::path ownHome = top / "home";
  setenv("HOME", ownHome.c_str(), 1);
  using std::filesystem::perms;
  for (auto [folder, mode] : {std::pair{top / "private", perms::owner_all},
                              {top / "shared", perms(0755)},
                              {ownHome / "shared", perms(0755)}}) {
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, mode);
  }
  std::filesystem::create_directory_symlink(top / "private", top / "toPrivate");
  std::filesystem::create_directory_symlink(top / "shared", ownHome / "toShared");
  std::string real = std::filesystem::canonical(top.path()).string();
  struct Case {
    std::filesystem::path program;
    std::string settings;
  };
  for (const Case& start : {Case{top / "private/oculon", real + "/private/oculon.ini"},
                            Case{top / "shared/oculon", config / "oculon/oculon.ini"},
                            Case{ownHome / "shared/oculon", real + "/home/shared/oculon.ini"},
                            Case{"/usr/libexec/oculon", config / "oculon/oculon.ini"},
                            Case{top / "toPrivate/oculon", real + "/private/oculon.ini"},
                            Case{ownHome / "toShared/oculon", config / "oculon/oculon.ini"}}) {
    StartAs(start.program);
    EXPECT_EQ(gIniFile, start.settings) << start.program;
  }
  setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(Commands, WithoutAHomeThereIsNoConfigurationFolder) {
  const char* home = std::getenv("HOME");
  std::string saved = home ? home : "";
  unsetenv("HOME");
  setenv("XDG_CONFIG_HOME", "relative/config", 1);  // ignored, as the base-directory rules say
  StartAs("/no/such/Folder/Oculon");
  EXPECT_EQ(gWinDir, "");
  EXPECT_EQ(gIniFile, "/no/such/Folder/Oculon.ini");
  setenv("HOME", saved.c_str(), 1);
}

TEST_F(Commands, ASymlinkedFolderGivesTheRealOne) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "real");
  std::filesystem::create_directory_symlink(folder / "real", folder / "alias");
  StartAs(folder / "alias/oculon");
  EXPECT_EQ(gIniFile, std::filesystem::canonical(folder.path()).string() + "/real/oculon.ini");
}

// A folder that cannot take the file (here one that does not exist; under /usr, one the user
// may not write) sends it to the user's configuration folder, created open to the user only.
TEST_F(Commands, AFolderThatCannotHoldTheFileSendsItToTheConfigurationFolder) {
  StartAs("/no/such/Folder/Oculon");
  EXPECT_EQ(gIniFile, config / "oculon/Oculon.ini");
  EXPECT_FALSE(std::filesystem::exists(config / "oculon"));  // a start makes nothing
  WriteIni("Brask's Quibbet", "Top", "15", gIniFile);
  EXPECT_EQ(std::filesystem::status(config / "oculon").permissions(),
            std::filesystem::perms::owner_all);
  EXPECT_EQ(ReadFile(gIniFile), "[Brask's Quibbet]\r\nTop=15\r\n");
}

TEST_F(Commands, WithoutAConfigurationFolderToBeHadThePathStaysAsGiven) {
  WriteFile(config / "file", "");
  setenv("XDG_CONFIG_HOME", (config / "file/below").c_str(), 1);
  StartAs("/no/such/Folder/Oculon");
  EXPECT_EQ(gIniFile, "/no/such/Folder/Oculon.ini");
}

TEST_F(Commands, TempFolderComesFromTmpdir) {
  const char* saved = std::getenv("TMPDIR");
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(GetTempDir(), "/var/tmp/");
  unsetenv("TMPDIR");
  EXPECT_EQ(GetTempDir(), "/tmp/");
  if (saved) setenv("TMPDIR", saved, 1);
}

TEST(AddBackslash, ExtendsTheCallersVariable) {
  std::string path = "/opt/oculon";
  EXPECT_EQ(AddBackslash(path), "/opt/oculon/");
  EXPECT_EQ(path, "/opt/oculon/");
  EXPECT_EQ(AddBackslash(path), "/opt/oculon/");
  std::string empty;
  EXPECT_EQ(AddBackslash(empty), "/");
}

TEST(ReCase, FollowsTheSeparatorRule) {
  EXPECT_EQ(ReCase("C:\\PROGRA~1\\MY APP\\X.EXE", '\\'), "C:\\Progra~1\\My App\\X.exe");
  EXPECT_EQ(ReCase("c:\\a-b(c_d\\e", '\\'), "C:\\A-B(C_D\\E");
  EXPECT_EQ(ReCase("a.b)c~d1e", '\\'), "A.b)c~d1e");
  EXPECT_EQ(ReCase("", '\\'), "");
}

TEST(ReadWriteIni, RoundTripWithAnyLetterCase) {
  TempFolder folder;
  std::string file = folder / "oculon.ini";
  EXPECT_EQ(ReadIni("Brask's Quibbet", "Top", file, ""), "");
  EXPECT_FALSE(std::filesystem::exists(file));
  WriteIni("Brask's Quibbet", "Top", "4470", file);
  WriteIni("Brask's Quibbet", "Left", "-75", file);
  EXPECT_EQ(ReadFile(file), "[Brask's Quibbet]\r\nTop=4470\r\nLeft=-75\r\n");
  std::string section = "brask's quibbet";
  std::string key = "tOP";
  EXPECT_EQ(ReadIni(section, key, file, "none"), "4470");
  EXPECT_EQ(section, "brask's quibbet");  // the caller's texts keep their case
  EXPECT_EQ(ReadIni("BRASK'S QUIBBET", "LEFT", file, ""), "-75");
  EXPECT_EQ(ReadIni("Brask's Quibbet", "Right", file, "none"), "none");
}

TEST(ReadWriteIni, LongValuesComeBackCutTo2047) {
  TempFolder folder;
  std::string file = folder / "oculon.ini";
  WriteFile(file, "[S]\nK=" + std::string(3000, '7') + "\nE=\n");
  EXPECT_EQ(ReadIni("S", "K", file, ""), std::string(2047, '7'));
  EXPECT_EQ(ReadIni("S", "E", file, "dflt"), "dflt");
}

}  // namespace
}  // namespace oculon
