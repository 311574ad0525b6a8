// Lookups in the plug-in's registry of open documents (TheDocManager()), called directly
// in-process: GetDoc by document; GetPage by page, which first asks the host for the
// page's document (PDPageGetDoc, a lookup among every page the host holds); and the
// registry's own part of GetPage, the page's record found through its document's record. The
// documents are opened in the reference host, so the registry learns them from the document-opened
// notification; their pages are given records directly. Keys are taken in a pseudo-random order
// over every document or page.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "BenchSupport.h"
#include "Documents.h"
#include "ModuleStatics.h"
#include "Objects.h"
#include "ZorUDAveRuvuzaz.h"

namespace {

constexpr size_t kKeys = size_t(1) << 16;

struct Registered {
  std::vector<PDDoc> docKeys;
  std::vector<PDPage> pageKeys;
  std::vector<PDDoc> pageDocKeys;  // the document of each of pageKeys
};

// Opens `docs` documents of `pages` pages, gives every page a record and draws keys among
// `distinct` documents and pages (0: among all).
Registered Register(int docs, int pages, int distinct) {
  std::vector<PDDoc> allDocs;
  std::vector<PDPage> allPages;
  std::vector<PDDoc> pageDocs;
  for (int d = 0; d < docs; ++d) {
    const refhost::Handle doc = refhost::NewDocument(pages, refhost::PageRect(0, 0, 612, 792));
    allDocs.push_back(reinterpret_cast<PDDoc>(doc));
    ZAruPDDoc* record = TheDocManager().GetDoc(allDocs.back());
    for (int p = 0; p < pages; ++p) {
      allPages.push_back(reinterpret_cast<PDPage>(refhost::DocumentPage(doc, p)));
      pageDocs.push_back(allDocs.back());
      if (record != nullptr) record->AddPage(allPages.back());
    }
  }
  Registered keys;
  std::mt19937 random(7);
  for (size_t i = 0; i < kKeys; ++i) {
    if (distinct != 0 && i >= static_cast<size_t>(distinct)) {
      keys.docKeys.push_back(keys.docKeys[i % static_cast<size_t>(distinct)]);
      keys.pageKeys.push_back(keys.pageKeys[i % static_cast<size_t>(distinct)]);
      keys.pageDocKeys.push_back(keys.pageDocKeys[i % static_cast<size_t>(distinct)]);
      continue;
    }
    keys.docKeys.push_back(allDocs[random() % allDocs.size()]);
    const size_t page = random() % allPages.size();
    keys.pageKeys.push_back(allPages[page]);
    keys.pageDocKeys.push_back(pageDocs[page]);
  }
  return keys;
}

void Describe(benchmark::State& state, int docs, int pages) {
  state.counters["docs"] = docs;
  state.counters["pages"] = static_cast<double>(docs) * pages;
}

// Arguments: documents, pages per document, distinct keys (0: all).
void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"docs", "pages", "hot"});
  for (int hot : {0, 64}) b->Args({10, 10, hot})->Args({100, 100, hot})->Args({1000, 100, hot});
}

void BM_RegistryGetDoc(benchmark::State& state) {
  const int docs = static_cast<int>(state.range(0)), pages = static_cast<int>(state.range(1));
  bench::PlugInHost plugIn;
  const Registered keys = Register(docs, pages, static_cast<int>(state.range(2)));
  if (TheDocManager().DocCount() != static_cast<size_t>(docs)) {
    state.SkipWithError("documents not registered");
    return;
  }
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(TheDocManager().GetDoc(keys.docKeys[i++ % kKeys]));
  Describe(state, docs, pages);
}

void BM_RegistryGetPage(benchmark::State& state) {
  const int docs = static_cast<int>(state.range(0)), pages = static_cast<int>(state.range(1));
  bench::PlugInHost plugIn;
  const Registered keys = Register(docs, pages, static_cast<int>(state.range(2)));
  bool found = true;
  // GetPage calls the host, which wants a frame around calls from the plug-in.
  plugIn.host().CallPlugin("lookups", [&] {
    size_t i = 0;
    for (auto _ : state) {
      ZAruPDPage* record = TheDocManager().GetPage(keys.pageKeys[i++ % kKeys]);
      found = found && record != nullptr;
      benchmark::DoNotOptimize(record);
    }
  });
  if (!found || !plugIn.Problem().empty()) state.SkipWithError("page records not found");
  Describe(state, docs, pages);
}

void BM_RegistryPageRecord(benchmark::State& state) {
  const int docs = static_cast<int>(state.range(0)), pages = static_cast<int>(state.range(1));
  bench::PlugInHost plugIn;
  const Registered keys = Register(docs, pages, static_cast<int>(state.range(2)));
  bool found = true;
  size_t i = 0;
  for (auto _ : state) {
    const size_t key = i++ % kKeys;
    ZAruPDDoc* doc = TheDocManager().GetDoc(keys.pageDocKeys[key]);
    ZAruPDPage* record = doc != nullptr ? doc->GetPage(keys.pageKeys[key]) : nullptr;
    found = found && record != nullptr;
    benchmark::DoNotOptimize(record);
  }
  if (!found) state.SkipWithError("page records not found");
  Describe(state, docs, pages);
}

BENCHMARK(BM_RegistryGetDoc)->Apply(Sizes);
BENCHMARK(BM_RegistryGetPage)->Apply(Sizes);
BENCHMARK(BM_RegistryPageRecord)->Apply(Sizes);

}  // namespace
