// The temporary file name made from a scene stream's Filename and Subtype: hostile names
// become plain, safe file names; safe names stay as they are.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "AnnotHandler/SceneFileName.h"
#include "TestData.h"

namespace {

using testsupport::kBothCodePages;
using testsupport::RunUnderCodePages;

constexpr int kBoth = kBothCodePages;

struct NameCase {
  const char* what;
  int codePage;  // 1252, 932 or kBoth
  const char* base;
  const char* ext;
  const char* fileName;
};

const NameCase kCases[] = {
    {"plain name, extension lower-cased", kBoth, "valve", "GEOM", "valve.geom"},
    {"inner dots and blanks are kept", kBoth, "engine rev.2", "Mvn", "engine rev.2.mvn"},
    {"empty extension leaves no dot", kBoth, "valve", "", "valve"},
    {"1252 accents are kept", 1252, "r\xe9sum\xe9", "G\xc9O", "r\xe9sum\xe9.g\xe9o"},
    {"932 name with trail byte 0x5C is unchanged", 932, "\x95\x5C\x8E\xA6", "MVN",
     "\x95\x5C\x8E\xA6.mvn"},
    {"932 full-width letters of the extension are lower-cased", 932, "x",
     "\x82\x6C\x83\xA0\x84\x46\x84\x60", "x.\x82\x8D\x83\xC0\x84\x76\x84\x91"},
    {"932 trail byte 0x7C is kept", 932, "\x83\x7C", "geom", "\x83\x7C.geom"},
    {"932 stray lead byte at the end is replaced", 932, "ab\x95", "mvn", "ab_.mvn"},
    {"932 lead byte before a slash is no character", 932, "\x95/x", "mvn", "__x.mvn"},
    {"parent folders", kBoth, "../../etc/passwd", "mvn", ".._.._etc_passwd.mvn"},
    {"backslash path", kBoth, "..\\..\\Windows\\win", "ini", ".._.._Windows_win.ini"},
    {"absolute Unix path", kBoth, "/tmp/evil", "mvn", "_tmp_evil.mvn"},
    {"drive prefix", kBoth, "C:\\x", "mvn", "C__x.mvn"},
    {"separator in the extension", kBoth, "valve", "geom/../../x", "valve.geom_.._.._x"},
    {"dots only become the fallback", kBoth, "..", "", "scene"},
    {"single dot with extension", kBoth, ".", "GEOM", "scene.geom"},
    {"empty name", kBoth, "", "MVN", "scene.mvn"},
    {"trailing dots and blanks go", kBoth, "valve. . ", "GEOM. ", "valve.geom"},
    {"control characters", kBoth, "a\x01\tb\x7F", "m\nvn", "a__b_.m_vn"},
    {"characters Windows forbids", kBoth, "a<b>c:d\"e|f?g*h", "mvn", "a_b_c_d_e_f_g_h.mvn"},
    {"reserved device name", kBoth, "CON", "mvn", "_CON.mvn"},
    {"reserved name in lower case without extension", kBoth, "nul", "", "_nul"},
    {"reserved name with a dotted base", kBoth, "aux.old", "geom", "_aux.old.geom"},
    {"reserved COM and LPT ports", kBoth, "com1", "mvn", "_com1.mvn"},
    {"reserved with trailing blank", kBoth, "LPT9 ", "mvn", "_LPT9.mvn"},
    {"reserved with a superscript digit", 1252, "LPT\xB2", "", "_LPT\xB2"},
    {"932: the same byte is another character", 932, "LPT\xB2", "", "LPT\xB2"},
    {"reserved with a superscript three", 1252, "COM\xB3", "mvn", "_COM\xB3.mvn"},
    {"not reserved: a stem of eight bytes", kBoth, "LPT1COM1", "mvn", "LPT1COM1.mvn"},
    {"not reserved: longer names", kBoth, "CONSOLE", "mvn", "CONSOLE.mvn"},
    {"not reserved: COM without digit", kBoth, "COMX", "mvn", "COMX.mvn"},
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << c.what;
}

class SceneFileNameTest : public ::testing::TestWithParam<NameCase> {
 protected:
  void TearDown() override { platform::control::SetCodePage(1252); }
};

TEST_P(SceneFileNameTest, MakesASafePlainName) {
  const NameCase& c = GetParam();
  const int ran = RunUnderCodePages(c.codePage, [&] {
    char fileName[kMaxSceneBaseName + kMaxSceneExtension + 8];
    ASSERT_TRUE(MakeSceneFileName(c.base, c.ext, fileName, sizeof fileName));
    EXPECT_EQ(std::string(c.fileName), fileName);
  });
  if (ran == 0) GTEST_SKIP() << testsupport::CodePageSkipReason(c.codePage);
}

INSTANTIATE_TEST_SUITE_P(Names, SceneFileNameTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<NameCase>& info) {
                           std::string id = info.param.what;
                           for (char& c : id)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return id;
                         });

TEST(SceneFileNameLimits, LongNamesAreCutKeepingTheExtension) {
  const std::string base(5000, 'b');
  const std::string ext(300, 'E');
  char fileName[kMaxSceneBaseName + kMaxSceneExtension + 8];
  ASSERT_TRUE(MakeSceneFileName(base.c_str(), "GEOM", fileName, sizeof fileName));
  EXPECT_EQ(std::string(kMaxSceneBaseName, 'b') + ".geom", fileName);
  ASSERT_TRUE(MakeSceneFileName("v", ext.c_str(), fileName, sizeof fileName));
  EXPECT_EQ("v." + std::string(kMaxSceneExtension, 'e'), fileName);
  EXPECT_FALSE(MakeSceneFileName("valve", "geom", fileName, 10));
}

TEST(SceneFileNameLimits, CutNeverSplitsADoubleByteCharacter) {
  if (!platform::control::SetCodePage(932)) GTEST_SKIP() << testsupport::CodePageSkipReason(932);
  std::string base = "a";
  for (int i = 0; i < 100; ++i) base += "\x95\x5C";
  char fileName[kMaxSceneBaseName + kMaxSceneExtension + 8];
  ASSERT_TRUE(MakeSceneFileName(base.c_str(), "mvn", fileName, sizeof fileName));
  const std::string made = fileName;
  EXPECT_EQ(base.substr(0, kMaxSceneBaseName - 1) + ".mvn", made);  // 'a' + 59 characters
  platform::control::SetCodePage(1252);
}

}  // namespace
