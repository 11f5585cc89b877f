// The profile service: lookup rules, writes that keep every other byte, and hostile files.
#include "platform/profile.h"

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

#include "temp_folder.h"

namespace oculon {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

std::string Read(const std::string& section, const std::string& key, const std::string& file,
                 uint32_t size = 2048) {
  std::string buffer(size, '\x7f');
  uint32_t count = GetPrivateProfileStringA(section, key, "", buffer.data(), size, file);
  EXPECT_EQ(buffer[count], '\0');
  return buffer.substr(0, count);
}

TEST(ProfileRead, MatchesSectionsAndKeysWithoutRegardToCaseAndTrimsBlanks) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file,
            "top=1\r\n[other]\nTop=2\n  [ brask's QUIBBET ]  \r\n\t tOp \t=  4470 \r\nLeft=\n");
  EXPECT_EQ(Read("BRASK'S QUIBBET", "TOP", file), "4470");
  EXPECT_EQ(Read("Brask's Quibbet", "top", file), "4470");
  EXPECT_EQ(Read("OTHER", "TOP", file), "2");
  EXPECT_EQ(Read("BRASK'S QUIBBET", "LEFT", file), "");  // an empty value is nothing found
  EXPECT_EQ(Read("BRASK'S QUIBBET", "MISSING", file), "");
  EXPECT_EQ(Read("NOWHERE", "TOP", file), "");
  EXPECT_EQ(Read(" OTHER\t", " TOP ", file),
            "2");  // blanks around the names asked for do not count
}

TEST(ProfileRead, FirstOccurrenceWinsAndValuesAreCutToTheBuffer) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file, "[S]\nK=first\nK=second\n[S]\nK=third\nLong=" + std::string(5000, 'x') + "\n");
  EXPECT_EQ(Read("S", "K", file), "first");
  EXPECT_EQ(Read("S", "LONG", file), "");  // the second [S] is never searched
  WriteFile(file, "[S]\nLong=" + std::string(5000, 'x'));
  EXPECT_EQ(Read("S", "LONG", file).size(), 2047u);
  EXPECT_EQ(Read("S", "LONG", file, 10), "xxxxxxxxx");
}

TEST(ProfileRead, MissingFileOrFolderCreatesNothingAndGivesTheDefault) {
  TempFolder folder;
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "dflt", buffer, 16, folder / "none.ini"), 4u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_FALSE(std::filesystem::exists(folder / "none.ini"));
  EXPECT_EQ(Read("S", "K", folder.path().string()), "");  // a folder is no settings file
  EXPECT_EQ(Read("S", "K", ""), "");
}

TEST(ProfileRead, SurvivesDamagedFiles) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  std::string damaged("\x00\xff\xfe[S\x00]\n", 9);
  damaged += std::string(1'000'000, '\x01');
  damaged += std::string("\n[S]\r\r\nK=\x00v\x80\n=\n[\n]]\nK", 21);
  WriteFile(file, damaged);
  EXPECT_EQ(Read("S", "K", file), std::string("\x00v\x80", 3));
}

TEST(ProfileWrite, CreatesAMissingFileWithSectionAndKey) {
  TempFolder folder;
  std::string file = folder / "new.ini";
  EXPECT_TRUE(WritePrivateProfileStringA("Brask's Quibbet", "Top", "4470", file));
  EXPECT_TRUE(WritePrivateProfileStringA("Brask's Quibbet", "Left", "13125", file));
  EXPECT_EQ(ReadFile(file), "[Brask's Quibbet]\r\nTop=4470\r\nLeft=13125\r\n");
  EXPECT_EQ(Read("BRASK'S QUIBBET", "LEFT", file), "13125");
}

TEST(ProfileWrite, ReplacesInPlaceAppendsToTheSectionAndKeepsEveryOtherByte) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  std::string before = "; note\n[brask's quibbet]\nTOP = 1 \r\n\n[Other]\nx=\x01\x02\n\n";
  WriteFile(file, before);
  EXPECT_TRUE(WritePrivateProfileStringA("Brask's Quibbet", "Top", "-75", file));
  EXPECT_TRUE(WritePrivateProfileStringA("Brask's Quibbet", "Left", "757,5", file));
  EXPECT_TRUE(WritePrivateProfileStringA("Third", "k", "v", file));
  EXPECT_EQ(ReadFile(file),
            "; note\n[brask's quibbet]\nTOP =-75\r\nLeft=757,5\r\n\n[Other]\nx=\x01\x02\n\n"
            "[Third]\r\nk=v\r\n");
}

TEST(ProfileWrite, AFileWithoutAFinalLineBreakGetsOneBeforeNewLines) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file, "[S]\nA=1");
  EXPECT_TRUE(WritePrivateProfileStringA("S", "B", "2", file));
  EXPECT_EQ(ReadFile(file), "[S]\nA=1\r\nB=2\r\n");
  WriteFile(file, "[S]\nA=1");
  EXPECT_TRUE(WritePrivateProfileStringA("T", "B", "2", file));
  EXPECT_EQ(ReadFile(file), "[S]\nA=1\r\n[T]\r\nB=2\r\n");
}

TEST(ProfileWrite, RefusesTextThatWouldAddLinesOrReadBackOtherwise) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1\r\n[Evil]", file));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K=", "1", file));
  EXPECT_FALSE(WritePrivateProfileStringA("S]", "K", "1", file));
  EXPECT_FALSE(WritePrivateProfileStringA("S", " [K]", "1", file));  // would read as a section
  EXPECT_FALSE(WritePrivateProfileStringA("S", "", "1", file));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", ""));
  EXPECT_FALSE(std::filesystem::exists(file));
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

// Runs `body` in a child process, as the unprivileged user "nobody" when this runs as root, so
// that file permissions hold; returns the child's exit code.
int AsAnOrdinaryUser(const std::function<bool()>& body) {
  pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                           setresuid(65534, 65534, 65534) != 0)) {
      _exit(2);
    }
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST(ProfileFile, AByteOrderMarkIsPassedOverWhenReadingAndKeptWhenWriting) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  const std::string bom = "\xEF\xBB\xBF";
  WriteFile(file, bom + "[Brask's Quibbet]\r\nTop=4470\r\n");
  EXPECT_EQ(Read("BRASK'S QUIBBET", "TOP", file), "4470");
  EXPECT_TRUE(WritePrivateProfileStringA("Brask's Quibbet", "Left", "13125", file));
  EXPECT_EQ(ReadFile(file), bom + "[Brask's Quibbet]\r\nTop=4470\r\nLeft=13125\r\n");

  WriteFile(file, bom);  // a mark alone is an empty file
  EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "1", file));
  EXPECT_EQ(ReadFile(file), bom + "[S]\r\nK=1\r\n");
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
    EXPECT_EQ(Read("S", "K", file), "") << file;  // no writer on the FIFO: a blocking open hangs
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
  EXPECT_EQ(Read("S", "K", file), "1");
}

TEST(ProfileFile, AWritableFileInAFolderTheUserCannotWriteIsRewrittenInPlace) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file, "; shared\n[Brask's Quibbet]\r\nTop=1\r\n");
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

  // A file the user cannot write either stays as it was.
  std::filesystem::permissions(file, std::filesystem::perms(0644));
  EXPECT_EQ(AsAnOrdinaryUser(
                [&] { return WritePrivateProfileStringA("Brask's Quibbet", "Top", "9", file); }),
            1);
  EXPECT_EQ(ReadFile(file), "; shared\n[Brask's Quibbet]\r\nTop=0\r\nLeft=13125\r\n");
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
