// The module's entry points as the viewer calls them, and the start-up constants.
#pragma once

#include "HostInterface/HostInterface.h"

constexpr ASUns32 kHandshakeVersion = 0x00020000;
constexpr const char kExtensionName[] = "KXTRIVOPlayer";
constexpr ASUns32 kVersionUnknown = 0xFFFFFFFF;

// Versions tried in this order when the viewer cannot report a table's version.
constexpr ASUns32 kHostTableFallbackVersions[7] = {0x00050001, 0x00050000, 0x00040005, 0x00040000,
                                                   0x00020003, 0x00020002, 0x00020001};

// A table the plug-in imports at start-up, with the version it requires (the oldest
// supported viewer's): start-up fails without it.
struct RequiredHostTable {
  const char* name;
  ASUns32 version;
  HostTableId id;
};
extern const RequiredHostTable kRequiredHostTables[kHostTableCount];

typedef ASBool(HOSTCALL* PlugInSetupProc)(ASUns32 handshakeVersion, void* setupRecord);

extern "C" {
#if defined(_WIN32)
ASBool HOSTCALL PlugInMain(ASUns32 hostHandshakeVersion, ASUns32* agreedVersion,
                           PlugInSetupProc* setup, void* platformRecord);
#else
__attribute__((visibility("default"))) ASBool PlugInMain(ASUns32 hostHandshakeVersion,
                                                         ASUns32* agreedVersion,
                                                         PlugInSetupProc* setup,
                                                         void* platformRecord);
#endif
}

ASBool HOSTCALL PlugInSetup(ASUns32 handshakeVersion, void* setupRecord);
ASBool HOSTCALL PlugInHandshake(ASUns32 handshakeVersion, void* handshakeRecord);
ASBool ImportHostTable(const char* name, ASUns32 requiredVersion, ASUns32* obtainedVersion,
                       HFT* table);

// Start-up stages, handed to the viewer in the handshake record.
ASBool HOSTCALL PlugInExportHFTs();
ASBool HOSTCALL PlugInImportReplaceAndRegister();
ASBool HOSTCALL PlugInInit();
ASBool HOSTCALL PlugInUnload();
