// The placeholder a player annotation shows until it is activated: a form XObject with a
// grey frame and the word Mirvane in Helvetica, hung off the annotation as AP << /N >>.
#pragma once

#include <cstddef>

#include "HostInterface/HostTypes.h"

// Size of the buffer in which the content is assembled (and, after a failure, the error
// text is written).
constexpr size_t kPlaceholderBufferSize = 512;

// The form's content stream, byte for byte.
constexpr char kPlaceholderContent[] =
    "BT /MIRVANET 16 Tf 10 40 TD ( Mirvane)Tj ET q 10 w 0.5 0.5 0.5 RG 1 1 99 99 re S Q";
constexpr ASInt32 kPlaceholderContentLength = sizeof kPlaceholderContent - 1;
static_assert(kPlaceholderContentLength == 82, "placeholder content length");

// Creates a fresh form (with its own resources, font category and font objects) in
// `cosDoc` and puts the appearance dictionary << /N form >> into `annotDict` under AP.
// `buffer` holds kPlaceholderBufferSize bytes. While the in-memory stream over the content
// is open, its handle is kept in `*openContent` so that the caller's handler can close it
// after a host error; it is null again on return.
void AttachPlaceholderAppearance(CosDoc cosDoc, CosObj annotDict, char* buffer,
                                 ASStm volatile* openContent);
