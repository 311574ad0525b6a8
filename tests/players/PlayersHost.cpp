#include "PlayersHost.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "PlugInEntry.h"
#include "PluginLoader.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace playerstest {
namespace {

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  EXPECT_EQ(Z_OK,
            compress(reinterpret_cast<Bytef*>(&out[0]), &size,
                     reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size())));
  out.resize(size);
  return out;
}

}  // namespace

std::vector<PlayerCall> PlayerCalls() {
  std::vector<PlayerCall> calls;
  MvnJournalEntry entry;
  for (int i = 0; mvnJournalGet(i, &entry); ++i)
    calls.push_back({entry.kind,
                     entry.window,
                     {entry.args[0], entry.args[1], entry.args[2], entry.args[3]},
                     entry.path,
                     entry.fileExists != 0,
                     entry.fileSize,
                     entry.problem,
                     entry.sequence});
  return calls;
}

std::vector<std::string> CallsFor(void* window) {
  std::vector<std::string> texts;
  for (const PlayerCall& call : PlayerCalls()) {
    if (call.window != window) continue;
    switch (call.kind) {
      case kMvnCreateGUI:
        texts.push_back("create " + std::to_string(call.args[0]));
        break;
      case kMvnSetFileName:
        texts.push_back("file " + call.path);
        break;
      case kMvnMoveWindow:
        texts.push_back("move " + std::to_string(call.args[0]) + "," +
                        std::to_string(call.args[1]) + "," + std::to_string(call.args[2]) + "," +
                        std::to_string(call.args[3]));
        break;
      case kMvnDeleteGUI:
        texts.push_back("delete");
        break;
    }
  }
  return texts;
}

refhost::ViewGeometry PlayersHost::Geometry() {
  refhost::ViewGeometry geometry;
  geometry.zoom = 1.25;
  geometry.scrollX = 15;
  geometry.scrollY = 40;
  geometry.pageX = 30;
  geometry.pageY = 20;
  geometry.aperture = {12, 34, 812, 1034};
  return geometry;
}

void PlayersHost::SetUp() {
  platform::control::Reset();
  mvnJournalClear();
  // Player calls, window events and notifications on one clock, to be put in order.
  mvnJournalSetClock(&platform::control::NextJournalSequence);
  temp_ = testsupport::FreshTestFolder("mirvane-players-");
  platform::control::SetTempFolder(temp_);

  host_.reset(new refhost::Host(HostProfile()));
  const refhost::StartupReport report = refhost::RunStartup(*host_, &PlugInMain, ModuleInstance());
  ASSERT_TRUE(report.ok()) << report.failure;
}

void PlayersHost::TearDown() {
  // Every procedure leaves each view's logical page as it found it.
  if (host_ != nullptr)
    for (const std::string& rule : host_->brokenRules()) ADD_FAILURE() << rule;
  mvnJournalSetClock(nullptr);
  platform::control::SetCodePage(1252);
  if (!temp_.empty()) testsupport::RemoveTestFolder(temp_);
}

refhost::Handle PlayersHost::OpenDocument(int pages) {
  return refhost::NewDocument(pages, refhost::PageRect(0, 0, 612, 792));
}

refhost::PDAnnot PlayersHost::AddPlayer(refhost::Handle page, double left, double bottom,
                                        double right, double top, const Scene& scene) {
  namespace rh = refhost;
  const rh::PDAnnot annot =
      rh::AddAnnotation(page, "KXTRIVOPlayer", rh::PageRect(left, bottom, right, top));
  const rh::Handle doc = rh::PageDocument(page);
  const rh::CosObj dict = rh::NewDict(doc);
  rh::DictSet(dict, "Type", rh::NewName(doc, "EmbeddedFile"));
  rh::DictSet(dict, "Filename", rh::NewName(doc, scene.filename));
  rh::DictSet(dict, "Subtype", rh::NewName(doc, scene.subtype));
  if (scene.flate) rh::DictSet(dict, "Filter", rh::NewName(doc, "FlateDecode"));
  const rh::CosObj stream =
      rh::NewStream(doc, scene.flate ? Deflate(scene.data) : scene.data, dict);
  rh::DictSet(rh::AnnotationDict(annot), "KXTRIVOPlayerF", stream);
  return annot;
}

void PlayersHost::Click(refhost::Handle view, int index, int count) {
  EXPECT_EQ(index, refhost::ClickAnnotation(view, index, count));
}

// Names as the plug-in sees them, bytes in the process's ANSI code page: on Windows the
// folder is listed through the ANSI functions (std::filesystem would answer UTF-8).
std::vector<std::string> PlayersHost::TempFiles() const {
  std::vector<std::string> names;
#if defined(_WIN32)
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((temp_ + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
#else
  for (const auto& entry : std::filesystem::directory_iterator(temp_))
    names.push_back(entry.path().filename().string());
#endif
  std::sort(names.begin(), names.end());
  return names;
}

std::string PlayersHost::TempPath(const std::string& name) const {
#if defined(_WIN32)
  return temp_ + "\\" + name;
#else
  return temp_ + "/" + name;
#endif
}

std::string PlayersHost::TempFile(const std::string& name) const {
  std::ifstream in(TempPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<platform::control::WindowInfo> PlayersHost::PlayerWindows(refhost::Handle view) const {
  return platform::control::LiveChildWindows(refhost::PageViewWindow(view));
}

platform::WindowRect PlayersHost::ExpectedWindowRect(refhost::Handle view,
                                                     refhost::PDAnnot annot) const {
  // At the annotation's own page's place in the view, which shows several in some layouts.
  const refhost::DevRect device = refhost::AnnotationDeviceRect(view, annot);
  const refhost::DevRect aperture = refhost::GetViewGeometry(view).aperture;
  return {device.left - aperture.left, device.top - aperture.top, device.right - aperture.left,
          device.bottom - aperture.top};
}

void PlayersHost::ExpectClean(size_t errorsExpected) const {
  EXPECT_EQ(0u, refhost::LiveStreams());
  EXPECT_EQ(0u, refhost::OpenFiles());
  EXPECT_EQ(0u, refhost::LivePathNames());
  EXPECT_EQ(0u, refhost::LiveMachinePorts());
  EXPECT_EQ(0u, host_->FrameDepth());
  EXPECT_EQ(errorsExpected, host_->uncaughtErrors().size());
  EXPECT_EQ(0, mvnJournalViolations());
}

}  // namespace playerstest
