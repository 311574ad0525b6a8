#include "AuthoringHost.h"

#include <filesystem>
#include <fstream>

#include "Authoring/AnnotKeys.h"
#include "Authoring/PlayerAnnotCreation.h"
#include "PlugInEntry.h"
#include "PluginLoader.h"
#include "PlatformControl.h"

namespace authoringtest {

refhost::ViewGeometry AuthoringHost::Geometry() {
  refhost::ViewGeometry geometry;
  geometry.zoom = 1.5;
  geometry.scrollX = 12;
  geometry.scrollY = 30;
  geometry.pageX = 40;
  geometry.pageY = 25;
  geometry.aperture = {0, 0, 1000, 1300};
  return geometry;
}

void AuthoringHost::SetUp() {
  platform::control::Reset();
  const refhost::StartupReport report = refhost::RunStartup(host_, &PlugInMain, ModuleInstance());
  ASSERT_TRUE(report.ok()) << report.failure;
  ASSERT_TRUE(host_.CallPlugin("InitAnnotKeys", [] { InitAnnotKeys(); }));
  doc_ = refhost::NewDocument(1, refhost::PageRect(0, 0, 612, 792));
  page_ = refhost::DocumentPage(doc_, 0);
  view_ = refhost::NewPageView(doc_, 0, Geometry());
  refhost::ClearRecords();

  folder_ = testsupport::FreshTestFolder("mirvane-authoring-");
}

void AuthoringHost::TearDown() {
  for (const std::string& rule : host_.brokenRules()) ADD_FAILURE() << rule;
  platform::control::SetCodePage(1252);
  if (!folder_.empty()) testsupport::RemoveTestFolder(folder_);
}

// Joined as bytes: a name in the ANSI code page is no UTF-8, which the library's narrow
// paths take on Windows.
std::string AuthoringHost::ScenePath(const std::string& fileName) const {
#if defined(_WIN32)
  return folder_ + "\\" + fileName;
#else
  return folder_ + "/" + fileName;
#endif
}

std::string AuthoringHost::WriteScene(const std::string& fileName, const std::string& bytes) {
  const std::string path = ScenePath(fileName);
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.good()) << path;
  return path;
}

refhost::PDAnnot AuthoringHost::Create(refhost::DevRect rect) {
  PDAnnot created = {0, 0};
  const AVDevRect deviceRect = {rect.left, rect.top, rect.right, rect.bottom};
  EXPECT_TRUE(host_.CallPlugin("CreatePlayerAnnot", [&] {
    created = CreatePlayerAnnot(static_cast<AVPageView>(view_), deviceRect);
  }));
  EXPECT_EQ(0u, host_.FrameDepth());
  return ToHost(created);
}

refhost::PDAnnot AuthoringHost::CreateWithScene(const std::string& path, refhost::DevRect rect) {
  platform::control::QueueDialogAnswer(path);
  return Create(rect);
}

void AuthoringHost::ExpectNothingLeftOpen() const {
  EXPECT_EQ(0u, refhost::LiveStreams());
  EXPECT_EQ(0u, refhost::OpenFiles());
  EXPECT_EQ(0u, refhost::LivePathNames());
}

}  // namespace authoringtest
