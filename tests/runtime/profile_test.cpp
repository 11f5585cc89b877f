// The profile service: lookup rules, writes that keep every other byte, and hostile files.
#include "runtime/profile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "runtime/profile_value.h"
#include "temp_folder.h"

namespace oculon {
namespace {

using testing::ProfileValue;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

TEST(ProfileRead, MatchesSectionsAndKeysWithoutRegardToCaseAndTrimsBlanks) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file,
            "top=1\r\n[other]\nTop=2\n  [ brask's QUIBBET ]  \r\n\t tOp \t=  4470 \r\nLeft=\n");
  EXPECT_EQ(ProfileValue("BRASK'S QUIBBET", "TOP", file), "4470");
  EXPECT_EQ(ProfileValue("Brask's Quibbet", "top", file), "4470");
  EXPECT_EQ(ProfileValue("OTHER", "TOP", file), "2");
  EXPECT_EQ(ProfileValue("BRASK'S QUIBBET", "LEFT", file), "");  // an empty value is nothing found
  EXPECT_EQ(ProfileValue("BRASK'S QUIBBET", "MISSING", file), "");
  EXPECT_EQ(ProfileValue("NOWHERE", "TOP", file), "");
  EXPECT_EQ(ProfileValue(" OTHER\t", " TOP ", file),
            "2");  // blanks around the names asked for do not count
}

TEST(ProfileRead, FirstOccurrenceWinsAndValuesAreCutToTheBuffer) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  WriteFile(file, "[S]\nK=first\nK=second\n[S]\nK=third\nLong=" + std::string(5000, 'x') + "\n");
  EXPECT_EQ(ProfileValue("S", "K", file), "first");
  EXPECT_EQ(ProfileValue("S", "LONG", file), "");  // the second [S] is never searched
  WriteFile(file, "[S]\nLong=" + std::string(5000, 'x'));
  EXPECT_EQ(ProfileValue("S", "LONG", file).size(), 2047u);
  EXPECT_EQ(ProfileValue("S", "LONG", file, 10), "xxxxxxxxx");
}

TEST(ProfileRead, MissingFileOrFolderCreatesNothingAndGivesTheDefault) {
  TempFolder folder;
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "dflt", buffer, 16, folder / "none.ini"), 4u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_FALSE(std::filesystem::exists(folder / "none.ini"));
  EXPECT_EQ(ProfileValue("S", "K", folder.path().string()), "");  // a folder is no settings file
  EXPECT_EQ(ProfileValue("S", "K", ""), "");
}

TEST(ProfileRead, SurvivesDamagedFiles) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  std::string damaged("\x00\xff\xfe[S\x00]\n", 9);
  damaged += std::string(1'000'000, '\x01');
  damaged += std::string("\n[S]\r\r\nK=\x00v\x80\n=\n[\n]]\nK", 21);
  WriteFile(file, damaged);
  EXPECT_EQ(ProfileValue("S", "K", file), std::string("\x00v\x80", 3));
}

TEST(ProfileWrite, CreatesAMissingFileWithSectionAndKey) {
  TempFolder folder;
  std::string file = folder / "new.ini";
  EXPECT_TRUE(WritePrivateProfileStringA("Brask's Quibbet", "Top", "4470", file));
  EXPECT_TRUE(WritePrivateProfileStringA("Brask's Quibbet", "Left", "13125", file));
  EXPECT_EQ(ReadFile(file), "[Brask's Quibbet]\r\nTop=4470\r\nLeft=13125\r\n");
  EXPECT_EQ(ProfileValue("BRASK'S QUIBBET", "LEFT", file), "13125");
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
  // A carriage return alone ends no line: the new key would join the last one.
  WriteFile(file, "[S]\nA=1\r");
  EXPECT_TRUE(WritePrivateProfileStringA("S", "B", "2", file));
  EXPECT_EQ(ReadFile(file), "[S]\nA=1\r\r\nB=2\r\n");
  EXPECT_EQ(ProfileValue("S", "B", file), "2");
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

TEST(ProfileFile, AByteOrderMarkIsPassedOverWhenReadingAndKeptWhenWriting) {
  TempFolder folder;
  std::string file = folder / "a.ini";
  const std::string bom = "\xEF\xBB\xBF";
  WriteFile(file, bom + "[Brask's Quibbet]\r\nTop=4470\r\n");
  EXPECT_EQ(ProfileValue("BRASK'S QUIBBET", "TOP", file), "4470");
  EXPECT_TRUE(WritePrivateProfileStringA("Brask's Quibbet", "Left", "13125", file));
  EXPECT_EQ(ReadFile(file), bom + "[Brask's Quibbet]\r\nTop=4470\r\nLeft=13125\r\n");

  WriteFile(file, bom);  // a mark alone is an empty file
  EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "1", file));
  EXPECT_EQ(ReadFile(file), bom + "[S]\r\nK=1\r\n");
}

}  // namespace
}  // namespace oculon
