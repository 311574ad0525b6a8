// Activation of a player annotation with a large embedded scene, stored plain or
// FlateDecode-compressed: the click as the viewer delivers it, through the writing of the
// decoded scene to the temporary folder, until the player has its window and file. Each
// iteration also makes a plain copy of the same decoded bytes from one file to another in
// the same folder (64 KiB buffer, read(2)/write(2)); copy_ratio is the click's throughput
// over the copy's. For a compressed scene the iteration also inflates the stored bytes
// from memory into a file the plain way (zlib, 64 KiB buffer); inflate_copy_ratio is the
// click's throughput over that. Every iteration starts with a new document and closes it at the
// end, so the plug-in's registry is empty between iterations.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "Documents.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlayerJournal.h"
#include "PlugInHeap.h"
#include "StreamFilters.h"
#include "Viewer.h"
#include "PlatformControl.h"

namespace {

constexpr size_t kCopyBufferSize = 64 * 1024;

void BM_Activation(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  const bool flate = state.range(1) != 0;
  bench::PlugInHost plugIn;
  const std::string source = plugIn.Path("decoded.bin");
  const std::string copy = plugIn.Path("copy.bin");
  const std::string scene = plugIn.Path("valve.geom");
  std::string stored = bench::SceneData(size);
  bench::WriteFile(source, stored);
  if (flate) stored = refhost::FlateEncode(stored);
  state.counters["stored_ratio"] = static_cast<double>(stored.size()) / static_cast<double>(size);

  double clickSeconds = 0, copySeconds = 0, inflateSeconds = 0;
  benchheap::Figures most;
  for (auto _ : state) {
    state.PauseTiming();
    bench::SyncFileSystem(plugIn.folder());
    copySeconds += bench::CopyFile(source, copy, kCopyBufferSize);
    std::remove(copy.c_str());
    if (flate) {
      bench::SyncFileSystem(plugIn.folder());
      inflateSeconds += bench::InflateToFile(stored, copy, kCopyBufferSize);
      std::remove(copy.c_str());
    }
    std::remove(scene.c_str());
    const refhost::Handle doc = refhost::NewDocument(1, refhost::PageRect(0, 0, 612, 792));
    const refhost::Handle view = refhost::NewPageView(doc, 0);
    bench::AddPlayer(refhost::DocumentPage(doc, 0), 100, 100, 300, 300, stored, flate);
    bench::SyncFileSystem(plugIn.folder());
    benchheap::Start();
    const auto start = std::chrono::steady_clock::now();
    state.ResumeTiming();

    refhost::ClickAnnotation(view, 0, 1);

    state.PauseTiming();
    clickSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const benchheap::Figures figures = benchheap::Stop();
    benchheap::ResetPlugIn();
    most.plugInPeakBytes = std::max(most.plugInPeakBytes, figures.plugInPeakBytes);
    most.plugInAllocations = std::max(most.plugInAllocations, figures.plugInAllocations);
    most.hostPeakBytes = std::max(most.hostPeakBytes, figures.hostPeakBytes);
    const bool played =
        platform::control::LiveChildWindows(refhost::PageViewWindow(view)).size() == 1 &&
        bench::FileSize(scene) == static_cast<long long>(size);
    refhost::CloseDocument(doc);
    mvnJournalClear();
    state.ResumeTiming();
    if (!played) {
      state.SkipWithError(("not played: " + plugIn.Problem()).c_str());
      break;
    }
  }
  const double bytes = static_cast<double>(state.iterations()) * static_cast<double>(size);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["copy_bytes_per_second"] = copySeconds > 0 ? bytes / copySeconds : 0;
  state.counters["copy_ratio"] = clickSeconds > 0 ? copySeconds / clickSeconds : 0;
  if (flate) {
    state.counters["inflate_copy_bytes_per_second"] =
        inflateSeconds > 0 ? bytes / inflateSeconds : 0;
    state.counters["inflate_copy_ratio"] = clickSeconds > 0 ? inflateSeconds / clickSeconds : 0;
  }
  state.counters["plugin_heap_bytes"] = static_cast<double>(most.plugInPeakBytes);
  state.counters["plugin_allocs"] = static_cast<double>(most.plugInAllocations);
  state.counters["host_heap_bytes"] = static_cast<double>(most.hostPeakBytes);
  if (!plugIn.Problem().empty()) state.SkipWithError(plugIn.Problem().c_str());
}

BENCHMARK(BM_Activation)
    ->ArgNames({"MiB", "flate"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Iterations(100)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Activation)
    ->ArgNames({"MiB", "flate"})
    ->Args({64, 0})
    ->Args({64, 1})
    ->Iterations(12)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Activation)
    ->ArgNames({"MiB", "flate"})
    ->Args({512, 0})
    ->Args({512, 1})
    ->Iterations(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
