// The module-wide static objects, constructed when the module loads (application object
// first, then the product identity) and destroyed in reverse order when it unloads.
#pragma once

#include "DudOrevove.h"
#include "mirvaneAcrobatApp.h"

CmirvaneAcrobatApp& TheApp();
ZAruPDDocManager& TheDocManager();
DudOrevove& TheProductIdentity();
