// The instance lock on POSIX: one holder per executable and display, whatever the display's
// spelling or the path to the executable; a folder of the user's own; nothing left behind.
#include "runtime/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "system/posix/display_name.h"
#include "temp_folder.h"

namespace oculon {
namespace {

using testing::TempFolder;
using testing::WriteFile;

TEST(DisplayName, OneDisplayHasOneName) {
  for (const char* spelling : {":130", ":130.0", "unix:130", "unix:130.1"})
    EXPECT_EQ(CanonicalDisplayName(spelling), ":130") << spelling;
  EXPECT_EQ(CanonicalDisplayName("localhost:10.0"), "localhost:10");
  EXPECT_NE(CanonicalDisplayName(":13"), CanonicalDisplayName(":130"));
}

class Lock : public ::testing::Test {
 protected:
  Lock() {
    WriteFile(program, "");
    std::filesystem::create_symlink(program, folder / "link");
  }
  size_t FilesIn(const std::string& where) {
    return size_t(std::distance(std::filesystem::directory_iterator(where), {}));
  }
  TempFolder folder;
  std::string program = folder / "toy";
  std::string runtime = std::getenv("XDG_RUNTIME_DIR");
};

TEST_F(Lock, OneHolderPerExecutableAndDisplayAndNothingLeftBehind) {
  size_t before = FilesIn(runtime);
  {
    InstanceLock first;
    ASSERT_FALSE(first.HeldByAnother("toy", program, ":7"));
    InstanceLock second;
    EXPECT_TRUE(second.HeldByAnother("toy", folder / "link", "unix:7.0"));  // the same two
    InstanceLock elsewhere;
    EXPECT_FALSE(elsewhere.HeldByAnother("toy", program, ":8"));
  }
  EXPECT_EQ(FilesIn(runtime), before);
  InstanceLock again;
  EXPECT_FALSE(again.HeldByAnother("toy", program, ":7"));
}

TEST_F(Lock, WithoutAPrivateRuntimeFolderTheLockLiesInTheUsersCacheFolder) {
  std::filesystem::permissions(runtime, std::filesystem::perms(0777));  // not private
  std::string cache = std::getenv("XDG_CACHE_HOME");
  {
    InstanceLock first;
    ASSERT_FALSE(first.HeldByAnother("toy", program, ":7"));
    EXPECT_EQ(FilesIn(cache + "/toy"), 1u);
    EXPECT_EQ(std::filesystem::status(cache + "/toy").permissions(),
              std::filesystem::perms::owner_all);
    InstanceLock second;
    EXPECT_TRUE(second.HeldByAnother("toy", program, ":7"));
  }
  EXPECT_EQ(FilesIn(cache + "/toy"), 0u);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace oculon
