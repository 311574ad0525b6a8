// Snapshots of a page view as a person would see it, for the refhost tool.
#pragma once

#include <string>

#include "HostAbi.h"

namespace refhosttool {

// Writes a PNG of the page view's aperture, grey around the page. On Linux: the page
// rendered by poppler (pdftoppm) at the view's zoom and placed by its scroll and page
// position, and each live, visible child window of the view's window (a player window)
// drawn over it as a framed box labelled with the name of the scene file its player was
// given. On Windows: the view's real window, which paints the page (PageViewPainter.h),
// read back with its player windows as the player library painted them. The file appears
// complete or not at all. False with `error` set when it could not be made.
bool WriteSnapshot(refhost::Handle view, const std::string& pngPath, std::string* error);

}  // namespace refhosttool
