// The embedded scene: sizes from empty to tens of MiB, the writer on an annotation that
// came from elsewhere, and files it must refuse.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "Authoring/SceneFormat.h"
#include "AuthoringHost.h"
#include "HostSlots.h"
#include "PlayerAnnotChecks.h"
#include "PlatformControl.h"

namespace authoringtest {
namespace {

constexpr refhost::DevRect kRect = {60, 80, 260, 200};

class SceneSizeTest : public AuthoringHost, public ::testing::WithParamInterface<size_t> {};

TEST_P(SceneSizeTest, SceneIsEmbeddedWhole) {
  const std::string bytes = SceneBytes(GetParam());
  const refhost::PDAnnot annot = CreateWithScene(WriteScene("blade.geom", bytes), kRect);
  ASSERT_FALSE(IsNull(annot));
  ExpectPlayerAnnot(annot, {"blade", "GEOM", bytes}, true);
  EXPECT_TRUE(refhost::Alerts().empty());
  ExpectNothingLeftOpen();
}

INSTANTIATE_TEST_SUITE_P(Sizes, SceneSizeTest, ::testing::Values(0u, 1u, 4096u, 10000u, 24u << 20));

class EmbedSceneFileTest : public AuthoringHost {
 protected:
  // Runs the writer alone, without a frame of its own, as the creation sequence does.
  bool Embed(refhost::PDAnnot annot, const std::string& path, bool* result) {
    return host_.CallPlugin("EmbedSceneFile", [&] {
      *result =
          EmbedSceneFile(PDAnnot{annot.a, annot.b}, static_cast<AVPageView>(view_), path.c_str());
    });
  }
  refhost::PDAnnot ForeignAnnot() {
    return refhost::AddAnnotation(page_, "KXTRIVOPlayer", refhost::PageRect(72, 500, 300, 700));
  }
};

TEST_F(EmbedSceneFileTest, WritesVersionAndSceneIntoAnyAnnotation) {
  const refhost::PDAnnot annot = ForeignAnnot();
  const std::string bytes = SceneBytes(777);
  bool result = false;
  ASSERT_TRUE(Embed(annot, WriteScene("Turbine.Blade.Geom", bytes), &result));
  EXPECT_TRUE(result);
  const refhost::CosObj dict = refhost::AnnotationDict(annot);
  EXPECT_EQ("1.0", refhost::NameText(refhost::DictValue(dict, "Version")));
  const refhost::CosObj scene = refhost::DictValue(dict, "KXTRIVOPlayerF");
  ASSERT_EQ(refhost::kCosStream, refhost::ObjType(scene));
  const refhost::CosObj sceneDict = refhost::StreamDictOf(scene);
  EXPECT_EQ("Turbine.Blade", refhost::NameText(refhost::DictValue(sceneDict, "Filename")));
  EXPECT_EQ("GEOM", refhost::NameText(refhost::DictValue(sceneDict, "Subtype")));
  EXPECT_TRUE(bytes == refhost::StreamData(scene));
  EXPECT_FALSE(refhost::DictHas(dict, "AP"));
  EXPECT_FALSE(refhost::DictHas(dict, "F"));
  ExpectNothingLeftOpen();
}

TEST_F(EmbedSceneFileTest, FailureGoesToTheCallerWithEverythingReleased) {
  const refhost::PDAnnot annot = ForeignAnnot();
  bool result = false;
  EXPECT_FALSE(Embed(annot, ScenePath("missing.mvn"), &result));
  ASSERT_EQ(1u, host_.uncaughtErrors().size());
  const refhost::CosObj dict = refhost::AnnotationDict(annot);
  EXPECT_TRUE(refhost::DictHas(dict, "Version"));
  EXPECT_FALSE(refhost::DictHas(dict, "KXTRIVOPlayerF"));
  ExpectNothingLeftOpen();
}

TEST_F(EmbedSceneFileTest, PathLongerThanTheWritersCopyIsRefused) {
  const refhost::PDAnnot annot = ForeignAnnot();
  const std::string path = folder_ + "/" + std::string(kScenePathSize, 'x') + ".mvn";
  bool result = false;
  EXPECT_FALSE(Embed(annot, path, &result));
  ASSERT_EQ(1u, host_.uncaughtErrors().size());
  EXPECT_EQ(refhost::kErrFileOpen, host_.uncaughtErrors()[0].code);
  ExpectNothingLeftOpen();
}

// A file length query that answers what a 32-bit length of a file of 2 GiB or more turns
// into.
refhost::ASInt32 REFHOST_CALL WrappedLength(void*) {
  return INT32_MIN;
}

class HugeSceneTest : public AuthoringHost {
 protected:
  // The alert shows the host's text of the error that ended the embedding.
  void ExpectRefused(const refhost::PDAnnot& annot) {
    ASSERT_FALSE(IsNull(annot));
    ExpectAnnotWithoutScene(annot);
    ASSERT_EQ(1u, refhost::Alerts().size());
    EXPECT_NE(0, host_.LastErrorCode());
    EXPECT_EQ(refhost::Host::ErrorText(host_.LastErrorCode()), refhost::Alerts()[0]);
    EXPECT_TRUE(host_.uncaughtErrors().empty());
    ExpectNothingLeftOpen();
  }
};

TEST_F(HugeSceneTest, NegativeLengthIsRefusedAsTooBig) {
  host_.SetEntry(refhost::Table::AcroSupport, refhost::slot::AcroSupport::ASFileGetEOF,
                 reinterpret_cast<void*>(&WrappedLength));
  const refhost::PDAnnot annot = CreateWithScene(WriteScene("big.mvn", "abc"), kRect);
  ExpectRefused(annot);
  EXPECT_EQ(refhost::kErrFileTooBig, host_.LastErrorCode());
}

#if !defined(_WIN32)
// Sparse files: real sizes without the disk space.
TEST_F(HugeSceneTest, FilesOf2GiBAndMoreAreRefused) {
  for (uintmax_t size : {uintmax_t{1} << 31, (uintmax_t{1} << 32) + 16}) {
    SCOPED_TRACE(size);
    refhost::ClearRecords();
    const std::string path = WriteScene("huge.mvn", "");
    std::filesystem::resize_file(path, size);
    ExpectRefused(CreateWithScene(path, kRect));
  }
}
#endif

}  // namespace
}  // namespace authoringtest
