// The creation sequence driven as the viewer's undo command drives it: the dialog, the
// complete annotation, the redraw, and what the user sees when embedding fails.
#include <gtest/gtest.h>

#include "Authoring/SceneFileDialog.h"
#include "AuthoringHost.h"
#include "Platform.h"
#include "PlayerAnnotChecks.h"
#include "PlatformControl.h"

namespace authoringtest {
namespace {

using refhost::DevRect;

constexpr DevRect kRect = {100, 120, 340, 260};

bool SameRect(const DevRect& x, const DevRect& y) {
  return x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom;
}

void ExpectOneInvalidation(refhost::Handle view, const DevRect& rect) {
  ASSERT_EQ(1u, refhost::Invalidations().size());
  EXPECT_EQ(view, refhost::Invalidations()[0].view);
  EXPECT_TRUE(SameRect(rect, refhost::Invalidations()[0].rect));
}

class CreatePlayerAnnotTest : public AuthoringHost {};

TEST_F(CreatePlayerAnnotTest, BuildsTheCompleteAnnotationAndRedraws) {
  const std::string bytes = SceneBytes(3000);
  const refhost::PDAnnot annot = CreateWithScene(WriteScene("engine.rev.Mvn", bytes), kRect);

  ASSERT_FALSE(IsNull(annot));
  const std::vector<refhost::PDAnnot> onPage = refhost::PageAnnotations(page_);
  ASSERT_EQ(1u, onPage.size());
  EXPECT_TRUE(refhost::SameAnnot(annot, onPage[0]));
  const refhost::FixedRect expected = refhost::DeviceRectToPage(view_, kRect);
  const refhost::FixedRect rect = refhost::AnnotationRect(annot);
  EXPECT_EQ(expected.left, rect.left);
  EXPECT_EQ(expected.top, rect.top);
  EXPECT_EQ(expected.right, rect.right);
  EXPECT_EQ(expected.bottom, rect.bottom);
  ExpectPlayerAnnot(annot, {"engine.rev", "MVN", bytes}, true);

  ExpectOneInvalidation(view_, kRect);
  EXPECT_TRUE(refhost::Alerts().empty());
  EXPECT_TRUE(host_.uncaughtErrors().empty());
  ExpectNothingLeftOpen();
}

TEST_F(CreatePlayerAnnotTest, TwoAnnotationsShareNoObject) {
  const std::string path = WriteScene("part.geom", SceneBytes(64));
  const refhost::PDAnnot first = CreateWithScene(path, kRect);
  const refhost::PDAnnot second = CreateWithScene(path, {400, 300, 520, 380});
  ASSERT_FALSE(IsNull(first));
  ASSERT_FALSE(IsNull(second));
  ExpectPlayerAnnot(second, {"part", "GEOM", SceneBytes(64)}, true);

  const std::vector<refhost::CosObj> a = ReachableObjects(first);
  const std::vector<refhost::CosObj> b = ReachableObjects(second);
  EXPECT_GE(a.size(), 20u);  // annotation, scene and its dictionaries, form, resources, font
  ASSERT_EQ(a.size(), b.size());
  for (const refhost::CosObj& x : a)
    for (const refhost::CosObj& y : b) EXPECT_FALSE(refhost::SameObject(x, y));
}

TEST_F(CreatePlayerAnnotTest, EmptyRectangleDoesNothing) {
  platform::control::QueueDialogAnswer(WriteScene("part.geom", "x"));
  for (const DevRect& empty : {DevRect{100, 120, 340, 120}, DevRect{100, 120, 100, 260}}) {
    EXPECT_TRUE(IsNull(Create(empty)));
  }
  EXPECT_TRUE(platform::control::DialogCalls().empty());
  EXPECT_EQ(1u, platform::control::PendingDialogAnswers());
  EXPECT_TRUE(refhost::PageAnnotations(page_).empty());
  EXPECT_TRUE(refhost::Invalidations().empty());
  EXPECT_TRUE(refhost::Alerts().empty());
}

TEST_F(CreatePlayerAnnotTest, CancelledDialogCreatesAndRedrawsNothing) {
  platform::control::QueueDialogCancel();
  EXPECT_TRUE(IsNull(Create(kRect)));
  EXPECT_EQ(1u, platform::control::DialogCalls().size());
  EXPECT_TRUE(refhost::PageAnnotations(page_).empty());
  EXPECT_TRUE(refhost::Invalidations().empty());
  EXPECT_TRUE(refhost::Alerts().empty());
}

TEST_F(CreatePlayerAnnotTest, DialogShowsSceneFiltersFromThePlugInsResources) {
  platform::SetCurrentResourceHandle(nullptr);
  platform::control::QueueDialogCancel();
  Create(kRect);
  ASSERT_EQ(1u, platform::control::DialogCalls().size());
  const platform::control::DialogCall& call = platform::control::DialogCalls()[0];
  EXPECT_EQ("TRIVO Zorvex movo3D (*.mvn)|*.mvn|TRIVO Zorvex geometry (*.geom)|*.geom||",
            call.filter);
  EXPECT_EQ(platform::kOpenFileHideReadOnly, call.flags);
  EXPECT_EQ(ModuleInstance(), call.resourceHandle);
  EXPECT_EQ(ModuleInstance(), platform::CurrentResourceHandle());  // and stays so
}

TEST_F(CreatePlayerAnnotTest, UnopenableSceneLeavesAnnotationWithoutSceneAndShowsHostText) {
  const refhost::PDAnnot annot = CreateWithScene(ScenePath("missing.mvn"), kRect);

  ASSERT_FALSE(IsNull(annot));
  ASSERT_EQ(1u, refhost::PageAnnotations(page_).size());
  ExpectAnnotWithoutScene(annot);
  ASSERT_EQ(1u, refhost::Alerts().size());
  EXPECT_NE(0, host_.LastErrorCode());
  EXPECT_EQ(refhost::Host::ErrorText(host_.LastErrorCode()), refhost::Alerts()[0]);
  ExpectOneInvalidation(view_, kRect);
  EXPECT_TRUE(host_.uncaughtErrors().empty());
  ExpectNothingLeftOpen();
}

}  // namespace
}  // namespace authoringtest
