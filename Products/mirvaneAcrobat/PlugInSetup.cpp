// Setup and handshake: importing the viewer's tables and naming the extension.
#include <cstdint>
#include <cstring>

#include "PlugInEntry.h"
#include "ReaderEnablement.h"

// In import order; AcroSupport decides how the others are looked up.
const RequiredHostTable kRequiredHostTables[kHostTableCount] = {
    {"AcroSupport", 0x00060000, kHostAcroSupport},
    {"Core", 0x00050000, kHostCore},
    {"Cos", 0x00060000, kHostCos},
    {"PDModel", 0x00060000, kHostPDModel},
    {"AcroView", 0x00060000, kHostAcroView},
    {"PDSRead", 0x00060000, kHostPDSRead},
    {"ASExtra", 0x00060000, kHostASExtra},
};

namespace {

const ASUns32 kDirectLookupVersion = 0x00060000;

// Whether the viewer runs as Reader: its "Product" configuration text. A host that does
// not know the key may answer null or the all-ones pointer; neither is Reader.
bool HostIsReader() {
  const void* product = ASGetConfiguration(ASAtomFromString("Product"));
  if (product == nullptr || product == reinterpret_cast<const void*>(~uintptr_t{0})) return false;
  return std::strcmp(static_cast<const char*>(product), "Reader") == 0;
}

}  // namespace

ASBool ImportHostTable(const char* name, ASUns32 requiredVersion, ASUns32* obtainedVersion,
                       HFT* table) {
  const ASAtom atom = ASAtomFromString(name);
  HFT candidate = nullptr;
  if (gHostBinding.versions[kHostAcroSupport] >= kDirectLookupVersion) {
    candidate = ASExtensionMgrGetHFT(atom, requiredVersion);
    if (candidate != nullptr) {
      const ASUns32 version = HFTGetVersion(candidate);
      if (version != kVersionUnknown) {
        *table = candidate;
        *obtainedVersion = version;
        return version != 0;
      }
    }
  }
  // The viewer could not say: try the versions it may have, newest first, never below the
  // version required.
  ASUns32 stoppedAt = 0;
  for (ASUns32 fallback : kHostTableFallbackVersions) {
    stoppedAt = fallback;
    if (fallback < requiredVersion) break;
    candidate = ASExtensionMgrGetHFT(atom, fallback);
    if (candidate != nullptr) break;
  }
  *table = candidate;
  *obtainedVersion = candidate != nullptr ? stoppedAt : 0;
  return *obtainedVersion != 0;
}

ASBool HOSTCALL PlugInSetup(ASUns32 handshakeVersion, void* setupRecord) {
  HostSetupRecord* record = static_cast<HostSetupRecord*>(setupRecord);
  if (handshakeVersion != kHandshakeVersion || record->handshakeVersion != kHandshakeVersion)
    return ASFalse;

  gHostBinding.extensionId = record->extensionId;
  gHostBinding.tables[kHostCore] = record->coreTable;
  gHostBinding.versions[kHostCore] = kHandshakeVersion;

  // AcroSupport first, since its version decides whether tables can be asked for directly.
  HFT acroSupport = ASExtensionMgrGetHFT(ASAtomFromString("AcroSupport"), kDirectLookupVersion);
  gHostBinding.tables[kHostAcroSupport] = acroSupport;
  if (acroSupport != nullptr) {
    gHostBinding.versions[kHostAcroSupport] = kDirectLookupVersion;
    gHostBinding.versions[kHostAcroSupport] = HFTGetVersion(acroSupport);
  }

  for (const RequiredHostTable& required : kRequiredHostTables) {
    if (!ImportHostTable(required.name, required.version, &gHostBinding.versions[required.id],
                         &gHostBinding.tables[required.id]))
      return ASFalse;
  }

  record->handshakeCallback =
      ASCallbackCreate(gHostBinding.extensionId, reinterpret_cast<void*>(&PlugInHandshake));
  return ASTrue;
}

ASBool HOSTCALL PlugInHandshake(ASUns32 handshakeVersion, void* handshakeRecord) {
  if (handshakeVersion != kHandshakeVersion) return ASFalse;
  // The 64-bit viewer is one program that runs as Acrobat or as Reader. In Reader mode it
  // quits with an error when a plug-in that Reader may not load goes on past the
  // handshake; declining here, before anything is registered, is what it asks of such a
  // plug-in (it is then loaded when the viewer runs as Acrobat).
  if (!kEnabledForReader && HostIsReader()) return ASFalse;
  HostHandshakeRecord* record = static_cast<HostHandshakeRecord*>(handshakeRecord);

  gHostBinding.extensionName = ASAtomFromString(kExtensionName);
  record->extensionName = gHostBinding.extensionName;

  const ASExtension id = gHostBinding.extensionId;
  record->exportHFTsCallback = ASCallbackCreate(id, reinterpret_cast<void*>(&PlugInExportHFTs));
  record->importReplaceAndRegisterCallback =
      ASCallbackCreate(id, reinterpret_cast<void*>(&PlugInImportReplaceAndRegister));
  record->initCallback = ASCallbackCreate(id, reinterpret_cast<void*>(&PlugInInit));
  record->unloadCallback = ASCallbackCreate(id, reinterpret_cast<void*>(&PlugInUnload));
  return ASTrue;
}
