// Settings files on a POSIX file system: links, permissions, owners, failed writes and files
// that are not regular files.
#include "runtime/profile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <grp.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <random>
#include <thread>

#include "runtime/profile_value.h"
#include "temp_folder.h"

namespace oculon {
namespace {

using testing::ProfileValue;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

TEST(ProfileWrite, ALinkAnotherUserPlantedIsNotFollowed) {
  if (geteuid() != 0) GTEST_SKIP() << "a link of another user's needs root to make";
  TempFolder folder;
  std::string victim = folder / "victim";
  WriteFile(victim, "private\n");
  std::string planted = folder / "oculon.ini";
  std::filesystem::create_symlink(victim, planted);
  ASSERT_EQ(lchown(planted.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(WritePrivateProfileStringA("Brask's Quibbet", "Top", "15", planted));
  EXPECT_EQ(ReadFile(victim), "private\n");
  EXPECT_TRUE(std::filesystem::is_symlink(planted));
}

TEST(ProfileWrite, KeepsPermissionsAndWritesThroughASymlink) {
  TempFolder folder;
  std::string real = folder / "real.ini";
  std::string link = folder / "link.ini";
  WriteFile(real, "[S]\nK=1\n");
  std::filesystem::permissions(real, std::filesystem::perms(0640));
  std::filesystem::create_symlink(real, link);
  EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "2", link));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "[S]\nK=2\n");
  EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

TEST(ProfileWrite, AFailedWriteLeavesTheOldFileAsItWas) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  std::string before = "[S]\nK=1\nOther=kept\n";
  WriteFile(file, before);
  // A file-size limit makes every write past it fail, as a full disk would.
  pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(WritePrivateProfileStringA("S", "K", std::string(1000, 'v'), file) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);

  // A settings path that is a folder is neither read nor replaced.
  std::filesystem::create_directory(folder / "dir.ini");
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", folder / "dir.ini"));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dir.ini"));
}

// Drops to the unprivileged user "nobody" when this runs as root, in a child process.
void BecomeAnOrdinaryUser() {
  if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                         setresuid(65534, 65534, 65534) != 0)) {
    _exit(2);
  }
}

// Runs `body` in a child process, as the unprivileged user "nobody" when this runs as root, so
// that file permissions hold; returns the child's exit code.
int AsAnOrdinaryUser(const std::function<bool()>& body) {
  pid_t child = fork();
  if (child == 0) {
    BecomeAnOrdinaryUser();
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST(ProfileFile, FifosSocketsAndDevicesAreNeitherReadNorReplacedAndNeverBlock) {
  TempFolder folder;
  std::string fifo = folder / "fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  std::string socketPath = folder / "socket.ini";
  int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  std::string device = folder / "null.ini";
  std::filesystem::create_symlink("/dev/null", device);

  for (const std::string& file : {fifo, socketPath, device}) {
    EXPECT_EQ(ProfileValue("S", "K", file), "")
        << file;  // no writer on the FIFO: a blocking open hangs
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", file)) << file;
  }
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
  EXPECT_EQ(std::filesystem::status(device).type(), std::filesystem::file_type::character);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3);
  close(listening);
}

TEST(ProfileFile, AFileOverOneMebibyteIsNotReadIntoMemoryNorReplaced) {
  TempFolder folder;
  std::string file = folder / "huge.ini";
  std::string head = "[S]\r\nK=1\r\n";
  WriteFile(file, head);
  std::filesystem::resize_file(file, 20ull << 30);  // a sparse 20 GiB: no disk taken
  std::filesystem::permissions(folder.path(), std::filesystem::perms(0755));
  // Under a 256 MiB address-space limit a whole-file read would fail outright.
  int exitCode = AsAnOrdinaryUser([&] {
    rlimit limit{256 << 20, 256 << 20};
    setrlimit(RLIMIT_AS, &limit);
    char buffer[16];
    return GetPrivateProfileStringA("S", "K", "", buffer, sizeof buffer, file) == 0;
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "2", file));
  EXPECT_EQ(std::filesystem::file_size(file), 20ull << 30);

  std::filesystem::resize_file(file, 1 << 20);  // at the cap: still this program's to read
  EXPECT_EQ(ProfileValue("S", "K", file), "1");
}

TEST(ProfileFile, AWritableFileInAFolderTheUserCannotWriteIsRewrittenInPlace) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file, "; shared\n[Brask's Quibbet]\r\nTop=1\r\n");
  if (geteuid() == 0) {
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);  // the user's own
  }
  std::filesystem::permissions(file, std::filesystem::perms(0666));
  std::filesystem::permissions(folder.path(), std::filesystem::perms(0555));
  EXPECT_EQ(AsAnOrdinaryUser([&] {
              return WritePrivateProfileStringA("Brask's Quibbet", "Top", "4470", file) &&
                     WritePrivateProfileStringA("Brask's Quibbet", "Left", "13125", file);
            }),
            0);
  EXPECT_EQ(ReadFile(file), "; shared\n[Brask's Quibbet]\r\nTop=4470\r\nLeft=13125\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);

  // Shorter than before: nothing of the old text is left behind.
  EXPECT_EQ(AsAnOrdinaryUser(
                [&] { return WritePrivateProfileStringA("Brask's Quibbet", "Top", "0", file); }),
            0);
  EXPECT_EQ(ReadFile(file), "; shared\n[Brask's Quibbet]\r\nTop=0\r\nLeft=13125\r\n");

  // A file the user cannot write either stays as it was; so does another user's, writable as
  // it may be.
  std::filesystem::permissions(file, std::filesystem::perms(0444));
  EXPECT_EQ(AsAnOrdinaryUser(
                [&] { return WritePrivateProfileStringA("Brask's Quibbet", "Top", "9", file); }),
            1);
  EXPECT_EQ(ReadFile(file), "; shared\n[Brask's Quibbet]\r\nTop=0\r\nLeft=13125\r\n");
  if (geteuid() != 0) return;
  ASSERT_EQ(chown(file.c_str(), 0, 0), 0);
  std::filesystem::permissions(file, std::filesystem::perms(0666));
  EXPECT_EQ(AsAnOrdinaryUser(
                [&] { return WritePrivateProfileStringA("Brask's Quibbet", "Top", "9", file); }),
            1);
  EXPECT_EQ(ReadFile(file), "; shared\n[Brask's Quibbet]\r\nTop=0\r\nLeft=13125\r\n");
}

// A settings file of the ordinary user's, in a folder the user can write (replaced) or not
// (rewritten in place).
std::string OrdinaryUsersFile(const TempFolder& folder, bool inPlace, const std::string& text) {
  std::string file = folder / "a.ini";
  WriteFile(file, text);
  if (geteuid() == 0) {
    EXPECT_EQ(chown(file.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(inPlace || chown(folder.path().c_str(), 65534, 65534) == 0);
  }
  if (inPlace) std::filesystem::permissions(folder.path(), std::filesystem::perms(0555));
  return file;
}

TEST(ProfileFile, ASaveOverTheFileSizeLimitFailsBeforeAByteChangesAndEndsNothing) {
  for (bool inPlace : {false, true}) {
    TempFolder folder;
    std::string file = OrdinaryUsersFile(folder, inPlace, "[S]\r\nK=1\r\n");
    EXPECT_EQ(AsAnOrdinaryUser([&] {
                rlimit limit{12, 12};
                setrlimit(RLIMIT_FSIZE, &limit);
                return !WritePrivateProfileStringA("S", "K", "longer than the limit", file);
              }),
              0)
        << (inPlace ? "in place" : "replaced");
    EXPECT_EQ(ReadFile(file), "[S]\r\nK=1\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
  }
}

// Whether `text` is the file with one save's values of Top and Left, possibly followed by the
// empty lines of a rewrite in place that stopped before it cut the file to its length.
bool OneWholeSave(const std::string& text) {
  const std::string head = "[S]\r\nTop=";
  if (!text.starts_with(head)) return false;
  size_t end = text.find("\r\n", head.size());
  if (end == std::string::npos || end == head.size()) return false;
  std::string value = text.substr(head.size(), end - head.size());
  std::string left = "Left=" + value + "\r\n";
  return value.find_first_not_of("0123456789x") == std::string::npos &&
         text.compare(end + 2, left.size(), left) == 0 &&
         text.find_first_not_of('\n', end + 2 + left.size()) == std::string::npos;
}

TEST(ProfileFile, SavesKilledAtAnyPointLeaveOneWholeSaveAndNoOtherFile) {
  std::mt19937 random(7);
  for (bool inPlace : {false, true}) {
    TempFolder folder;
    std::string file = OrdinaryUsersFile(folder, inPlace, "[S]\r\nTop=0\r\nLeft=0\r\n");
    for (int round = 0; round < 20; ++round) {
      pid_t child = fork();
      if (child == 0) {
        BecomeAnOrdinaryUser();
        for (int i = 1;; ++i) {  // saves of two keys each, as a double-click makes
          ProfileWriteBatch save;
          std::string value = std::to_string(i) + std::string(i % 9, 'x');
          WritePrivateProfileStringA("S", "Top", value, file);
          WritePrivateProfileStringA("S", "Left", value, file);
        }
      }
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      std::string text = ReadFile(file);
      ASSERT_TRUE(OneWholeSave(text)) << (inPlace ? "in place: " : "replaced: ") << text;
    }
    // A save killed after naming its new file leaves it until the next save removes it.
    EXPECT_EQ(AsAnOrdinaryUser([&] { return WritePrivateProfileStringA("S", "Top", "1", file); }),
              0);
    EXPECT_TRUE(ReadFile(file).starts_with("[S]\r\nTop=1\r\nLeft="));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
  }
}

TEST(ProfileFile, AReplacedFileKeepsItsGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file another group needs root";
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file, "[S]\nK=1\n");
  ASSERT_EQ(chown(file.c_str(), 0, 100), 0);
  std::filesystem::permissions(file, std::filesystem::perms(0664));
  EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "2", file));
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_gid, 100u);
  EXPECT_EQ(info.st_mode & 07777, 0664u);
  EXPECT_EQ(ReadFile(file), "[S]\nK=2\n");
}

}  // namespace
}  // namespace oculon
