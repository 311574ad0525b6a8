// The annotation handler of the KXTRIVOPlayer subtype: through it the viewer draws,
// measures, selects and clicks player annotations. Drawing a player annotation is also
// where the live player windows of its page follow the page view.
#pragma once

#include "HostInterface/HostRecords.h"

// Fixes the shared key names, fills the handler record and registers it with the viewer;
// answers what the viewer answered.
ASBool RegisterPlayerAnnotHandler();

// The annotation's appearance state (its AS name), or the null atom; a host error while it
// is looked up counts as none.
ASAtom GetAnnotAppearanceState(PDAnnot annot);

// The appearance to draw: under AP, the entry `kind` and, when it is a state dictionary,
// its entry `state`. The null object when there is none or a host error comes up.
CosObj GetAnnotNormalAppearance(PDAnnot annot, ASAtom kind, ASAtom state);

// The registered handler record (the viewer keeps a pointer to it).
const AVAnnotHandlerRec& PlayerAnnotHandler();
