#include "Authoring/AnnotKeys.h"

#include "HostInterface/HostInterface.h"

ASAtom gAtomN = ASAtomNull;

void InitAnnotKeys() {
  gAtomN = ASAtomFromString("N");
}
