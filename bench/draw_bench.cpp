// Drawing a page whose player annotations all have live windows: the viewer draws every
// annotation of the page (refhost::DrawPageView), and each player's draw places the live
// windows of its page; apart, the draw of one player alone. Reported per live window,
// with what the plug-in allocates per draw, how many windows it places per draw and how
// often it asks the host for an annotation's index (PDPageGetAnnotIndex) per draw.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Documents.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlayerJournal.h"
#include "PlugInHeap.h"
#include "Viewer.h"
#include "PlatformControl.h"

namespace {

// A page with `windows` players in a grid of 40 columns and 25 rows of cells, each clicked
// once so that it has its live window, shown in a page view.
class LivePage {
 public:
  explicit LivePage(int windows) : windows_(windows) {
    doc_ = refhost::NewDocument(1, refhost::PageRect(0, 0, 612, 792));
    page_ = refhost::DocumentPage(doc_, 0);
    view_ = refhost::NewPageView(doc_, 0);
    for (int i = 0; i < windows; ++i) {
      const double left = (i % 40) * 15.3 + 1, bottom = (i / 40 % 25) * 31.68 + 1;
      bench::AddPlayer(page_, left, bottom, left + 13, bottom + 29, "scene", false);
    }
    for (int i = 0; i < windows; ++i) refhost::ClickAnnotation(view_, i, 1);
    live_ = platform::control::LiveChildWindows(refhost::PageViewWindow(view_));
    scene_ = plugIn_.Path("valve.geom");
  }
  ~LivePage() { refhost::CloseDocument(doc_); }

  bool Ready() const { return static_cast<int>(live_.size()) == windows_; }
  bench::PlugInHost& plugIn() { return plugIn_; }
  refhost::Handle page() const { return page_; }
  refhost::Handle view() const { return view_; }
  int PlayerCalls() const { return mvnJournalCount(); }
  int AnnotIndexCalls() {
    return plugIn_.host().CallCount(refhost::Table::PDModel,
                                    refhost::slot::PDModel::PDPageGetAnnotIndex);
  }
  // Keeps the stand-ins' journals (the player library's takes about 1.2 KB a call) from
  // growing without end before `calls` more player calls: past a limit they are cleared,
  // and the live players are told their windows and files again so their calls stay in
  // order.
  void MakeRoom(int calls) {
    if (mvnJournalCount() + calls <= kJournalLimit) return;
    mvnJournalClear();
    for (const platform::control::WindowInfo& window : live_) {
      mvnCreateGUI(window.handle, 0);
      mvnSetFileName(window.handle, &scene_[0]);
    }
    platform::control::ClearWindowJournal();
  }

 private:
  static constexpr int kJournalLimit = 200000;
  bench::PlugInHost plugIn_;
  int windows_;
  refhost::Handle doc_ = nullptr, page_ = nullptr, view_ = nullptr;
  std::vector<platform::control::WindowInfo> live_;
  std::string scene_;
};

// Measures `draw` (one draw of the page, or of one player), `windows` live windows.
template <typename Draw>
void MeasureDraws(benchmark::State& state, LivePage& page, int windows, int placementsPerDraw,
                  Draw draw) {
  double allocations = 0, placements = 0, indexCalls = 0;
  for (auto _ : state) {
    state.PauseTiming();
    page.MakeRoom(placementsPerDraw);
    const int calls = page.PlayerCalls();
    const int asked = page.AnnotIndexCalls();
    benchheap::Start();
    state.ResumeTiming();

    draw();

    state.PauseTiming();
    allocations += static_cast<double>(benchheap::Stop().plugInAllocations);
    benchheap::ResetPlugIn();
    placements += page.PlayerCalls() - calls;
    indexCalls += page.AnnotIndexCalls() - asked;
    state.ResumeTiming();
  }
  const double draws = static_cast<double>(state.iterations());
  state.counters["time_per_window"] = benchmark::Counter(
      windows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["plugin_allocs_per_draw"] = allocations / draws;
  state.counters["placements_per_draw"] = placements / draws;
  state.counters["annot_index_calls_per_draw"] = indexCalls / draws;
  if (!page.plugIn().Problem().empty()) state.SkipWithError(page.plugIn().Problem().c_str());
}

// The viewer draws the page: every player's draw.
void BM_DrawPageView(benchmark::State& state) {
  const int windows = static_cast<int>(state.range(0));
  LivePage page(windows);
  if (!page.Ready()) {
    state.SkipWithError(("players did not open: " + page.plugIn().Problem()).c_str());
    return;
  }
  refhost::DrawPageView(page.view());  // the first draw, apart
  MeasureDraws(state, page, windows, windows * windows,
               [&] { refhost::DrawPageView(page.view()); });
}

// The viewer draws one player annotation (as when its selection changes): its draw.
void BM_DrawOnePlayer(benchmark::State& state) {
  const int windows = static_cast<int>(state.range(0));
  LivePage page(windows);
  const refhost::AnnotHandlerRec* handler = refhost::AnnotHandlerFor("KXTRIVOPlayer");
  if (!page.Ready() || handler == nullptr) {
    state.SkipWithError(("players did not open: " + page.plugIn().Problem()).c_str());
    return;
  }
  const auto draw =
      reinterpret_cast<refhost::DrawProc>(refhost::HandlerProc(handler, refhost::kDraw));
  const refhost::PDAnnot first = refhost::PageAnnotations(page.page())[0];
  refhost::Host& host = page.plugIn().host();
  MeasureDraws(state, page, windows, windows, [&] {
    host.CallPlugin("annotation handler Draw", [&] { draw(handler, first, page.view()); });
  });
}

BENCHMARK(BM_DrawPageView)->ArgName("windows")->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawPageView)
    ->ArgName("windows")
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawOnePlayer)
    ->ArgName("windows")
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
