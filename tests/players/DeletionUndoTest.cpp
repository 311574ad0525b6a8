// Deleting a player annotation with the keyboard, and the viewer's Undo and Redo of it:
// one undo record per deletion, re-creation with a newly chosen scene, redo deleting the
// re-created annotation again, and no player window left over a deleted annotation.
#include "PlayersHost.h"

#include <fstream>

#include "Authoring/PlayerUndo.h"
#include "HostInterface/HostInterface.h"

namespace playerstest {
namespace {

using refhost::Handle;
using refhost::PDAnnot;

constexpr char kUndoTitle[] = "Undo Mirvane annotation deletion";
constexpr char kRedoTitle[] = "Redo Mirvane annotation deletion";

class Deletion : public PlayersHost {
 protected:
  void SetUp() override {
    PlayersHost::SetUp();
    doc_ = OpenDocument(1);
    page_ = refhost::DocumentPage(doc_, 0);
    view_ = refhost::NewPageView(doc_, 0, Geometry());
    other_ = AddPlayer(page_, 320, 500, 500, 700, {"other", "MVN"});
    player_ = AddPlayer(page_, 100, 100, 300, 300, {"valve", "GEOM", SceneBytes(500)});
    box_ = refhost::AnnotationViewBox(view_, 1);
    scene_ = TempPath("new.mvn");
    std::ofstream(scene_, std::ios::binary) << SceneBytes(777);
  }
  size_t Players() { return refhost::PageAnnotations(page_).size() - 1; }  // besides `other`
  PDAnnot Recreated() { return refhost::PageAnnotations(page_).back(); }

  Handle doc_ = nullptr, page_ = nullptr, view_ = nullptr;
  PDAnnot other_{}, player_{};
  refhost::DevRect box_{};
  std::string scene_;
};

TEST_F(Deletion, KeyThatDoesNotDeleteAllocatesNothingAndLeavesTheAnnotation) {
  const size_t allocations = host_->LiveAllocations();
  for (refhost::ASInt32 key :
       {refhost::ASInt32{'A'}, refhost::ASInt32{' '}, refhost::ASInt32{0x2E}}) {
    EXPECT_FALSE(refhost::PressKey(view_, 1, key));
    EXPECT_FALSE(refhost::PressKey(view_, 1, refhost::kKeyDelete, 1));  // with a modifier
  }
  EXPECT_EQ(allocations, host_->LiveAllocations());
  EXPECT_EQ(0u, refhost::UndoCount(doc_));
  EXPECT_EQ(1u, Players());
  ExpectClean();
}

TEST_F(Deletion, DeletingKeyLeavesExactlyOneUndoRecordAndTheViewerDeletes) {
  for (refhost::ASInt32 key : {refhost::kKeyDelete, refhost::kKeyBackspace}) {
    SCOPED_TRACE(key);
    const size_t records = refhost::UndoCount(doc_);
    const size_t allocations = host_->LiveAllocations();
    AddPlayer(page_, 100, 100, 300, 300);
    EXPECT_TRUE(refhost::PressKey(view_, 1, key));
    EXPECT_EQ(records + 1, refhost::UndoCount(doc_));
    EXPECT_EQ(allocations + 1, host_->LiveAllocations());  // the record, the viewer's now
    EXPECT_EQ(kUndoTitle, refhost::UndoTitle(doc_));
    EXPECT_TRUE(refhost::CanUndo(doc_));
  }
  EXPECT_EQ(1u, Players());  // two added, two deleted
  ExpectClean();
}

TEST_F(Deletion, LivePlayerOfADeletedAnnotationIsDestroyedWithTheLibraryToldFirst) {
  Click(view_, 1);
  const platform::control::WindowInfo window = PlayerWindows(view_).at(0);
  ASSERT_TRUE(refhost::PressKey(view_, 1, refhost::kKeyDelete));
  EXPECT_TRUE(PlayerWindows(view_).empty());
  const std::vector<std::string> calls = CallsFor(window.handle);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ("delete", calls.back());
  long long deleted = 0, destroyed = 0;
  for (const PlayerCall& call : PlayerCalls())
    if (call.kind == kMvnDeleteGUI) deleted = call.sequence;
  for (const platform::control::WindowEvent& event : platform::control::WindowJournal())
    if (event.op == platform::control::WindowOp::Destroy) destroyed = event.sequence;
  EXPECT_LT(deleted, destroyed);
  ExpectClean();
}

TEST_F(Deletion, WindowOverAnAnnotationTakenAwayElsewhereGoesAtTheNextDraw) {
  Click(view_, 0);
  Click(view_, 1);
  ASSERT_EQ(2u, PlayerWindows(view_).size());
  refhost::RemoveAnnotation(page_, player_);  // not through the handler
  const int rects = host_->CallCount(refhost::Table::PDModel, 17);
  refhost::DrawPageView(view_);
  ASSERT_EQ(1u, PlayerWindows(view_).size());
  EXPECT_EQ(ExpectedWindowRect(view_, other_).left, PlayerWindows(view_)[0].rect.left);
  // Only the remaining player's rectangle is asked for: once by the draw, once by placing.
  EXPECT_EQ(rects + 1, host_->CallCount(refhost::Table::PDModel, 17));
  refhost::DrawPageView(view_);
  EXPECT_EQ(rects + 2, host_->CallCount(refhost::Table::PDModel, 17));
  ExpectClean();
}

TEST_F(Deletion, UndoRecreatesAtTheRecordedPlaceWithTheNewlyChosenScene) {
  ASSERT_TRUE(refhost::PressKey(view_, 1, refhost::kKeyDelete));
  platform::control::QueueDialogAnswer(scene_);
  ASSERT_TRUE(refhost::Undo(doc_));
  ASSERT_EQ(1u, Players());
  const PDAnnot created = Recreated();
  const refhost::DevRect rect = refhost::PageRectToDevice(view_, refhost::AnnotationRect(created));
  EXPECT_NEAR(box_.left, rect.left, 1);
  EXPECT_NEAR(box_.top, rect.top, 1);
  EXPECT_NEAR(box_.right, rect.right, 1);
  EXPECT_NEAR(box_.bottom, rect.bottom, 1);
  const refhost::CosObj scene =
      refhost::DictValue(refhost::AnnotationDict(created), "KXTRIVOPlayerF");
  EXPECT_EQ(SceneBytes(777), refhost::StreamData(scene));
  EXPECT_EQ(0u, refhost::UndoCount(doc_));
  EXPECT_TRUE(refhost::CanRedo(doc_));
  EXPECT_EQ(kRedoTitle, refhost::RedoTitle(doc_));
  ExpectClean();
}

// The view may turn to another page, zoom or scroll between the deletion and its undo; the
// annotation comes back on its own page at its own rectangle all the same, and redo takes
// that one away again.
TEST_F(Deletion, UndoRecreatesOnTheDeletedAnnotationsPageWhateverTheViewShowsNow) {
  refhost::ViewGeometry zoomedIn = Geometry(), scrolled = Geometry(), tiny = Geometry(),
                        small = Geometry();
  zoomedIn.zoom = 3;
  scrolled.scrollX = 150;
  scrolled.scrollY = 400;
  tiny.zoom = 0.001;  // the view box shrinks to nothing
  small.zoom = 0.5;   // pages 1 and 2 both in view in the continuous layouts
  const refhost::Layout single, continuous{refhost::LayoutMode::kOneColumn, false},
      facing{refhost::LayoutMode::kTwoPage, false};
  const struct {
    const char* change;
    refhost::ViewGeometry atDeletion, atUndo;
    int page;       // current at the undo
    int annotPage;  // the deleted annotation's page; page 1 is current at the deletion
    refhost::Layout layout;
  } cases[] = {
      {"zoomed in", Geometry(), zoomedIn, 0, 0, single},
      {"scrolled", Geometry(), scrolled, 0, 0, single},
      {"deleted at a zoom that shrinks it to nothing", tiny, Geometry(), 0, 0, single},
      {"another page", Geometry(), Geometry(), 1, 0, single},
      {"deleted on page 2, which is not current, in the continuous layout", small, small, 0, 1,
       continuous},
      {"deleted on page 2, shown beside page 1, undone on page 1", small, small, 0, 1, facing},
      {"deleted on page 2, undone with page 2 scrolled out of view", small, Geometry(), 0, 1,
       continuous}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    const Handle doc = OpenDocument(3);
    const Handle page = refhost::DocumentPage(doc, c.annotPage);
    const Handle other = refhost::DocumentPage(doc, 1 - c.annotPage);
    const Handle view = refhost::NewPageView(doc, 0, c.atDeletion);
    refhost::SetViewLayout(view, c.layout);
    const PDAnnot player = AddPlayer(page, 100, 100, 300, 300, {"valve", "GEOM"});
    AddPlayer(other, 350, 100, 500, 300, {"rotor", "MVN"});
    const refhost::FixedRect before = refhost::AnnotationRect(player);
    ASSERT_TRUE(refhost::PressKeyOnPage(view, c.annotPage, 0, refhost::kKeyDelete));
    refhost::SetViewGeometry(view, c.atUndo);
    refhost::SetViewPage(view, c.page);
    platform::control::QueueDialogAnswer(scene_);
    ASSERT_TRUE(refhost::Undo(doc));
    ASSERT_EQ(1u, refhost::PageAnnotations(page).size());
    // The other page keeps its own annotation, and only it.
    ASSERT_EQ(1u, refhost::PageAnnotations(other).size());
    EXPECT_TRUE(refhost::PageAnnotations(refhost::DocumentPage(doc, 2)).empty());
    const refhost::FixedRect after = refhost::AnnotationRect(refhost::PageAnnotations(page)[0]);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.bottom, after.bottom);
    EXPECT_EQ(before.right, after.right);
    EXPECT_EQ(before.top, after.top);
    ASSERT_TRUE(refhost::Redo(doc));
    EXPECT_TRUE(refhost::PageAnnotations(page).empty());
    EXPECT_EQ(1u, refhost::PageAnnotations(other).size());
    refhost::CloseDocument(doc);
  }
  ExpectClean();
}

TEST_F(Deletion, UndoAndRedoAlternateAndRedoTakesTheLivePlayerAlong) {
  ASSERT_TRUE(refhost::PressKey(view_, 1, refhost::kKeyDelete));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    platform::control::QueueDialogAnswer(scene_);
    ASSERT_TRUE(refhost::Undo(doc_));
    ASSERT_EQ(1u, Players());
    Click(view_, 1);  // the re-created annotation plays
    ASSERT_EQ(1u, PlayerWindows(view_).size());
    ASSERT_TRUE(refhost::Redo(doc_));
    EXPECT_EQ(0u, Players());
    EXPECT_TRUE(PlayerWindows(view_).empty());
    EXPECT_EQ(1u, refhost::UndoCount(doc_));
    EXPECT_EQ(kUndoTitle, refhost::UndoTitle(doc_));
  }
  EXPECT_EQ(refhost::PageAnnotations(page_).at(0).a, other_.a);  // the other one stays
  ExpectClean();
}

TEST_F(Deletion, CancelledUndoCreatesNothingAndRedoThenHasNothingToDelete) {
  ASSERT_TRUE(refhost::PressKey(view_, 1, refhost::kKeyDelete));
  platform::control::QueueDialogCancel();
  EXPECT_TRUE(refhost::Undo(doc_));  // counts as done
  EXPECT_EQ(0u, Players());
  EXPECT_TRUE(refhost::Redo(doc_));  // offered, and changes nothing
  EXPECT_EQ(0u, Players());
  EXPECT_EQ(1u, refhost::PageAnnotations(page_).size());
  const size_t dialogs = platform::control::DialogCalls().size();
  platform::control::QueueDialogAnswer(scene_);
  EXPECT_TRUE(refhost::Undo(doc_));  // asks again
  EXPECT_EQ(dialogs + 1, platform::control::DialogCalls().size());
  EXPECT_EQ(1u, Players());
  ExpectClean();
}

TEST_F(Deletion, RecordOfAnInvalidAnnotationCanNeitherBeUndoneNorRedone) {
  // A record whose annotation handle the viewer no longer accepts, handed over as the
  // key-down procedure does.
  ASSERT_TRUE(host_->CallPlugin("record", [&] {
    PlayerUndoRecord* record = static_cast<PlayerUndoRecord*>(ASmalloc(sizeof(PlayerUndoRecord)));
    *record = {{0xDEAD, 0xBEEF}, UndoKindDeletion,           static_cast<AVPageView>(view_),
               {0, 0, 1, 1},     static_cast<PDPage>(page_), {0, 0, 1, 1}};
    AVUndoNew(AVPageViewGetAVDoc(static_cast<AVPageView>(view_)), &PlayerUndoHandler(), record);
  }));
  EXPECT_FALSE(refhost::CanUndo(doc_));
  EXPECT_FALSE(refhost::Undo(doc_));
  EXPECT_TRUE(platform::control::DialogCalls().empty());
  EXPECT_EQ(kUndoTitle, refhost::UndoTitle(doc_));
}

TEST_F(Deletion, ClosingTheDocumentReleasesItsRecords) {
  const size_t allocations = host_->LiveAllocations();
  ASSERT_TRUE(refhost::PressKey(view_, 1, refhost::kKeyDelete));
  ASSERT_TRUE(refhost::PressKey(view_, 0, refhost::kKeyDelete));
  platform::control::QueueDialogCancel();
  refhost::Undo(doc_);
  refhost::CloseDocument(doc_);
  EXPECT_EQ(allocations, host_->LiveAllocations());
  EXPECT_EQ(2u, refhost::ReleasedUndoRecords());
}

}  // namespace
}  // namespace playerstest
