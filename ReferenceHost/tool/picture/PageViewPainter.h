// Windows: the page-view window of the refhost tool shows the page as the viewer would,
// so that the real window, with the player windows the player library paints over it,
// is the picture a snapshot captures.
#pragma once

#include "HostAbi.h"

namespace refhosttool {

// Has the view's window paint the view: grey around the page, the page white, and each
// annotation's normal appearance (a form XObject) drawn into its rectangle by a small
// interpreter of the content operators for paths, colours and text. Documents made on
// Windows are new ones, whose pages have no contents of their own. Nothing happens for a
// view without a window; the window forgets the view when it is destroyed.
void AttachPagePainter(refhost::Handle view);

}  // namespace refhosttool
