// The start-up stages the viewer runs after the handshake.
#include "PlugInEntry.h"

// The plug-in offers no tables of its own.
ASBool HOSTCALL PlugInExportHFTs() {
  return ASTrue;
}

ASBool HOSTCALL PlugInImportReplaceAndRegister() {
  return ASTrue;
}

ASBool HOSTCALL PlugInInit() {
  return ASTrue;
}

// Registrations, callbacks and the menu item stay with the viewer; the registry goes
// with the application object when the module is unloaded.
ASBool HOSTCALL PlugInUnload() {
  return ASTrue;
}
