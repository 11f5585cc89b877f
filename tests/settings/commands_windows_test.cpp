// Where the settings file lies on Windows: beside the executable in the name the file system
// spells, or, where the program's folder takes no new files, in the application-data folder,
// with the path re-cased as a case-blind file system would show it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "runtime/application.h"
#include "settings/commands.h"
#include "settings/reset_commands.h"
#include "temp_folder.h"

namespace oculon {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

class WindowsCommands : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetCommands(); }
  void TearDown() override { App.SetExecutablePath(""); }

  void StartAs(const std::string& executable) {
    App.SetExecutablePath(executable);
    InitPaths();
    InitIniFile();
  }
};

TEST_F(WindowsCommands, TheFileBesideTheExecutableTakesTheExecutablesOwnSpelling) {
  TempFolder folder;
  WriteFile(folder / "oculon.exe", "");
  StartAs(folder / "OCULON.EXE");
  EXPECT_EQ(gExeName, "OCULON");
  EXPECT_EQ(std::filesystem::path(gIniFile).filename().string(), "oculon.ini");
  EXPECT_EQ(gAppPath.back(), '\\');
  EXPECT_EQ(gWinIni, gWinDir + "Win.ini");
}

TEST_F(WindowsCommands, AFolderThatCannotHoldTheFileSendsItReCasedToApplicationData) {
  StartAs("C:\\NO SUCH\\FOLDER\\OCULON.EXE");
  std::string applicationData = std::getenv("APPDATA");
  EXPECT_TRUE(std::filesystem::exists(gWinDir + "system32")) << gWinDir;  // Windows' own folder
  EXPECT_EQ(gIniFile, applicationData + "\\oculon\\Oculon.ini");
  WriteIni("Brask's Quibbet", "Top", "15", gIniFile);
  EXPECT_EQ(ReadFile(gIniFile), "[Brask's Quibbet]\r\nTop=15\r\n");
}

}  // namespace
}  // namespace oculon
