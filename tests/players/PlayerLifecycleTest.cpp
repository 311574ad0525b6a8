// Live players through the viewer: clicks open them, drawing places them, view changes
// hide them, closing the document destroys them, and the registry keeps them by page.
#include "PlayersHost.h"

#include <algorithm>
#include <filesystem>

#include "ModuleStatics.h"

namespace playerstest {
namespace {

using refhost::Handle;
using refhost::PDAnnot;

class PlayerLifecycle : public PlayersHost {
 protected:
  // Two players on page 3 and one on page 5 of a six-page document.
  void OpenPlayers() {
    doc_ = OpenDocument(6);
    page3_ = refhost::DocumentPage(doc_, 2);
    page5_ = refhost::DocumentPage(doc_, 4);
    a_ = AddPlayer(page3_, 72, 500, 272, 700, {"valve", "GEOM", SceneBytes(100)});
    b_ = AddPlayer(page3_, 300, 100, 540, 300, {"rotor", "MVN", SceneBytes(200)});
    c_ = AddPlayer(page5_, 100, 100, 400, 400, {"pump", "geom", SceneBytes(300)});
    view_ = refhost::NewPageView(doc_, 2, Geometry());
  }
  // Clicks both players of page 3, then shows page 5 and clicks its player.
  void ActivateAll() {
    Click(view_, 0);
    Click(view_, 1);
    refhost::SetViewPage(view_, 4);
    Click(view_, 0);
    windows_ = platform::control::LiveChildWindows(refhost::PageViewWindow(view_));
    ASSERT_EQ(3u, windows_.size());
  }
  bool Visible(void* window) {
    platform::control::WindowInfo info;
    return platform::control::LookUpWindow(window, &info) && info.alive && info.visible;
  }
  platform::WindowRect RectOf(void* window) {
    platform::control::WindowInfo info;
    platform::control::LookUpWindow(window, &info);
    return info.rect;
  }
  void ExpectOver(void* window, PDAnnot annot) {
    const platform::WindowRect expected = ExpectedWindowRect(view_, annot);
    const platform::WindowRect actual = RectOf(window);
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
  }

  Handle doc_ = nullptr, page3_ = nullptr, page5_ = nullptr, view_ = nullptr;
  PDAnnot a_{}, b_{}, c_{};
  std::vector<platform::control::WindowInfo> windows_;
};

TEST_F(PlayerLifecycle, ClickOpensAPlayerWindowOverTheAnnotationAndPlaysItsScene) {
  OpenPlayers();
  Click(view_, 0);
  const std::vector<platform::control::WindowInfo> windows = PlayerWindows(view_);
  ASSERT_EQ(1u, windows.size());
  const platform::control::WindowInfo& w = windows[0];
  EXPECT_EQ(0x52000000ul, w.style);
  EXPECT_EQ(0xFFFFu, w.id);
  EXPECT_EQ("", w.text);
  EXPECT_TRUE(w.visible);
  EXPECT_EQ(ModuleInstance(), w.instance);
  ExpectOver(w.handle, a_);
  const std::vector<std::string> calls = {"create 0", "file " + TempPath("valve.geom")};
  EXPECT_EQ(calls, CallsFor(w.handle));
  EXPECT_EQ(SceneBytes(100), TempFile("valve.geom"));
  const std::vector<PlayerCall> all = PlayerCalls();
  ASSERT_EQ(2u, all.size());
  EXPECT_TRUE(all[1].fileExists);
  EXPECT_EQ(100, all[1].fileSize);
  ExpectClean();
}

TEST_F(PlayerLifecycle, RegistryKeepsWindowsByPageAndFurtherClicksDoNothing) {
  OpenPlayers();
  // Like the viewer's, the handles of one document's annotations share their first word:
  // only both words tell a_ from b_, and each gets a player of its own below.
  ASSERT_EQ(a_.a, b_.a);
  ASSERT_NE(a_.b, b_.b);
  // A count other than 1 belongs to a double click: it opens nothing, even where no player
  // is live yet.
  Click(view_, 0, 2);
  Click(view_, 1, 3);
  EXPECT_TRUE(PlayerWindows(view_).empty());
  EXPECT_TRUE(PlayerCalls().empty());
  EXPECT_TRUE(TempFiles().empty());
  ActivateAll();
  const ZAruPDDoc* record = TheDocManager().GetDoc(static_cast<PDDoc>(doc_));
  ASSERT_NE(nullptr, record);
  EXPECT_EQ(2u, record->PageCount());
  EXPECT_EQ(2u, record->GetPage(static_cast<PDPage>(page3_))->PlayerCount());
  EXPECT_EQ(1u, record->GetPage(static_cast<PDPage>(page5_))->PlayerCount());

  const size_t calls = PlayerCalls().size();
  const std::vector<std::string> files = TempFiles();
  Click(view_, 0);     // live already
  Click(view_, 0, 2);  // the second click of a double click
  refhost::SetViewPage(view_, 2);
  Click(view_, 1, 2);
  EXPECT_EQ(3u, PlayerWindows(view_).size());
  EXPECT_EQ(calls, PlayerCalls().size());
  EXPECT_EQ(files, TempFiles());
  ExpectClean();
}

TEST_F(PlayerLifecycle, ViewChangesHideAllAndDrawingPlacesOnlyTheDrawnPage) {
  OpenPlayers();
  ActivateAll();
  refhost::ViewGeometry scrolled = refhost::GetViewGeometry(view_);
  scrolled.scrollY += 60;
  refhost::SetViewGeometry(view_, scrolled);  // shows page 5
  for (const auto& w : windows_) EXPECT_FALSE(Visible(w.handle));
  const size_t calls = PlayerCalls().size();

  refhost::DrawPageView(view_);
  EXPECT_FALSE(Visible(windows_[0].handle));
  EXPECT_FALSE(Visible(windows_[1].handle));
  EXPECT_TRUE(Visible(windows_[2].handle));
  ExpectOver(windows_[2].handle, c_);
  const std::vector<PlayerCall> after = PlayerCalls();
  ASSERT_EQ(calls + 1, after.size());
  EXPECT_EQ(kMvnMoveWindow, after.back().kind);

  refhost::SetViewPage(view_, 2);
  refhost::DrawPageView(view_);  // two annotations: each draw places both windows
  EXPECT_TRUE(Visible(windows_[0].handle));
  EXPECT_TRUE(Visible(windows_[1].handle));
  EXPECT_FALSE(Visible(windows_[2].handle));
  ExpectOver(windows_[0].handle, a_);
  ExpectOver(windows_[1].handle, b_);
  EXPECT_EQ(calls + 1 + 4, PlayerCalls().size());
  ExpectClean();
}

// Layouts in which one view shows pages 1 and 2 at once: each page's players open, are
// registered and are placed over their own annotations, and a page scrolled out of view
// keeps its players hidden until it is drawn again.
TEST_F(PlayerLifecycle, PlayersOnTwoVisiblePagesStayOverTheirOwnPage) {
  refhost::ViewGeometry small = Geometry();
  small.zoom = 0.5;
  const struct {
    const char* name;
    refhost::Layout layout;
  } cases[] = {{"continuous", {refhost::LayoutMode::kOneColumn, false}},
               {"facing", {refhost::LayoutMode::kTwoPage, false}},
               {"continuous facing", {refhost::LayoutMode::kTwoColumn, false}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    doc_ = OpenDocument(4);
    const Handle page1 = refhost::DocumentPage(doc_, 0), page2 = refhost::DocumentPage(doc_, 1);
    const PDAnnot one = AddPlayer(page1, 72, 500, 272, 700, {"valve", "GEOM"});
    const PDAnnot two = AddPlayer(page2, 300, 100, 540, 300, {"rotor", "MVN"});
    view_ = refhost::NewPageView(doc_, 0, small);
    refhost::SetViewLayout(view_, c.layout);
    const std::vector<int> shown = refhost::VisiblePages(view_);
    ASSERT_LE(2u, shown.size());
    ASSERT_EQ(0, shown[0]);
    ASSERT_EQ(1, shown[1]);
    EXPECT_EQ(0, refhost::ClickPageAnnotation(view_, 0, 0, 1));
    EXPECT_EQ(0, refhost::ClickPageAnnotation(view_, 1, 0, 1));
    windows_ = platform::control::LiveChildWindows(refhost::PageViewWindow(view_));
    ASSERT_EQ(2u, windows_.size());
    ExpectOver(windows_[0].handle, one);
    ExpectOver(windows_[1].handle, two);
    const ZAruPDDoc* record = TheDocManager().GetDoc(static_cast<PDDoc>(doc_));
    ASSERT_NE(nullptr, record);
    ASSERT_NE(nullptr, record->GetPage(static_cast<PDPage>(page2)));
    EXPECT_EQ(1u, record->GetPage(static_cast<PDPage>(page2))->PlayerCount());
    EXPECT_EQ(1u, record->GetPage(static_cast<PDPage>(page1))->PlayerCount());

    refhost::DrawPageView(view_);
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(Visible(windows_[i].handle));
    ExpectOver(windows_[0].handle, one);
    ExpectOver(windows_[1].handle, two);

    refhost::SetViewPage(view_, 3);  // pages 1 and 2 out of view
    refhost::DrawPageView(view_);
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(Visible(windows_[i].handle));
    refhost::SetViewPage(view_, 0);
    refhost::DrawPageView(view_);
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(Visible(windows_[i].handle));
    ExpectOver(windows_[0].handle, one);
    ExpectOver(windows_[1].handle, two);
    refhost::CloseDocument(doc_);
  }
  ExpectClean();
}

TEST_F(PlayerLifecycle, PlayerAreaGoesToTheLibraryWithEachPlacing) {
  doc_ = OpenDocument(1);
  refhost::ViewGeometry big = Geometry();
  big.zoom = 4.0;  // a 500 x 330 point annotation becomes 2000 x 1320 pixels
  view_ = refhost::NewPageView(doc_, 0, big);
  AddPlayer(refhost::DocumentPage(doc_, 0), 50, 400, 550, 730);
  Click(view_, 0);
  refhost::DrawPageView(view_);
  const void* window = PlayerWindows(view_)[0].handle;
  const std::vector<std::string> calls = CallsFor(const_cast<void*>(window));
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ("move 360,20,1640,1300", calls[2]);
}

TEST_F(PlayerLifecycle, OnePageInTwoViewsMovesItsWindowsByTheDrawnView) {
  OpenPlayers();
  Click(view_, 0);
  refhost::ViewGeometry other = Geometry();
  other.zoom = 2.0;
  other.scrollX = 0;
  const Handle second = refhost::NewPageView(doc_, 2, other);
  refhost::DrawPageView(second);
  const void* window = PlayerWindows(view_)[0].handle;
  const platform::WindowRect expected = ExpectedWindowRect(second, a_);
  EXPECT_EQ(expected.left, RectOf(const_cast<void*>(window)).left);
  EXPECT_EQ(expected.bottom, RectOf(const_cast<void*>(window)).bottom);
  EXPECT_EQ(1u, TheDocManager().GetDoc(static_cast<PDDoc>(doc_))->PageCount());
  ExpectClean();
}

// The viewer closes a document as the real one does: its view hears first, the page-view
// windows go with their children, and the plug-in hears PDDocDidClose last. Each player is
// told once, while its window is still there, and nothing calls a window that is gone.
TEST_F(PlayerLifecycle, ClosingDestroysEachWindowOnceInLibraryOrder) {
  OpenPlayers();
  ActivateAll();
  refhost::DrawPageView(view_);
  const size_t notificationsBefore = refhost::NotificationsSent().size();
  refhost::CloseDocument(doc_);
  std::vector<std::string> sent;
  long long willClose = 0, didClose = 0;
  for (size_t i = notificationsBefore; i < refhost::NotificationsSent().size(); ++i) {
    const refhost::NotificationSent& n = refhost::NotificationsSent()[i];
    sent.push_back(n.name);
    if (n.name == "AVDocWillClose") willClose = n.sequence;
    if (n.name == "PDDocDidClose") didClose = n.sequence;
  }
  EXPECT_EQ(sent, (std::vector<std::string>{"AVDocWillClose", "PDDocWillClose", "PDDocDidClose"}));
  for (const auto& w : windows_) {
    platform::control::WindowInfo info;
    ASSERT_TRUE(platform::control::LookUpWindow(w.handle, &info));
    EXPECT_FALSE(info.alive);
    const std::vector<std::string> calls = CallsFor(w.handle);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ("create 0", calls.front());
    EXPECT_EQ(0u, calls[1].find("file "));
    EXPECT_EQ("delete", calls.back());
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "delete"));
    long long deleted = 0, destroyed = 0;
    for (const PlayerCall& call : PlayerCalls())
      if (call.window == w.handle && call.kind == kMvnDeleteGUI) deleted = call.sequence;
    for (const platform::control::WindowEvent& event : platform::control::WindowJournal())
      if (event.handle == w.handle && event.op == platform::control::WindowOp::Destroy)
        destroyed = event.sequence;
    EXPECT_LT(willClose, deleted);
    EXPECT_LT(deleted, destroyed) << "the player is told while its window is there";
    EXPECT_LT(destroyed, didClose);
  }
  EXPECT_EQ(0, platform::control::CallsOnGoneWindows());
  EXPECT_EQ(0u, TheDocManager().DocCount());
  EXPECT_TRUE(platform::control::AssertionReports().empty());
  ExpectClean();
}

// A page view the viewer closes while its document stays open takes the player windows in
// it along: their players are told then, drawing leaves them be, and a click plays anew.
TEST_F(PlayerLifecycle, PageViewClosedUnderItsPlayersLetsThemGoAndAClickPlaysAgain) {
  OpenPlayers();
  ActivateAll();
  const Handle other = refhost::NewPageView(doc_, 2, Geometry());
  refhost::ClosePageView(view_);
  auto deletes = [](void* window) {
    const std::vector<std::string> calls = CallsFor(window);
    return std::count(calls.begin(), calls.end(), "delete");
  };
  for (const auto& w : windows_) {
    EXPECT_EQ(1, deletes(w.handle));
    EXPECT_EQ("delete", CallsFor(w.handle).back());
  }
  const size_t calls = PlayerCalls().size();
  refhost::DrawPageView(other);
  EXPECT_EQ(calls, PlayerCalls().size());
  Click(other, 0);
  ASSERT_EQ(1u, PlayerWindows(other).size());
  void* const replay = PlayerWindows(other)[0].handle;
  EXPECT_EQ(calls + 2, PlayerCalls().size());
  refhost::DrawPageView(other);
  const platform::WindowRect expected = ExpectedWindowRect(other, a_);
  const platform::WindowRect actual = RectOf(replay);
  EXPECT_EQ(std::make_pair(expected.left, expected.top), std::make_pair(actual.left, actual.top));
  refhost::CloseDocument(doc_);
  EXPECT_EQ(1, deletes(replay));
  for (const auto& w : windows_) EXPECT_EQ(1, deletes(w.handle));
  EXPECT_EQ(0, platform::control::CallsOnGoneWindows());
  EXPECT_TRUE(platform::control::AssertionReports().empty());
  ExpectClean();
}

TEST_F(PlayerLifecycle, DocumentWithoutWindowsClosesWithoutLibraryCalls) {
  OpenPlayers();
  refhost::DrawPageView(view_);
  refhost::CloseDocument(doc_);
  EXPECT_TRUE(PlayerCalls().empty());
  EXPECT_EQ(0u, TheDocManager().DocCount());
  ExpectClean();
}

TEST_F(PlayerLifecycle, ReopenedDocumentPlaysAgainAndRewritesTheFile) {
  if (!refhost::PdfFilesSupported()) GTEST_SKIP() << "no PDF files on this platform";
  OpenPlayers();
  const std::string pdf = TempPath("players.pdf");
  refhost::SavePdfFile(doc_, pdf);
  refhost::CloseDocument(doc_);
  for (int round = 0; round < 2; ++round) {
    const Handle doc = refhost::OpenPdfFile(pdf);
    const Handle view = refhost::NewPageView(doc, 2, Geometry());
    std::filesystem::remove(TempPath("valve.geom"));
    Click(view, 0);
    EXPECT_EQ(SceneBytes(100), TempFile("valve.geom")) << "round " << round;
    EXPECT_EQ(1u, PlayerWindows(view).size());
    refhost::CloseDocument(doc);
  }
  EXPECT_EQ(0, mvnJournalViolations());
  const std::vector<PlayerCall> calls = PlayerCalls();
  EXPECT_EQ(4, std::count_if(calls.begin(), calls.end(), [](const PlayerCall& c) {
              return c.kind == kMvnCreateGUI || c.kind == kMvnDeleteGUI;
            }));
}

TEST_F(PlayerLifecycle, BrokenRegistryInvariantsAreReportedAndChangeNothing) {
  OpenPlayers();
  // A document opened twice and one the registry never heard of: drive the registry's
  // notification handlers directly, as a confused viewer would.
  platform::control::ClearAssertionReports();
  EXPECT_TRUE(
      host_->CallPlugin("OnDocOpened", [&] { OnDocOpened(static_cast<PDDoc>(doc_), 0, nullptr); }));
  PDDoc stranger = reinterpret_cast<PDDoc>(static_cast<uintptr_t>(0x7777));
  EXPECT_TRUE(host_->CallPlugin("OnDocClosing", [&] { OnDocClosing(stranger, nullptr); }));
  const std::vector<platform::control::AssertionReport>& reports =
      platform::control::AssertionReports();
  ASSERT_EQ(3u, reports.size());
  const int lines[] = {19, 46, 32};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ("false", reports[i].expression);
    EXPECT_EQ("ZorUDAveRuvuzaz", reports[i].source);
    EXPECT_EQ(lines[i], reports[i].line);
  }
  EXPECT_EQ(1u, TheDocManager().DocCount());
}

TEST_F(PlayerLifecycle, ClickInADocumentTheRegistryDoesNotKnowIsReported) {
  OpenPlayers();
  EXPECT_TRUE(
      host_->CallPlugin("OnDocClosing", [&] { OnDocClosing(static_cast<PDDoc>(doc_), nullptr); }));
  platform::control::ClearAssertionReports();
  Click(view_, 0);
  const std::vector<platform::control::AssertionReport>& reports =
      platform::control::AssertionReports();
  ASSERT_EQ(2u, reports.size());
  EXPECT_EQ(46, reports[0].line);
  EXPECT_EQ("pDoc", reports[1].expression);
  EXPECT_EQ("mirvaneAnnotHandler", reports[1].source);
  EXPECT_EQ(569, reports[1].line);
  EXPECT_TRUE(PlayerWindows(view_).empty());
  EXPECT_TRUE(TempFiles().empty());
  ExpectClean();
}

TEST_F(PlayerLifecycle, PageViewWithoutAWindowOpensNothingAndWritesNothing) {
  OpenPlayers();
  const Handle bare = refhost::NewPageViewWithoutWindow(doc_, 2, Geometry());
  Click(bare, 0);
  EXPECT_TRUE(PlayerCalls().empty());
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(refhost::Alerts().empty());
  ExpectClean();
}

}  // namespace
}  // namespace playerstest
