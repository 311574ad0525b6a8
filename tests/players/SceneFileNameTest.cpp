// The temporary file name made from a scene stream's Filename and Subtype: hostile names
// become plain, safe file names; safe names stay as they are.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "AnnotHandler/SceneFileName.h"
#include "TestData.h"

namespace {

using testsupport::SelectCodePage;

struct NameCase {
  const char* what;
  int codePage;
  const char* base;
  const char* ext;
  const char* fileName;
};

const NameCase kCases[] = {
    {"plain name, extension lower-cased", 1252, "valve", "GEOM", "valve.geom"},
    {"inner dots and blanks are kept", 1252, "engine rev.2", "Mvn", "engine rev.2.mvn"},
    {"empty extension leaves no dot", 1252, "valve", "", "valve"},
    {"1252 accents are kept", 1252, "r\xe9sum\xe9", "G\xc9O", "r\xe9sum\xe9.g\xe9o"},
    {"932 name with trail byte 0x5C is unchanged", 932, "\x95\x5C\x8E\xA6", "MVN",
     "\x95\x5C\x8E\xA6.mvn"},
    {"932 trail byte 0x7C is kept", 932, "\x83\x7C", "geom", "\x83\x7C.geom"},
    {"932 stray lead byte at the end is replaced", 932, "ab\x95", "mvn", "ab_.mvn"},
    {"932 lead byte before a slash is no character", 932, "\x95/x", "mvn", "__x.mvn"},
    {"parent folders", 1252, "../../etc/passwd", "mvn", ".._.._etc_passwd.mvn"},
    {"backslash path", 1252, "..\\..\\Windows\\win", "ini", ".._.._Windows_win.ini"},
    {"absolute Unix path", 1252, "/tmp/evil", "mvn", "_tmp_evil.mvn"},
    {"drive prefix", 1252, "C:\\x", "mvn", "C__x.mvn"},
    {"separator in the extension", 1252, "valve", "geom/../../x", "valve.geom_.._.._x"},
    {"dots only become the fallback", 1252, "..", "", "scene"},
    {"single dot with extension", 1252, ".", "GEOM", "scene.geom"},
    {"empty name", 1252, "", "MVN", "scene.mvn"},
    {"trailing dots and blanks go", 1252, "valve. . ", "GEOM. ", "valve.geom"},
    {"control characters", 1252, "a\x01\tb\x7F", "m\nvn", "a__b_.m_vn"},
    {"characters Windows forbids", 1252, "a<b>c:d\"e|f?g*h", "mvn", "a_b_c_d_e_f_g_h.mvn"},
    {"reserved device name", 1252, "CON", "mvn", "_CON.mvn"},
    {"reserved name in lower case without extension", 1252, "nul", "", "_nul"},
    {"reserved name with a dotted base", 1252, "aux.old", "geom", "_aux.old.geom"},
    {"reserved COM and LPT ports", 1252, "com1", "mvn", "_com1.mvn"},
    {"reserved with trailing blank", 1252, "LPT9 ", "mvn", "_LPT9.mvn"},
    {"reserved with a superscript digit", 1252, "LPT\xB2", "", "_LPT\xB2"},
    {"932: the same byte is another character", 932, "LPT\xB2", "", "LPT\xB2"},
    {"not reserved: longer names", 1252, "CONSOLE", "mvn", "CONSOLE.mvn"},
    {"not reserved: COM without digit", 1252, "COMX", "mvn", "COMX.mvn"},
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << c.what;
}

class SceneFileNameTest : public ::testing::TestWithParam<NameCase> {
 protected:
  void TearDown() override { SelectCodePage(1252); }
};

TEST_P(SceneFileNameTest, MakesASafePlainName) {
  const NameCase& c = GetParam();
  SelectCodePage(c.codePage);
  char fileName[kMaxSceneBaseName + kMaxSceneExtension + 8];
  ASSERT_TRUE(MakeSceneFileName(c.base, c.ext, fileName, sizeof fileName));
  EXPECT_EQ(std::string(c.fileName), fileName);
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
  SelectCodePage(932);
  std::string base = "a";
  for (int i = 0; i < 100; ++i) base += "\x95\x5C";
  char fileName[kMaxSceneBaseName + kMaxSceneExtension + 8];
  ASSERT_TRUE(MakeSceneFileName(base.c_str(), "mvn", fileName, sizeof fileName));
  const std::string made = fileName;
  EXPECT_EQ(base.substr(0, kMaxSceneBaseName - 1) + ".mvn", made);  // 'a' + 59 characters
  SelectCodePage(1252);
}

}  // namespace
