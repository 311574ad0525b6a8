// The viewer that host-driven tests present to the plug-in: the newest, or the version
// that MIRVANE_VIEWER_VERSION names (6 to 9); its page views in the single-page layout, or
// in the one MIRVANE_VIEWER_LAYOUT names (single, continuous, facing, continuous-facing).
// ctest runs the roads as the newest viewer in the single-page and the continuous layout,
// and as viewer 6.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Host.h"
#include "PageLayout.h"

namespace testsupport {

inline int TestViewerVersion() {
  const char* text = std::getenv("MIRVANE_VIEWER_VERSION");
  if (text == nullptr || *text == '\0') return refhost::kNewestViewer;
  const int major = std::atoi(text);
  if (major < refhost::kOldestViewer || major > refhost::kNewestViewer ||
      std::to_string(major) != text) {
    std::fprintf(stderr, "MIRVANE_VIEWER_VERSION must be %d to %d, not '%s'\n",
                 refhost::kOldestViewer, refhost::kNewestViewer, text);
    std::exit(2);
  }
  return major;
}

inline refhost::Profile TestProfile() {
  refhost::Profile profile = refhost::Profile::Viewer(TestViewerVersion());
  const char* name = std::getenv("MIRVANE_VIEWER_LAYOUT");
  if (name != nullptr && *name != '\0') {
    refhost::Layout layout;
    if (!refhost::LayoutFromName(name, &layout)) {
      std::fprintf(stderr,
                   "MIRVANE_VIEWER_LAYOUT must be single, continuous, facing or "
                   "continuous-facing, not '%s'\n",
                   name);
      std::exit(2);
    }
    profile.pageLayout = refhost::LayoutNumber(layout);
  }
  return profile;
}

}  // namespace testsupport
