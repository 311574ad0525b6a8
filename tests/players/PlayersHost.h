// The fixture of the live-player tests: the reference host with the plug-in started
// in-process, documents opened after start-up (so the registry knows them), player
// annotations with embedded scenes built as another program would write them, a fresh
// temporary folder per test, and readers for the player library's journal and the
// simulated windows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Documents.h"
#include "Files.h"
#include "Host.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlayerJournal.h"
#include "TestData.h"
#include "Viewer.h"
#include "ViewerProfile.h"
#include "PlatformControl.h"

namespace playerstest {

struct PlayerCall {
  int kind;
  void* window;
  int args[4];
  std::string path;
  bool fileExists;
  long long fileSize;
  std::string problem;
  long long sequence;
};
std::vector<PlayerCall> PlayerCalls();
// One window's calls as short texts: "create", "file <path>", "move l,t,r,b", "delete".
std::vector<std::string> CallsFor(void* window);

// An embedded scene as a document brings it.
struct Scene {
  std::string filename = "valve";
  std::string subtype = "GEOM";
  std::string data = "scene data";
  bool flate = false;  // stored FlateDecode-compressed
};

using testsupport::SceneBytes;

class PlayersHost : public ::testing::Test {
 protected:
  static void* ModuleInstance() { return reinterpret_cast<void*>(0x4D0Du); }
  virtual refhost::Profile HostProfile() const { return testsupport::TestProfile(); }
  // Page views show pages at zoom 1.25, scrolled, with an aperture away from the origin.
  static refhost::ViewGeometry Geometry();

  void SetUp() override;
  void TearDown() override;

  // A document of `pages` Letter pages, opened after start-up.
  refhost::Handle OpenDocument(int pages);
  // A player annotation at the page rectangle (points) carrying `scene`.
  refhost::PDAnnot AddPlayer(refhost::Handle page, double left, double bottom, double right,
                             double top, const Scene& scene = Scene());
  // A single (or `count`) click at the centre of annotation `index` of the shown page.
  void Click(refhost::Handle view, int index, int count = 1);

  std::vector<std::string> TempFiles() const;           // entry names in the temporary folder
  std::string TempFile(const std::string& name) const;  // its bytes; empty when missing
  std::string TempPath(const std::string& name) const;
  // The live child windows of the view's window, in creation order.
  std::vector<platform::control::WindowInfo> PlayerWindows(refhost::Handle view) const;
  // Where a player window over `annot` belongs in `view`: its device rectangle relative to
  // the view's aperture, computed by the host.
  platform::WindowRect ExpectedWindowRect(refhost::Handle view, refhost::PDAnnot annot) const;
  // No host stream, file, path name or machine port is left open, and nothing reached the
  // host's own frame unless `errorsExpected`.
  void ExpectClean(size_t errorsExpected = 0) const;

  std::unique_ptr<refhost::Host> host_;
  std::string temp_;
};

}  // namespace playerstest
