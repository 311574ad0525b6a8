// Temporary folder and files. What both platforms share runs on both; the simulation's
// controls and the planted links run on Linux.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Platform.h"
#if !defined(_WIN32)
#include <stdlib.h>
#include <sys/stat.h>

#include "PlatformControl.h"
#endif

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

class TempFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if !defined(_WIN32)
    platform::control::Reset();
#endif
    dir_ = fs::temp_directory_path() /
           ("mvn-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
  }

  bool Create(const fs::path& folder, char* path, size_t size) {
    return platform::CreateUniqueFile(folder.string().c_str(), path, size);
  }
  bool Replace(const fs::path& from, const fs::path& to) {
    return platform::ReplaceFileWith(from.string().c_str(), to.string().c_str());
  }

  fs::path dir_;
};

TEST_F(TempFilesTest, TempPathEndsInOneSeparatorAndAsksForRoomWhenTooSmall) {
  const unsigned needed = platform::TempFolderPath(0, nullptr);
  ASSERT_GT(needed, 2u);
  std::string buffer(needed, 'x');
  EXPECT_EQ(platform::TempFolderPath(needed - 1, &buffer[0]), needed);
  EXPECT_EQ(buffer, std::string(needed, 'x'));  // nothing written
  EXPECT_EQ(platform::TempFolderPath(needed, &buffer[0]), needed - 1);
  EXPECT_EQ(buffer[needed - 1], '\0');
  EXPECT_EQ(buffer[needed - 2], platform::kPathSeparator);
  EXPECT_NE(buffer[needed - 3], platform::kPathSeparator);
}

TEST_F(TempFilesTest, UniqueFilesAreNewEmptyAndDistinctOrNotMadeAtAll) {
  char first[512], second[512];
  ASSERT_TRUE(Create(dir_, first, sizeof first));
  ASSERT_TRUE(Create(dir_, second, sizeof second));
  EXPECT_STRNE(first, second);
  for (const char* path : {first, second}) {
    EXPECT_EQ(fs::path(path).parent_path(), dir_);
    EXPECT_EQ(fs::file_size(path), 0u);
#if !defined(_WIN32)
    struct stat info;
    ASSERT_EQ(stat(path, &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
  }
  fs::remove(first);
  fs::remove(second);
  EXPECT_FALSE(Create(dir_ / "missing", first, sizeof first));
  EXPECT_FALSE(Create(dir_, first, dir_.string().size() + 8));
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(TempFilesTest, ReplaceLeavesOnlyTheNewContentAndRemoveDeletes) {
  WriteAll(dir_ / "new", "abc");
  WriteAll(dir_ / "old", "a much longer old content");
  ASSERT_TRUE(Replace(dir_ / "new", dir_ / "old"));
  EXPECT_EQ(ReadAll(dir_ / "old"), "abc");
  EXPECT_FALSE(Replace(dir_ / "new", dir_ / "old"));  // nothing left to move
  EXPECT_TRUE(platform::RemoveFile((dir_ / "old").string().c_str()));
  EXPECT_FALSE(platform::RemoveFile((dir_ / "old").string().c_str()));
  EXPECT_TRUE(fs::is_empty(dir_));
}

#if !defined(_WIN32)

TEST_F(TempFilesTest, TempFolderIsTheConfiguredOneThenTmpdirThenTmp) {
  const struct {
    const char* configured;
    const char* tmpdir;  // null: unset
    const char* expected;
  } cases[] = {{"/a/b", "/env", "/a/b/"}, {"/a/b//", nullptr, "/a/b/"},
               {"/", nullptr, "/"},       {"", "/env//", "/env/"},
               {"", "", "/tmp/"},         {"", nullptr, "/tmp/"}};
  char buffer[64];
  for (const auto& c : cases) {
    platform::control::SetTempFolder(c.configured);
    c.tmpdir ? setenv("TMPDIR", c.tmpdir, 1) : unsetenv("TMPDIR");
    EXPECT_EQ(platform::TempFolderPath(sizeof buffer, buffer), std::strlen(c.expected));
    EXPECT_STREQ(buffer, c.expected) << c.configured << " / " << (c.tmpdir ? c.tmpdir : "unset");
  }
  platform::control::SetTempFolder("/configured");
  platform::control::Reset();
  platform::TempFolderPath(sizeof buffer, buffer);
  EXPECT_STREQ(buffer, "/tmp/");
}

TEST_F(TempFilesTest, PlantedLinksAreNeverWrittenThrough) {
  WriteAll(dir_ / "victim", "keep");
  fs::create_symlink(dir_ / "victim", dir_ / "~mvn1.tmp");
  fs::create_symlink(dir_ / "absent", dir_ / "~mvn2.tmp");
  platform::control::QueueUniqueFileName("~mvn1.tmp");
  platform::control::QueueUniqueFileName("~mvn2.tmp");
  char path[512];
  ASSERT_TRUE(Create(dir_, path, sizeof path));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
  EXPECT_FALSE(fs::exists(dir_ / "absent"));

  ASSERT_TRUE(Replace(path, dir_ / "~mvn1.tmp"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir_ / "~mvn1.tmp")));
  EXPECT_EQ(ReadAll(dir_ / "victim"), "keep");
}

#endif

}  // namespace
