// The creation sequence that makes a complete player annotation: scene-file dialog, the
// annotation with its flags, the embedded scene, the placeholder appearance and a redraw.
#pragma once

#include "HostInterface/HostTypes.h"

// Asks for a scene file and creates a player annotation at `deviceRect` of `pageView`.
// Returns the null annotation for an empty rectangle or a cancelled dialog (nothing else
// happens then). A host error during creation is shown in the viewer's note alert; the
// annotation, once created, stays with what was written and is still returned. The
// rectangle is invalidated whenever the dialog was answered.
PDAnnot CreatePlayerAnnot(AVPageView pageView, AVDevRect deviceRect);

// The same sequence for a re-creation: the annotation goes on `page` at `pageRect` (user
// space), wherever the page view has been moved or zoomed meanwhile. Null for an empty
// rectangle or a cancelled dialog; the view redraws the rectangle when it shows `page`.
PDAnnot CreatePlayerAnnotOnPage(AVPageView pageView, PDPage page, ASFixedRect pageRect);

// Has `pageView` redraw `pageRect` (user space of `page`) when it shows `page`.
void InvalidatePageRect(AVPageView pageView, PDPage page, ASFixedRect pageRect);
