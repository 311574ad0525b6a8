// The persisted form of a player annotation's scene: the annotation's Version and
// KXTRIVOPlayerF entries and the embedded scene stream they lead to.
#pragma once

#include <cstddef>

#include "HostInterface/HostTypes.h"

// Capacity of every buffer that holds a scene path or a part of one, NUL included.
constexpr size_t kScenePathSize = 1024;

// Puts Version /1.0 into the annotation's dictionary, copies the file at `scenePath`
// through the viewer's read stream into a new indirect stream of the page view's document
// (Length, Type /EmbeddedFile, Filename, Subtype, Params << /Size >>) and refers to it
// from the annotation under KXTRIVOPlayerF. Returns true once everything is written. A
// failure is a host error that reaches the caller's exception frame; the file, its read
// stream and its path name are released on that road too.
bool EmbedSceneFile(PDAnnot annotation, AVPageView pageView, const char* scenePath);
