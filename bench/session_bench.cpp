// A viewer session over a real PDF file whose one page holds a player annotation with a
// large plain scene stream: BM_PdfOpenClose opens the file (the host's PDF reader through
// qpdf, and a page view) and closes it; BM_PdfClick opens it, then times the click that
// writes the scene to the temporary folder, beside a plain copy of the same bytes (64 KiB
// buffer, read(2)/write(2)) in the same iteration. Memory is the process's peak resident
// size over what was resident before (Linux resets the peak through /proc/self/clear_refs),
// so it counts the host, qpdf and the plug-in alike.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Documents.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlatformControl.h"
#include "PlayerJournal.h"
#include "Viewer.h"

namespace {

constexpr size_t kCopyBufferSize = 64 * 1024;

// A one-page PDF whose player annotation embeds `scene` unfiltered, written directly.
void WritePlayerPdf(const std::string& path, const std::string& scene) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [4 0 R] >>",
      "<< /Type /Annot /Subtype /KXTRIVOPlayer /Rect [100 100 300 300] /F 4 /Version /1.0"
      " /KXTRIVOPlayerF 5 0 R >>",
      "<< /Type /EmbeddedFile /Filename /valve /Subtype /GEOM /Length " +
          std::to_string(scene.size()) + " >>\nstream\n"};
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string head = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  size_t at = 0;
  out << head;
  at += head.size();
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(at);
    const std::string text = std::to_string(i + 1) + " 0 obj\n" + objects[i];
    out << text;
    at += text.size();
    if (i + 1 == objects.size()) {
      out.write(scene.data(), static_cast<std::streamsize>(scene.size()));
      out << "\nendstream";
      at += scene.size() + 10;
    }
    out << "\nendobj\n";
    at += 8;
  }
  out << "xref\n0 " << objects.size() + 1 << "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    out << line;
  }
  out << "trailer\n<< /Size " << objects.size() + 1 << " /Root 1 0 R >>\nstartxref\n"
      << at << "\n%%EOF\n";
}

long long StatusKiB(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.compare(0, key.size(), key) == 0) return std::stoll(line.substr(key.size()));
  return -1;
}

// The resident size now; the peak from now on is measured against it.
long long StartPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return StatusKiB("VmRSS");
}
double PeakGrowthBytes(long long startKiB) {
  return static_cast<double>(StatusKiB("VmHWM") - startKiB) * 1024.0;
}

struct SessionFiles {
  explicit SessionFiles(bench::PlugInHost& plugIn, size_t size)
      : pdf(plugIn.Path("session.pdf")),
        source(plugIn.Path("decoded.bin")),
        copy(plugIn.Path("copy.bin")),
        scene(plugIn.Path("valve.geom")) {
    const std::string data = bench::SceneData(size);
    WritePlayerPdf(pdf, data);
    bench::WriteFile(source, data);
  }
  std::string pdf, source, copy, scene;
};

void BM_PdfOpenClose(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  bench::PlugInHost plugIn;
  const SessionFiles files(plugIn, size);
  double peak = 0;
  for (auto _ : state) {
    const long long start = StartPeak();
    const refhost::Handle doc = refhost::OpenPdfFile(files.pdf);
    refhost::NewPageView(doc, 0);
    refhost::CloseDocument(doc);
    state.PauseTiming();
    peak = std::max(peak, PeakGrowthBytes(start));
    state.ResumeTiming();
  }
  state.counters["peak_rss_growth_bytes"] = peak;
  if (!plugIn.Problem().empty()) state.SkipWithError(plugIn.Problem().c_str());
}

void BM_PdfClick(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  bench::PlugInHost plugIn;
  const SessionFiles files(plugIn, size);
  double clickSeconds = 0, copySeconds = 0, peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    bench::SyncFileSystem(plugIn.folder());
    copySeconds += bench::CopyFile(files.source, files.copy, kCopyBufferSize);
    std::remove(files.copy.c_str());
    std::remove(files.scene.c_str());
    const refhost::Handle doc = refhost::OpenPdfFile(files.pdf);
    const refhost::Handle view = refhost::NewPageView(doc, 0);
    bench::SyncFileSystem(plugIn.folder());
    const long long start = StartPeak();
    const auto began = std::chrono::steady_clock::now();
    state.ResumeTiming();

    refhost::ClickAnnotation(view, 0, 1);

    state.PauseTiming();
    clickSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    peak = std::max(peak, PeakGrowthBytes(start));
    const bool played =
        platform::control::LiveChildWindows(refhost::PageViewWindow(view)).size() == 1 &&
        bench::FileSize(files.scene) == static_cast<long long>(size);
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
  state.counters["peak_rss_growth_bytes"] = peak;
  if (!plugIn.Problem().empty()) state.SkipWithError(plugIn.Problem().c_str());
}

BENCHMARK(BM_PdfOpenClose)
    ->ArgNames({"MiB"})
    ->Arg(256)
    ->Iterations(8)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfClick)
    ->ArgNames({"MiB"})
    ->Arg(64)
    ->Arg(256)
    ->Iterations(6)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
