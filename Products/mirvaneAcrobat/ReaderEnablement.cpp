// Set by the build (MIRVANE_ENABLED_FOR_READER); its own object, so that the tests link a
// Reader-enabled module from the same objects as the product.
#include "ReaderEnablement.h"

#ifdef MIRVANE_ENABLED_FOR_READER
const bool kEnabledForReader = true;
#else
const bool kEnabledForReader = false;
#endif
