// The plug-in's binding to the viewer: the tables obtained at start-up, their versions,
// the extension id and the extension-name atom. Written during start-up only.
#pragma once

#include "HostTypes.h"

// The tables the plug-in imports, in import order.
enum HostTableId : int {
  kHostAcroSupport,
  kHostCore,
  kHostCos,
  kHostPDModel,
  kHostAcroView,
  kHostPDSRead,
  kHostASExtra,
  kHostTableCount
};

struct HostBinding {
  ASExtension extensionId;
  void* moduleInstance;
  ASAtom extensionName;  // atom of "KXTRIVOPlayer", also the annotation subtype
  HFT tables[kHostTableCount];
  ASUns32 versions[kHostTableCount];  // 0 = not obtained
  HFT debugWindow;                    // "ADBE:DebugWindow", or null
};

extern HostBinding gHostBinding;

inline HFT HostTable(HostTableId id) {
  return gHostBinding.tables[id];
}
