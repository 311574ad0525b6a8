// Every host call the plug-in makes on each road (start-up, draw, click, selection,
// key-down, undo, redo, About, close), made to raise in turn: whatever raises, the plug-in
// leaks nothing (host allocator, streams, files, path names, machine ports, menus; the
// sanitizer build sees its heap), leaves no window without its player told, no unfinished
// file, and the viewer goes on: the next click plays and closing cleans up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Documents.h"
#include "Files.h"
#include "Host.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlayerJournal.h"
#include "PluginLoader.h"
#include "TestData.h"
#include "TestPaths.h"
#include "Viewer.h"
#include "ViewerProfile.h"
#include "PlatformControl.h"

namespace {

namespace fs = std::filesystem;
using namespace refhost;

struct CallPoint {
  Table table;
  int slot;
  int nth;
};

// One viewer with the real module loaded and started, a document of one page with three
// player annotations: 0 live, 1 and 2 not yet played.
class World {
 public:
  World(const std::string& temp, const std::string& scene) {
    platform::control::Reset();
    platform::control::SetTempFolder(temp);
    mvnJournalClear();
    Profile profile = testsupport::TestProfile();
    profile.debugWindow = true;
    host_.reset(new Host(profile));
    std::string error;
    loaded_ = module_.Open(testsupport::PluginPath(), &error);
    EXPECT_TRUE(loaded_) << error;
    scene_ = scene;
  }
  ~World() {
    module_.Close();
    host_.reset();
  }
  bool Start() {
    startup_ = RunStartup(*host_, module_);
    return startup_.ok();
  }
  // In the single-page layout one page; in the others the players are on page 2, shown
  // below page 1, the current page, so that every conversion of the roads sets the view's
  // logical page and sets it back.
  void OpenDocument() {
    const bool onePage = host_->profile().pageLayout == kPDLayoutSinglePage;
    doc_ = NewDocument(onePage ? 1 : 2, PageRect(0, 0, 612, 792));
    pageIndex_ = onePage ? 0 : 1;
    page_ = DocumentPage(doc_, pageIndex_);
    for (int i = 0; i < 3; ++i)
      annots_.push_back(AddPlayer(72 + 160 * i, 400, 200 + 160 * i, 600, i));
    ViewGeometry geometry;
    if (!onePage) geometry.zoom = 0.5;
    view_ = NewPageView(doc_, 0, geometry);
  }
  int page() const { return pageIndex_; }
  PDAnnot AddPlayer(double left, double bottom, double right, double top, int n) {
    const PDAnnot annot = AddAnnotation(page_, "KXTRIVOPlayer", PageRect(left, bottom, right, top));
    const CosObj dict = NewDict(doc_);
    DictSet(dict, "Filename", NewName(doc_, "scene" + std::to_string(n)));
    DictSet(dict, "Subtype", NewName(doc_, "MVN"));
    DictSet(AnnotationDict(annot), "KXTRIVOPlayerF",
            NewStream(doc_, testsupport::SceneBytes(5000), dict));
    return annot;
  }
  // The third player: no road plays it, so it is there for the click after the road.
  PDAnnot Spare() const { return annots_[2]; }
  Host& host() { return *host_; }
  Handle doc() const { return doc_; }
  Handle view() const { return view_; }
  const std::string& scene() const { return scene_; }
  std::map<std::pair<int, int>, int> Counts() const {
    std::map<std::pair<int, int>, int> counts;
    for (int t = 0; t < 7; ++t)
      for (int s = 1; s <= slot::kTables[t].slotCount; ++s)
        if (int n = host_->CallCount(static_cast<Table>(t), s)) counts[{t, s}] = n;
    return counts;
  }

 private:
  std::unique_ptr<Host> host_;
  PluginModule module_;
  bool loaded_ = false;
  StartupReport startup_;
  Handle doc_ = nullptr, page_ = nullptr, view_ = nullptr;
  int pageIndex_ = 0;
  std::vector<PDAnnot> annots_;
  std::string scene_;
};

// Viewer actions may find the page changed by a failed road; they are the viewer's own
// doing and may refuse.
void Try(const std::function<void()>& action) {
  try {
    action();
  } catch (const HostError&) {
  }
}

struct Road {
  const char* name;
  std::function<void(World&)> prepare;  // runs without faults
  std::function<void(World&)> run;      // the road whose calls are swept
};

const Road kRoads[] = {
    {"draw", [](World& w) { ClickPageAnnotation(w.view(), w.page(), 0, 1); },
     [](World& w) { DrawPageView(w.view()); }},
    {"click", [](World&) {},
     [](World& w) { Try([&] { ClickPageAnnotation(w.view(), w.page(), 1, 1); }); }},
    {"selection", [](World& w) { ClickPageAnnotation(w.view(), w.page(), 0, 1); },
     [](World& w) {
       Try([&] { SelectPageAnnotation(w.view(), w.page(), 0); });
       Try([&] { DeselectPageAnnotation(w.view(), w.page(), 0); });
     }},
    {"keydown", [](World& w) { ClickPageAnnotation(w.view(), w.page(), 0, 1); },
     [](World& w) { Try([&] { PressKeyOnPage(w.view(), w.page(), 0, kKeyDelete); }); }},
    {"undo",
     [](World& w) {
       ClickPageAnnotation(w.view(), w.page(), 0, 1);
       PressKeyOnPage(w.view(), w.page(), 0, kKeyDelete);
       platform::control::QueueDialogAnswer(w.scene());
     },
     [](World& w) { Undo(w.doc()); }},
    {"redo",
     [](World& w) {
       PressKeyOnPage(w.view(), w.page(), 0, kKeyDelete);
       platform::control::QueueDialogAnswer(w.scene());
       Undo(w.doc());
       ClickPageAnnotation(w.view(), w.page(), 2,
                           1);  // the re-created annotation, last on the page
     },
     [](World& w) { Redo(w.doc()); }},
    {"about", [](World&) {}, [](World&) { RunMenuItem("LitAboutTRIVOPlayerReader"); }},
    {"close", [](World& w) { ClickPageAnnotation(w.view(), w.page(), 0, 1); },
     [](World& w) { CloseDocument(w.doc()); }},
};

void PrintTo(const Road& road, std::ostream* os) {
  *os << road.name;
}

class FaultSweep : public ::testing::TestWithParam<Road> {
 protected:
  void SetUp() override {
    folder_ = testsupport::FreshTestFolder("mirvane-faults-");
    temp_ = folder_ + "/temp";
    // The file dialog's name box takes the system's own separator.
    scene_ = (fs::path(folder_) / "chosen.mvn").string();
    std::ofstream(scene_, std::ios::binary) << testsupport::SceneBytes(3000);
  }
  void TearDown() override { testsupport::RemoveTestFolder(folder_); }

  // A fresh viewer at the start of the road: started, document open, road prepared.
  std::unique_ptr<World> Prepared(const Road& road) {
    fs::remove_all(temp_);
    fs::create_directories(temp_);
    std::unique_ptr<World> world(new World(temp_, scene_));
    EXPECT_TRUE(world->Start());
    world->OpenDocument();
    road.prepare(*world);
    EXPECT_TRUE(world->host().uncaughtErrors().empty()) << "preparing " << road.name;
    return world;
  }

  // What must hold after any road, faulty or not, and that the viewer goes on.
  void ExpectSoundAfter(World& world, const std::string& what) {
    SCOPED_TRACE(what);
    Host& host = world.host();
    // A host error inside a procedure never leaves a view's logical page changed.
    EXPECT_TRUE(host.brokenRules().empty()) << host.brokenRules().front();
    host.ClearFaults();
    EXPECT_EQ(0u, host.FrameDepth());
    EXPECT_EQ(0u, LiveStreams());
    EXPECT_EQ(0u, OpenFiles());
    EXPECT_EQ(0u, LivePathNames());
    EXPECT_EQ(0u, LiveMachinePorts());
    EXPECT_EQ(0u, AcquiredMenus());
    EXPECT_EQ(0, mvnJournalViolations());
    for (const auto& entry : fs::directory_iterator(temp_))
      EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp"))
          << "unfinished file " << entry.path();

    if (IsDocumentOpen(world.doc())) {
      // The viewer goes on: a player not yet played plays.
      const std::vector<PDAnnot> annots = PageAnnotations(DocumentPage(world.doc(), world.page()));
      int spare = -1;
      for (size_t i = 0; i < annots.size(); ++i)
        if (SameAnnot(annots[i], world.Spare())) spare = static_cast<int>(i);
      const size_t calls = static_cast<size_t>(mvnJournalCount());
      Try([&] { ClickPageAnnotation(world.view(), world.page(), spare, 1); });
      Try([&] { DrawPageView(world.view()); });
      EXPECT_LT(calls, static_cast<size_t>(mvnJournalCount())) << "the next click played nothing";
      CloseDocument(world.doc());
    }
    EXPECT_EQ(0u, host.LiveAllocations());
    EXPECT_EQ(0, mvnJournalViolations());
    // Every player window was told before it went: no window was left without its player.
    std::set<void*> told;
    MvnJournalEntry entry;
    for (int i = 0; mvnJournalGet(i, &entry); ++i)
      if (entry.kind == kMvnDeleteGUI) told.insert(entry.window);
    for (const platform::control::WindowInfo& window : platform::control::AllWindows()) {
      if (window.id != 0xFFFF) continue;  // the host's own windows (frame, page views)
      EXPECT_FALSE(window.alive);
      EXPECT_EQ(1u, told.count(window.handle)) << "window without its player told";
    }
  }

  static bool IsDocumentOpen(Handle doc) {
    for (Handle open : OpenDocuments())
      if (open == doc) return true;
    return false;
  }

  std::string folder_, temp_, scene_;
};

TEST_P(FaultSweep, EveryCallOfTheRoadMayRaise) {
  const Road& road = GetParam();
  std::vector<CallPoint> points;
  {
    std::unique_ptr<World> clean = Prepared(road);
    const auto before = clean->Counts();
    road.run(*clean);
    const auto after = clean->Counts();
    EXPECT_TRUE(clean->host().uncaughtErrors().empty());
    EXPECT_TRUE(clean->host().brokenRules().empty());
    // Where the players' page is not the current one, the roads that convert set it.
    const bool converts = std::string(road.name) != "about" && std::string(road.name) != "close";
    if (clean->page() != 0 && converts) {
      const std::pair<int, int> setPageNum{static_cast<int>(Table::AcroView),
                                           slot::AcroView::AVPageViewSetPageNum};
      const int was = before.count(setPageNum) ? before.at(setPageNum) : 0;
      EXPECT_LT(was, after.count(setPageNum) ? after.at(setPageNum) : 0);
    }
    for (const auto& count : after) {
      const auto was = before.find(count.first);
      const int made = count.second - (was == before.end() ? 0 : was->second);
      for (int n = 1; n <= made; ++n)
        points.push_back({static_cast<Table>(count.first.first), count.first.second, n});
    }
    ExpectSoundAfter(*clean, "without a fault");
  }
  for (const CallPoint& point : points) {
    const std::string what = std::string(TableName(point.table)) + " slot " +
                             std::to_string(point.slot) + ", call " + std::to_string(point.nth);
    std::unique_ptr<World> world = Prepared(road);
    world->host().InjectFault(point.table, point.slot, point.nth, kErrFileWrite);
    road.run(*world);
    ExpectSoundAfter(*world, what);
    if (HasFatalFailure() || ::testing::Test::HasFailure()) {
      ADD_FAILURE() << "road " << road.name << " with a fault at " << what;
      return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, FaultSweep, ::testing::ValuesIn(kRoads),
                         [](const ::testing::TestParamInfo<Road>& info) {
                           return std::string(info.param.name);
                         });

// Start-up: a fault anywhere leaves the host working, and a fresh load starts and plays.
TEST(FaultSweepStartUp, EveryStartUpCallMayRaise) {
  const std::string folder = testsupport::FreshTestFolder("mirvane-faults-");
  const std::string temp = folder + "/temp";
  fs::create_directories(temp);
  std::map<std::pair<int, int>, int> counts;
  {
    World clean(temp, "");
    ASSERT_TRUE(clean.Start());
    counts = clean.Counts();
  }
  size_t swept = 0;
  for (const auto& count : counts) {
    for (int n = 1; n <= count.second; ++n, ++swept) {
      SCOPED_TRACE(std::string(TableName(static_cast<Table>(count.first.first))) + " slot " +
                   std::to_string(count.first.second) + ", call " + std::to_string(n));
      {
        World world(temp, "");
        world.host().InjectFault(static_cast<Table>(count.first.first), count.first.second, n,
                                 kErrGeneral);
        world.Start();
        EXPECT_EQ(0u, world.host().FrameDepth());
        EXPECT_EQ(0u, world.host().LiveAllocations());
        EXPECT_EQ(0u, AcquiredMenus());
      }
      World again(temp, "");
      ASSERT_TRUE(again.Start());
      again.OpenDocument();
      ClickPageAnnotation(again.view(), again.page(), 0, 1);
      EXPECT_EQ(2, mvnJournalCount());
      CloseDocument(again.doc());
    }
  }
  EXPECT_GT(swept, 20u);
  fs::remove_all(folder);
}

}  // namespace
