// Snapshots of a page view as a person would see it, for the refhost tool.
#pragma once

#include <string>

#include "HostAbi.h"

namespace refhosttool {

// Writes a PNG of the page view's aperture: the page rendered by poppler (pdftoppm) at the
// view's zoom and placed by its scroll and page position, grey around the page, and each
// live, visible child window of the view's window (a player window) drawn over it as a
// framed box labelled with the name of the scene file its player was given. The file
// appears complete or not at all. False with `error` set when it could not be made.
bool WriteSnapshot(refhost::Handle view, const std::string& pngPath, std::string* error);

}  // namespace refhosttool
