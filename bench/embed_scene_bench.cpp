// The creation sequence (CreatePlayerAnnot: the scene file dialog, then EmbedSceneFile
// copying the chosen file into a new stream object) for scenes of growing size, and how
// much of its own heap the plug-in uses meanwhile: it should stay flat, since the scene
// goes from the host's file stream straight into the stream object.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "Authoring/AnnotKeys.h"
#include "Authoring/PlayerAnnotCreation.h"
#include "BenchSupport.h"
#include "Documents.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlugInHeap.h"
#include "PlatformControl.h"

namespace {

void BM_EmbedSceneFile(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  bench::PlugInHost plugIn;
  refhost::Host& host = plugIn.host();
  host.CallPlugin("keys", [] { InitAnnotKeys(); });
  const std::string scene = plugIn.Path("scene.mvn");
  bench::WriteFile(scene, bench::SceneData(size));

  benchheap::Figures most;
  for (auto _ : state) {
    state.PauseTiming();
    platform::control::Reset();  // the simulation records every dialog; keep that out
    platform::control::SetTempFolder(plugIn.folder());
    const refhost::Handle doc = refhost::NewDocument(1, refhost::PageRect(0, 0, 612, 792));
    const refhost::Handle view = refhost::NewPageView(doc, 0);
    platform::control::QueueDialogAnswer(scene);
    benchheap::Start();
    state.ResumeTiming();

    host.CallPlugin("create", [&] {
      benchheap::EnterPlugIn();
      benchmark::DoNotOptimize(
          CreatePlayerAnnot(reinterpret_cast<AVPageView>(view), AVDevRect{50, 50, 350, 250}));
      benchheap::LeavePlugIn();
    });

    state.PauseTiming();
    const benchheap::Figures figures = benchheap::Stop();
    benchheap::ResetPlugIn();
    most.plugInPeakBytes = std::max(most.plugInPeakBytes, figures.plugInPeakBytes);
    most.plugInAllocations = std::max(most.plugInAllocations, figures.plugInAllocations);
    const bool created = refhost::PageAnnotations(refhost::DocumentPage(doc, 0)).size() == 1;
    refhost::CloseDocument(doc);
    state.ResumeTiming();
    if (!created) {
      state.SkipWithError(("not created: " + plugIn.Problem()).c_str());
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  state.counters["plugin_heap_bytes"] = static_cast<double>(most.plugInPeakBytes);
  state.counters["plugin_allocs"] = static_cast<double>(most.plugInAllocations);
  if (!plugIn.Problem().empty()) state.SkipWithError(plugIn.Problem().c_str());
}

BENCHMARK(BM_EmbedSceneFile)
    ->ArgName("MiB")
    ->Arg(1)
    ->Iterations(100)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmbedSceneFile)
    ->ArgName("MiB")
    ->Arg(64)
    ->Iterations(12)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmbedSceneFile)
    ->ArgName("MiB")
    ->Arg(512)
    ->Iterations(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
