#include "BenchSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "Documents.h"
#include "Objects.h"
#include "PlayerJournal.h"
#include "PlugInEntry.h"
#include "PlugInHeap.h"
#include "PluginLoader.h"
#include "Viewer.h"
#include "PlatformControl.h"

namespace bench {
namespace {

constexpr char kSubtype[] = "KXTRIVOPlayer";

refhost::DrawProc gDraw = nullptr;
refhost::DoClickProc gClick = nullptr;

void REFHOST_CALL CountedDraw(const refhost::AnnotHandlerRec* handler, refhost::PDAnnot annot,
                              refhost::Handle view) {
  benchheap::EnterPlugIn();
  gDraw(handler, annot, view);
  benchheap::LeavePlugIn();
}

refhost::ASBool REFHOST_CALL CountedClick(const refhost::AnnotHandlerRec* handler,
                                          refhost::PDAnnot annot, refhost::Handle view,
                                          refhost::ASInt32 x, refhost::ASInt32 y,
                                          refhost::ASUns16 flags, refhost::ASInt32 clickCount) {
  benchheap::EnterPlugIn();
  const refhost::ASBool result = gClick(handler, annot, view, x, y, flags, clickCount);
  benchheap::LeavePlugIn();
  return result;
}

// The viewer calls the procedures of the record the plug-in registered; the wrappers take
// their places in it and call them.
void WrapHandler() {
  auto* record = const_cast<refhost::AnnotHandlerRec*>(refhost::AnnotHandlerFor(kSubtype));
  if (record == nullptr) return;
  refhost::Callback& draw = record->procs[refhost::kDraw - 2];
  refhost::Callback& click = record->procs[refhost::kDoClick - 2];
  gDraw = reinterpret_cast<refhost::DrawProc>(draw);
  gClick = reinterpret_cast<refhost::DoClickProc>(click);
  draw = reinterpret_cast<refhost::Callback>(&CountedDraw);
  click = reinterpret_cast<refhost::Callback>(&CountedClick);
}

}  // namespace

PlugInHost::PlugInHost() {
  platform::control::Reset();
  mvnJournalClear();
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/mirvane-bench-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) std::abort();
  folder_ = pattern;
  platform::control::SetTempFolder(folder_);
  host_.reset(new refhost::Host());
  const refhost::StartupReport report = refhost::RunStartup(*host_, &PlugInMain, nullptr);
  if (!report.ok()) startupFailure_ = report.failure;
  WrapHandler();
}

PlugInHost::~PlugInHost() {
  for (refhost::Handle doc : refhost::OpenDocuments()) refhost::CloseDocument(doc);
  host_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  platform::control::Reset();
  mvnJournalClear();
}

std::string PlugInHost::Problem() const {
  if (!startupFailure_.empty()) return "start-up: " + startupFailure_;
  if (gDraw == nullptr) return "no handler registered";
  if (!host_->uncaughtErrors().empty()) return "host error: " + host_->uncaughtErrors()[0].where;
  if (!refhost::Alerts().empty()) return "alert: " + refhost::Alerts()[0];
  if (mvnJournalViolations() != 0) return "player calls out of order";
  return "";
}

refhost::PDAnnot AddPlayer(refhost::Handle page, double left, double bottom, double right,
                           double top, const std::string& stored, bool flate) {
  namespace rh = refhost;
  const rh::PDAnnot annot =
      rh::AddAnnotation(page, kSubtype, rh::PageRect(left, bottom, right, top));
  const rh::Handle doc = rh::PageDocument(page);
  const rh::CosObj dict = rh::NewDict(doc);
  rh::DictSet(dict, "Type", rh::NewName(doc, "EmbeddedFile"));
  rh::DictSet(dict, "Filename", rh::NewName(doc, "valve"));
  rh::DictSet(dict, "Subtype", rh::NewName(doc, "GEOM"));
  if (flate) rh::DictSet(dict, "Filter", rh::NewName(doc, "FlateDecode"));
  rh::DictSet(rh::AnnotationDict(annot), "KXTRIVOPlayerF", rh::NewStream(doc, stored, dict));
  return annot;
}

std::string SceneData(size_t size) {
  const size_t period = size_t(4) << 20;
  std::string pattern;
  pattern.reserve(period + 64);
  uint32_t random = 0x9E3779B9u;
  const auto coordinate = [&random](char* text, size_t room) {
    random = random * 1664525u + 1013904223u;
    const int value = static_cast<int>(random >> 8) % 2000000 - 1000000;  // +-100.0000
    return std::snprintf(text, room, " %s%d.%04d", value < 0 ? "-" : "", std::abs(value) / 10000,
                         std::abs(value) % 10000);
  };
  for (int vertex = 1; pattern.size() < period; ++vertex) {
    char line[96];
    int length = std::snprintf(line, sizeof line, "v");
    for (int axis = 0; axis < 3; ++axis)
      length += coordinate(line + length, sizeof line - static_cast<size_t>(length));
    pattern.append(line, static_cast<size_t>(length)).append("\n");
    if (vertex % 3 == 0) {
      length = std::snprintf(line, sizeof line, "f %d %d %d\n", vertex - 2, vertex - 1, vertex);
      pattern.append(line, static_cast<size_t>(length));
    }
  }
  pattern.resize(period);
  std::string data(size, '\0');
  for (size_t at = 0; at < size; at += period)
    data.replace(at, std::min(period, size - at), pattern, 0, std::min(period, size - at));
  return data;
}

void WriteFile(const std::string& path, const std::string& data) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(data.data(), 1, data.size(), file) != data.size() ||
      std::fclose(file) != 0)
    std::abort();
}

long long FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

void SyncFileSystem(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  syncfs(fd);
  close(fd);
}

double CopyFile(const std::string& from, const std::string& to, size_t bufferSize) {
  std::vector<char> buffer(bufferSize);
  const auto start = std::chrono::steady_clock::now();
  const int in = open(from.c_str(), O_RDONLY);
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0) std::abort();
  for (;;) {
    const ssize_t got = read(in, buffer.data(), buffer.size());
    if (got < 0) std::abort();
    if (got == 0) break;
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = write(out, buffer.data() + put, static_cast<size_t>(got - put));
      if (n <= 0) std::abort();
      put += n;
    }
  }
  if (close(in) != 0 || close(out) != 0) std::abort();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double InflateToFile(const std::string& stored, const std::string& to, size_t bufferSize) {
  std::vector<char> buffer(bufferSize);
  const auto start = std::chrono::steady_clock::now();
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  z_stream z{};
  if (out < 0 || inflateInit(&z) != Z_OK) std::abort();
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stored.data()));
  z.avail_in = static_cast<uInt>(stored.size());  // the benchmarks' data stays below 4 GiB
  for (int status = Z_OK; status != Z_STREAM_END;) {
    z.next_out = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_out = static_cast<uInt>(buffer.size());
    status = inflate(&z, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) std::abort();
    const size_t got = buffer.size() - z.avail_out;
    if (write(out, buffer.data(), got) != static_cast<ssize_t>(got)) std::abort();
  }
  inflateEnd(&z);
  if (close(out) != 0) std::abort();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace bench
