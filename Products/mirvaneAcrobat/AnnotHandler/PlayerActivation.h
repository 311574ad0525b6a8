// Activation: a single click on a player annotation writes its embedded scene to the
// temporary folder and plays it in a new player window over the annotation, which the
// registry then owns.
#pragma once

#include "HostInterface/HostTypes.h"

// The click procedure's work after its trace. Only a single click acts; every path counts
// as handled and answers true.
ASBool ActivatePlayerAnnot(PDAnnot annot, AVPageView view, ASInt32 clickCount);
