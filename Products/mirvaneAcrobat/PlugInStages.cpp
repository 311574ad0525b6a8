// The start-up stages the viewer runs after the handshake.
#include "AboutCommand.h"
#include "AnnotHandler/mirvaneAnnotHandler.h"
#include "ModuleStatics.h"
#include "PlugInEntry.h"

namespace {

constexpr char kDebugWindowTable[] = "ADBE:DebugWindow";
constexpr char kProductVersion[] = MIRVANE_PRODUCT_VERSION;  // the project's version

struct Notification {
  NSelector selector;
  void* handler;
};

// Registered in this order; each keeps the registry in step with the viewer.
const Notification kNotifications[] = {
    {AVPageViewDidChangeNSEL, reinterpret_cast<void*>(&OnPageViewChanged)},
    {PDDocDidCloseNSEL, reinterpret_cast<void*>(&OnDocClosing)},
    {PDDocDidOpenNSEL, reinterpret_cast<void*>(&OnDocOpened)},
};

// Kept for the life of the module; never unregistered.
ASCallback gNotificationCallbacks[sizeof kNotifications / sizeof kNotifications[0]];

}  // namespace

// The plug-in offers no tables of its own.
ASBool HOSTCALL PlugInExportHFTs() {
  return ASTrue;
}

// The optional trace table, then the notifications. Results are not examined: a missing
// trace table only silences the trace lines.
ASBool HOSTCALL PlugInImportReplaceAndRegister() {
  gHostBinding.debugWindow =
      ASExtensionMgrGetHFT(ASAtomFromString(kDebugWindowTable), kDebugWindowVersion);
  int i = 0;
  for (const Notification& notification : kNotifications) {
    gNotificationCallbacks[i] = ASCallbackCreate(gHostBinding.extensionId, notification.handler);
    AVAppRegisterNotification(notification.selector, gHostBinding.extensionId,
                              gNotificationCallbacks[i], nullptr);
    ++i;
  }
  return ASTrue;
}

// The product identity first, so that the About text always shows this edition; then the
// About item and the annotation handler, whose refusal is not examined.
ASBool HOSTCALL PlugInInit() {
  TheProductIdentity().SetVersion(kProductVersion);
  TheProductIdentity().SetEdition(LIT_MIRVANE_READER_PLUGIN);
  AddAboutMenuItem();
  RegisterPlayerAnnotHandler();
  return ASTrue;
}

// Registrations, callbacks and the menu item stay with the viewer; the registry goes
// with the application object when the module is unloaded.
ASBool HOSTCALL PlugInUnload() {
  return ASTrue;
}
