// Settings files on Windows: what is not a disk file, read-only and huge files, and writes that
// leave nothing behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/profile.h"
#include "system/windows/windows_api.h"
#include "temp_folder.h"

namespace oculon {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

size_t FilesIn(const TempFolder& folder) {
  return size_t(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
}

TEST(WindowsSettingsFile, DevicesAndFoldersAreNeitherReadNorReplaced) {
  char buffer[16];
  for (const char* device : {"NUL", "CON", "COM1"}) {
    EXPECT_EQ(GetPrivateProfileStringA("S", "K", "d", buffer, sizeof buffer, device), 1u) << device;
    EXPECT_STREQ(buffer, "d");
  }
  TempFolder folder;
  std::filesystem::create_directory(folder / "dir.ini");
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", folder / "dir.ini"));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dir.ini"));
}

TEST(WindowsSettingsFile, AReplacedFileKeepsItsAttributesAndLeavesNoTemporaryFile) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file, "[S]\r\nK=1\r\n");
  ASSERT_TRUE(SetFileAttributesW(std::filesystem::path(file).c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "2", file));
  EXPECT_EQ(ReadFile(file), "[S]\r\nK=2\r\n");
  EXPECT_TRUE(GetFileAttributesW(std::filesystem::path(file).c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(FilesIn(folder), 1u);
}

TEST(WindowsSettingsFile, AReadOnlyFileStaysAsItWas) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file, "[S]\r\nK=1\r\n");
  std::filesystem::path path(file);
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "2", file));
  EXPECT_EQ(ReadFile(file), "[S]\r\nK=1\r\n");
  EXPECT_EQ(FilesIn(folder), 1u);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsSettingsFile, AFileOverOneMebibyteIsNeitherReadNorReplaced) {
  TempFolder folder;
  std::string file = folder / "huge.ini";
  WriteFile(file, "[S]\r\nK=1\r\n");
  std::filesystem::resize_file(file, (1 << 20) + 1);
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "", buffer, sizeof buffer, file), 0u);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "2", file));
  EXPECT_EQ(std::filesystem::file_size(file), (1u << 20) + 1);

  std::filesystem::resize_file(file, 1 << 20);  // at the cap: still this program's to read
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "", buffer, sizeof buffer, file), 1u);
}

TEST(WindowsSettingsFile, NamesOutsideTheAnsiCodePageAreFine) {
  TempFolder folder;
  std::string file = folder / "\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB7 \xE7\x9C\xBC.ini";  // Cyrillic, CJK
  EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "7", file));
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "", buffer, sizeof buffer, file), 1u);
  EXPECT_STREQ(buffer, "7");
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(file)));
}

}  // namespace
}  // namespace oculon
