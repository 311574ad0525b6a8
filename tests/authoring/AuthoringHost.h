// The fixture of the authoring tests: a reference host with the plug-in started in-process,
// one document with one page view, and a folder for scene files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "Documents.h"
#include "Files.h"
#include "Host.h"
#include "ViewerProfile.h"
#include "HostInterface/HostTypes.h"
#include "Objects.h"
#include "PageViews.h"
#include "TestData.h"

namespace authoringtest {

inline refhost::PDAnnot ToHost(PDAnnot annot) {
  return {annot.a, annot.b};
}
inline bool IsNull(refhost::PDAnnot annot) {
  return annot.a == 0 && annot.b == 0;
}

using testsupport::SceneBytes;

class AuthoringHost : public ::testing::Test {
 protected:
  // What the platform record hands over as the module instance.
  static void* ModuleInstance() { return reinterpret_cast<void*>(0x4D0Du); }
  // Page 612 x 792 shown at zoom 1.5, scrolled, page corner away from the view's origin.
  static refhost::ViewGeometry Geometry();

  void SetUp() override;
  void TearDown() override;

  // Writes a scene file into the test's own folder and returns its full path.
  std::string WriteScene(const std::string& fileName, const std::string& bytes);
  std::string ScenePath(const std::string& fileName) const;
  // Runs CreatePlayerAnnot as the viewer's undo command does, under a frame of the host.
  refhost::PDAnnot Create(refhost::DevRect rect);
  // The same with `path` as the dialog's answer.
  refhost::PDAnnot CreateWithScene(const std::string& path, refhost::DevRect rect);
  // Every host stream, file and path name the plug-in opened is closed again.
  void ExpectNothingLeftOpen() const;

  refhost::Host host_{testsupport::TestProfile()};
  refhost::Handle doc_ = nullptr;
  refhost::Handle page_ = nullptr;
  refhost::Handle view_ = nullptr;
  std::string folder_;
};

}  // namespace authoringtest
