// How long the creation sequence takes for scenes of growing size, and how much of its own
// heap the plug-in uses meanwhile (it should stay flat: the scene goes from the host's read
// stream straight into the stream object).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <unistd.h>

#include "Authoring/AnnotKeys.h"
#include "Authoring/PlayerAnnotCreation.h"
#include "Documents.h"
#include "Host.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlugInEntry.h"
#include "PluginLoader.h"
#include "sim/SimPlatform.h"

namespace {
bool gCounting = false;
size_t gPlugInBytes = 0;
}  // namespace

// Counts what the plug-in allocates itself: allocations made while no host operation runs.
void* operator new(size_t size) {
  if (gCounting && refhost::Host::operationDepth == 0) gPlugInBytes += size;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, size_t) noexcept {
  std::free(block);
}

namespace {

std::string WriteScene(size_t size) {
  char path[] = "/tmp/mirvane-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) std::abort();
  std::string chunk(1 << 16, '\0');
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131 + 7);
  for (size_t written = 0; written < size;) {
    const size_t n = std::min(chunk.size(), size - written);
    if (write(fd, chunk.data(), n) != static_cast<ssize_t>(n)) std::abort();
    written += n;
  }
  close(fd);
  return path;
}

void BM_CreatePlayerAnnot(benchmark::State& state) {
  const size_t sceneSize = static_cast<size_t>(state.range(0));
  const std::string scene = WriteScene(sceneSize);
  refhost::Host host;
  if (!refhost::RunStartup(host, &PlugInMain, nullptr).ok()) std::abort();
  host.CallPlugin("keys", [] { InitAnnotKeys(); });

  size_t plugInBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const refhost::Handle doc = refhost::NewDocument(1, refhost::PageRect(0, 0, 612, 792));
    const refhost::Handle view = refhost::NewPageView(doc, 0);
    platform::sim::Reset();  // the simulation records every dialog; keep that out
    platform::sim::QueueDialogAnswer(scene);
    gPlugInBytes = 0;
    state.ResumeTiming();

    host.CallPlugin("create", [&] {
      gCounting = true;
      benchmark::DoNotOptimize(
          CreatePlayerAnnot(reinterpret_cast<AVPageView>(view), AVDevRect{50, 50, 350, 250}));
      gCounting = false;
    });

    state.PauseTiming();
    plugInBytes = std::max(plugInBytes, gPlugInBytes);
    refhost::CloseDocument(doc);
    state.ResumeTiming();
  }
  if (!refhost::Alerts().empty()) state.SkipWithError(refhost::Alerts().front().c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sceneSize));
  state.counters["plugin_heap_bytes"] = static_cast<double>(plugInBytes);
  std::remove(scene.c_str());
}

BENCHMARK(BM_CreatePlayerAnnot)
    ->Arg(0)
    ->Arg(4096)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
