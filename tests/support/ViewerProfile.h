// The viewer that host-driven tests present to the plug-in: the newest, or the version
// that MIRVANE_VIEWER_VERSION names (6 to 9). ctest runs the roads once as each.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Host.h"

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
  return refhost::Profile::Viewer(TestViewerVersion());
}

}  // namespace testsupport
