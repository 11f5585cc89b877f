// The system's keys, mouse flags and instance mutex as the runtime takes them.
#include "desktop/win32/keys.h"

#include <gtest/gtest.h>

#include "system/windows/instance_name.h"
#include "temp_folder.h"

namespace oculon::win32 {
namespace {

TEST(Win32Keys, ThePanelsKeysAndShiftTabForBackTab) {
  EXPECT_EQ(KeyFrom(VK_TAB, false), Key::kTab);
  EXPECT_EQ(KeyFrom(VK_TAB, true), Key::kBackTab);
  EXPECT_EQ(KeyFrom(VK_LEFT, true), Key::kLeft);
  EXPECT_EQ(KeyFrom(VK_DOWN, false), Key::kDown);
  EXPECT_EQ(KeyFrom(VK_PRIOR, false), Key::kPageUp);
  EXPECT_EQ(KeyFrom(VK_NEXT, false), Key::kPageDown);
  EXPECT_EQ(KeyFrom(VK_HOME, false), Key::kHome);
  EXPECT_EQ(KeyFrom(VK_SPACE, false), Key::kSpace);
  EXPECT_EQ(KeyFrom('A', false), std::nullopt);
}

TEST(Win32Keys, MouseFlagsAndAltAreShiftCtrlAndAlt) {
  EXPECT_EQ(ShiftFrom(MK_SHIFT | MK_CONTROL | MK_LBUTTON, true), kShiftKey | kCtrlKey | kAltKey);
  EXPECT_EQ(ShiftFrom(MK_LBUTTON | MK_RBUTTON, false), 0);
}

TEST(InstanceMutexName, OneNamePerExecutableAsWindowsComparesPathsUnderTheProgramsName) {
  std::wstring name = InstanceMutexName("toy.exe", "C:\\Games\\Toy.exe");
  EXPECT_EQ(name.rfind(L"Local\\toy.exe-instance-", 0), 0u);
  EXPECT_EQ(name.size(), std::wstring(L"Local\\toy.exe-instance-").size() + 16);
  EXPECT_EQ(InstanceMutexName("toy.exe", "c:\\GAMES\\toy.EXE"), name);
  EXPECT_NE(InstanceMutexName("toy.exe", "C:\\Games\\Other\\Toy.exe"), name);
}

TEST(InstanceMutexName, AnExistingExecutableHasOneNameWhateverPathNamesIt) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "toy.exe", "");
  std::string other =
      folder.path().string() + "\\.\\..\\" + folder.path().filename().string() + "\\toy.exe";
  EXPECT_EQ(InstanceMutexName("toy.exe", folder / "toy.exe"), InstanceMutexName("toy.exe", other));
}

}  // namespace
}  // namespace oculon::win32
