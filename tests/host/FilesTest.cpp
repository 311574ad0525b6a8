// Path names, files and file streams of the default file system, as the plug-in uses
// them to embed a scene file and to write one out.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "Files.h"
#include "HostTestSupport.h"

namespace hosttest {
namespace {

enum : ASUns16 { kRead = 1, kWrite = 2, kCreate = 4 };

class FilesTest : public HostTest {
 protected:
  void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // Opens `path` through the tables; answers the result code.
  ASErrorCode Open(const std::string& path, ASUns16 mode, Handle* file) {
    const char* text = path.c_str();
    ASErrorCode result = -1;
    EXPECT_EQ(Run([&] {
                Handle name =
                    ASFileSysCreatePathName(nullptr, ASAtomFromString("Cstring"), text, nullptr);
                result = ASFileSysOpenFile(nullptr, name, mode, file);
                ASFileSysReleasePath(nullptr, name);
              }),
              kErrNone);
    return result;
  }
  TempFolder folder_;
};

TEST_F(FilesTest, FilesThatCannotBeOpenedAnswerAnErrorCodeWithoutRaising) {
  struct Case {
    std::string path;
    ASUns16 mode;
  };
  std::vector<Case> cases = {{folder_.File("missing.mvn"), kRead},
                             {folder_.File("missing.mvn"), kWrite},
                             {folder_.File("no-folder/new.mvn"), kWrite | kCreate},
                             {folder_.File(""), kRead}};
#if !defined(_WIN32)
  // A FIFO is no file to read or write: opening or reading it would wait for its other end.
  const std::string fifo = folder_.File("fifo.mvn");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const ASUns16 modes[] = {kRead, kWrite, kRead | kWrite | kCreate};
  for (const ASUns16 mode : modes) cases.push_back({fifo, mode});
#endif
  for (const auto& c : cases) {
    Handle file = reinterpret_cast<Handle>(0x1);
    EXPECT_EQ(Open(c.path, c.mode, &file), kErrFileOpen) << c.path;
    EXPECT_EQ(file, nullptr);
  }
  EXPECT_TRUE(host_.uncaughtErrors().empty());
  EXPECT_EQ(OpenFiles(), 0u);
  EXPECT_EQ(LivePathNames(), 0u);
}

TEST_F(FilesTest, WrittenFileReadsBackWithItsLength) {
  const std::string path = folder_.File("scene.mvn");
  const char payload[] = "mvn scene bytes\0with a zero";
  const ASTCount size = sizeof payload - 1;
  Handle file = nullptr;
  ASTCount written = 0;
  ASSERT_EQ(Open(path, kWrite | kCreate, &file), kErrNone);
  ASSERT_EQ(Run([&] {
              Handle stm = ASFileStmWrOpen(file, 0);
              written = ASStmWrite(payload, 1, size, stm);
              ASStmFlush(stm);
              ASStmClose(stm);
              ASFileClose(file);
            }),
            kErrNone);
  EXPECT_EQ(written, size);
  EXPECT_EQ(std::filesystem::file_size(path), static_cast<uintmax_t>(size));

  ASInt32 length = -1;
  ASTCount items = -1, atEnd = -1;
  char back[64] = {};
  ASSERT_EQ(Open(path, kRead, &file), kErrNone);
  ASSERT_EQ(Run([&] {
              length = ASFileGetEOF(file);
              Handle stm = ASFileStmRdOpen(file, 0);
              items = ASStmRead(back, 4, 16, stm);  // whole items only
              atEnd = ASStmRead(back, 1, 1, stm);
              ASStmClose(stm);
              ASFileClose(file);
            }),
            kErrNone);
  EXPECT_EQ(length, size);
  EXPECT_EQ(items, size / 4);
  EXPECT_EQ(atEnd, 0);
  EXPECT_EQ(std::string(back, static_cast<size_t>(size)), std::string(payload, size));
  EXPECT_EQ(LiveStreams(), 0u);
  EXPECT_EQ(OpenFiles(), 0u);
  EXPECT_EQ(LivePathNames(), 0u);
}

TEST_F(FilesTest, CreateTruncatesAndWriteAloneKeepsTheRest) {
  const std::string path = folder_.File("existing.bin");
  WriteFile(path, "0123456789");
  Handle file = nullptr;
  ASInt32 length = -1;
  ASSERT_EQ(Open(path, kWrite, &file), kErrNone);
  ASSERT_EQ(Run([&] {
              Handle stm = ASFileStmWrOpen(file, 0);
              ASStmWrite("ab", 1, 2, stm);
              ASStmClose(stm);
              length = ASFileGetEOF(file);
              ASFileClose(file);
            }),
            kErrNone);
  EXPECT_EQ(length, 10);
  ASSERT_EQ(Open(path, kWrite | kCreate, &file), kErrNone);
  ASSERT_EQ(Run([&] {
              length = ASFileGetEOF(file);
              ASFileClose(file);
            }),
            kErrNone);
  EXPECT_EQ(length, 0);
}

// The way a scene is written out: an empty file made beforehand is opened for creation
// and filled in small pieces, many more than the file's buffer holds.
TEST_F(FilesTest, EmptyFileFilledInSmallPiecesHoldsEveryByte) {
  const std::string path = folder_.File("made-empty.bin");
  WriteFile(path, "");
  std::string payload(200 * 1024 + 17, '\0');
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 31 + i / 4096);
  Handle file = nullptr;
  ASInt32 length = -1;
  ASSERT_EQ(Open(path, kWrite | kCreate, &file), kErrNone);
  ASSERT_EQ(Run([&] {
              Handle stm = ASFileStmWrOpen(file, 0);
              for (size_t at = 0; at < payload.size(); at += 4096) {
                const size_t piece = std::min<size_t>(4096, payload.size() - at);
                ASStmWrite(payload.data() + at, 1, static_cast<ASTCount>(piece), stm);
              }
              ASStmFlush(stm);
              ASStmClose(stm);
              length = ASFileGetEOF(file);
              ASFileClose(file);
            }),
            kErrNone);
  EXPECT_EQ(length, static_cast<ASInt32>(payload.size()));
  std::ifstream in(path, std::ios::binary);
  const std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(back == payload);
  EXPECT_EQ(OpenFiles(), 0u);
}

TEST_F(FilesTest, LengthOfTwoGibibytesOrMoreRaisesInsteadOfWrapping) {
  const std::string path = folder_.File("huge.bin");
  { std::ofstream create(path, std::ios::binary); }
  const struct {
    uintmax_t size;
    ASErrorCode code;
  } cases[] = {
      {0x7FFFFFFFu, kErrNone}, {0x80000000u, kErrFileTooBig}, {0x100000005ull, kErrFileTooBig}};
  for (const auto& c : cases) {
    std::error_code error;
    std::filesystem::resize_file(path, c.size, error);  // sparse where the system allows
    if (error) GTEST_SKIP() << "cannot make a large sparse file: " << error.message();
    Handle file = nullptr;
    ASInt32 length = -1;
    ASSERT_EQ(Open(path, kRead, &file), kErrNone);
    EXPECT_EQ(Run([&] { length = ASFileGetEOF(file); }), c.code);
    if (c.code == kErrNone) {
      EXPECT_EQ(static_cast<uintmax_t>(length), c.size);
    }
    EXPECT_EQ(Run([&] { ASFileClose(file); }), kErrNone);
  }
}

TEST_F(FilesTest, MisusedHandlesAndPathTypesRaiseBadParameter) {
  const std::string path = folder_.File("a.txt");
  WriteFile(path, "abc");
  const char* text = path.c_str();
  Handle file = nullptr;
  ASSERT_EQ(Open(path, kRead, &file), kErrNone);
  char buffer[4];
  const Handle bogus = reinterpret_cast<Handle>(0x42);
  EXPECT_EQ(
      Run([&] { ASFileSysCreatePathName(nullptr, ASAtomFromString("DIPath"), text, nullptr); }),
      kErrBadParameter);
  EXPECT_EQ(
      Run([&] { ASFileSysCreatePathName(bogus, ASAtomFromString("Cstring"), text, nullptr); }),
      kErrBadParameter);
  EXPECT_EQ(Run([&] { ASFileStmWrOpen(file, 0); }), kErrBadParameter);  // opened for reading
  EXPECT_EQ(Run([&] { ASStmRead(buffer, 1, 4, bogus); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { ASFileGetEOF(bogus); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { ASFileSysReleasePath(nullptr, bogus); }), kErrBadParameter);
  EXPECT_EQ(Run([&] {
              Handle stm = ASMemStmRdOpen(buffer, 4);
              ASStmClose(stm);
              ASStmClose(stm);  // closed twice
            }),
            kErrBadParameter);
  EXPECT_EQ(Run([&] { ASFileClose(file); }), kErrNone);
  EXPECT_EQ(Run([&] { ASFileClose(file); }), kErrBadParameter);
  EXPECT_EQ(LiveStreams(), 0u);
}

}  // namespace
}  // namespace hosttest
