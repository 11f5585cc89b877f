// Paths on Windows: roots, the executable's folder and name, long names in their own casing,
// and the folders the settings file may go to.
#include "runtime/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/application.h"
#include "temp_folder.h"

namespace oculon {
namespace {

using testing::TempFolder;
using testing::WriteFile;

TEST(WindowsPaths, RootsKeepTheirSeparator) {
  EXPECT_EQ(RootLength("C:\\Games\\oculon.exe"), 3u);
  EXPECT_EQ(RootLength("\\\\server\\share\\oculon.exe"), 15u);
  EXPECT_EQ(RootLength("oculon.exe"), 0u);

  App.SetExecutablePath("C:\\oculon.exe");
  EXPECT_EQ(App.Path(), "C:\\");
  App.SetExecutablePath("C:\\Games\\Brask\\OCULON.EXE");
  EXPECT_EQ(App.Path(), "C:\\Games\\Brask");
  EXPECT_EQ(App.EXEName(), "OCULON");
  App.SetExecutablePath("");
  EXPECT_NE(App.ExecutablePath().find(".exe"), std::string::npos);
  App.SetExecutablePath("");
}

TEST(WindowsPaths, TheLongNameOfAnExistingFileIsSpelledAsTheFileSystemSpellsIt) {
  TempFolder folder;
  WriteFile(folder / "Oculon.ini", "");
  char buffer[kMaxPath];
  std::string asked = folder.path().string() + "\\OCULON.INI";
  ASSERT_NE(GetLongPathNameA(asked, buffer, kMaxPath), 0u);
  EXPECT_EQ(std::filesystem::path(buffer).filename().string(), "Oculon.ini");

  // A file that is not there keeps its name as given; a folder that is not there gives nothing.
  ASSERT_NE(GetLongPathNameA(folder / "NEW.ini", buffer, kMaxPath), 0u);
  EXPECT_EQ(std::filesystem::path(buffer).filename().string(), "NEW.ini");
  EXPECT_EQ(GetLongPathNameA(folder / "none\\a.ini", buffer, kMaxPath), 0u);
  EXPECT_EQ(GetLongPathNameA(asked, buffer, 4), 0u);  // does not fit
}

TEST(WindowsPaths, FoldersForTheSettingsFile) {
  TempFolder folder;
  EXPECT_TRUE(FolderAcceptsNewFiles(folder.path().string()));
  EXPECT_FALSE(FolderAcceptsNewFiles(folder / "missing"));
  WriteFile(folder / "file", "");
  EXPECT_FALSE(FolderAcceptsNewFiles(folder / "file"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // no probe

  std::string nested = folder / "a\\b\\c";
  EXPECT_TRUE(CreateFolders(nested));
  EXPECT_TRUE(std::filesystem::is_directory(nested));
  EXPECT_TRUE(CreateFolders(nested));  // already there
  EXPECT_FALSE(CreateFolders(folder / "file\\sub"));

  char buffer[kMaxPath];
  uint32_t length = GetTempPathA(kMaxPath, buffer);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(buffer[length - 1], '\\');
  EXPECT_GT(GetWindowsDirectoryA(buffer, kMaxPath), 0u);
  EXPECT_EQ(UserConfigurationFolder(), std::getenv("APPDATA"));
  EXPECT_GT(GetSystemDirectoryA(buffer, kMaxPath), 0u);
}

}  // namespace
}  // namespace oculon
