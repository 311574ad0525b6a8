// Name and extension of an embedded scene, for both separator flavours and both code pages.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

#include "Authoring/SceneNames.h"
#include "Authoring/SceneFormat.h"
#include "TestData.h"

namespace {

using testsupport::kBothCodePages;
using testsupport::RunUnderCodePages;

constexpr int kBoth = kBothCodePages;

struct NameCase {
  const char* what;
  int codePage;  // 1252, 932 or kBoth
  char separator;
  const char* path;
  const char* name;
  const char* ext;
};

const NameCase kCases[] = {
    {"several dots split at the last", kBoth, '\\', "D:\\Models\\engine.rev.mvn", "engine.rev",
     "MVN"},
    {"plain geometry file", kBoth, '\\', "D:\\Models\\part.geom", "part", "GEOM"},
    {"mixed-case extension is upper-cased", kBoth, '\\', "D:\\Models\\rotor.Mvn", "rotor", "MVN"},
    {"trailing dot gives an empty extension", kBoth, '\\', "D:\\Models\\rotor.", "rotor", ""},
    {"no dot at all: base name only", kBoth, '\\', "D:\\Models\\rotor", "rotor", ""},
    {"no dot and no folder", kBoth, '\\', "rotor", "rotor", ""},
    {"dot only in a folder name: base name only", kBoth, '\\', "D:\\Models.v2\\rotor", "rotor", ""},
    {"dot in a folder name and in the file", kBoth, '\\', "D:\\Models.v2\\rotor.mvn", "rotor",
     "MVN"},
    {"no folder", kBoth, '\\', "engine.mvn", "engine", "MVN"},
    {"file part is only an extension", kBoth, '\\', "D:\\Models\\.geom", "", "GEOM"},
    {"path ends with a separator", kBoth, '\\', "D:\\Models.v2\\", "", ""},
    {"forward slash is no separator on the backslash flavour", kBoth, '\\', "D:/Models/part.geom",
     "D:/Models/part", "GEOM"},
    {"Linux flavour", kBoth, '/', "/data/Turbine.Blade.Geom", "Turbine.Blade", "GEOM"},
    {"backslash is no separator on the Linux flavour", kBoth, '/', "/data/a\\b.mvn", "a\\b", "MVN"},
    {"Linux flavour, dot only in a folder", kBoth, '/', "/data.d/scene", "scene", ""},
    {"1252 accented letters are upper-cased", 1252, '\\', "C:\\x.m\xe9sh\xff\xe0\xf7", "x",
     "M\xc9SH\x9f\xc0\xf7"},
    {"932 trail byte 0x5C in the file name is no separator", 932, '\\', "D:\\Models\\\x95\x5C.mvn",
     "\x95\x5C", "MVN"},
    {"932 trail byte 0x5C in a folder name", 932, '\\', "D:\\\x95\x5C.dir\\rotor.mvn", "rotor",
     "MVN"},
    {"932 trail byte 0x5C ending a dotted folder, no extension", 932, '\\', "D:\\x.\x95\x5C\\rotor",
     "rotor", ""},
    {"932 trail byte 0x5C ending a file without extension", 932, '\\', "D:\\dir.v\\rotor\x95\x5C",
     "rotor\x95\x5C", ""},
    {"932 double-byte characters keep their trail bytes", 932, '\\', "D:\\x.\x82\x61q\xe0", "x",
     "\x82\x61Q\xe0"},
    {"932 full-width letters of the extension are upper-cased", 932, '\\',
     "D:\\x.\x82\x8D\x83\xC0\x84\x76\x84\x80", "x", "\x82\x6C\x83\xA0\x84\x46\x84\x4F"},
    {"1252 treats the same bytes as single characters", 1252, '\\', "D:\\Models\\\x95\x5C.mvn", "",
     "MVN"},
};

// Test names must stay plain text: the paths hold backslashes and double-byte characters.
void PrintTo(const NameCase& c, std::ostream* os) {
  *os << (c.codePage == kBoth ? "both code pages" : "code page " + std::to_string(c.codePage))
      << (c.separator == '/' ? ", slash" : ", backslash");
}

class SceneNamesTest : public ::testing::TestWithParam<NameCase> {
 protected:
  void TearDown() override { platform::control::SetCodePage(1252); }
};

TEST_P(SceneNamesTest, DerivesNameAndExtension) {
  const NameCase& c = GetParam();
  const int ran = RunUnderCodePages(c.codePage, [&] {
    char name[kScenePathSize];
    char ext[kScenePathSize];
    ASSERT_TRUE(DeriveSceneNames(c.path, c.separator, name, sizeof name, ext, sizeof ext));
    EXPECT_EQ(std::string(c.name), name);
    EXPECT_EQ(std::string(c.ext), ext);
  });
  if (ran == 0) GTEST_SKIP() << testsupport::CodePageSkipReason(c.codePage);
}

INSTANTIATE_TEST_SUITE_P(Paths, SceneNamesTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                           std::string id = info.param.what;
                           for (char& c : id)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return id;
                         });

TEST(SceneNamesBuffers, TooSmallBufferFailsWithEmptyOutputs) {
  char name[6];
  char ext[4];
  EXPECT_TRUE(DeriveSceneNames("/d/rotor.mvn", '/', name, sizeof name, ext, sizeof ext));
  EXPECT_FALSE(DeriveSceneNames("/d/turbine.mvn", '/', name, sizeof name, ext, sizeof ext));
  EXPECT_STREQ("", name);
  EXPECT_STREQ("", ext);
  EXPECT_FALSE(DeriveSceneNames("/d/rotor.mvnx", '/', name, sizeof name, ext, sizeof ext));
  EXPECT_STREQ("", name);
  EXPECT_STREQ("", ext);
}

}  // namespace
