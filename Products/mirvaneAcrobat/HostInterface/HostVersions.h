// The operations the plug-in needs from slots newer than the table versions it requires
// (Cos 85, 86, 87 and 95, AcroView 548: from version 7 on), and what a version-6 viewer
// offers instead. The table version the viewer reported at start-up decides; nothing
// else in the plug-in calls those slots, which lie past the end of a version-6 table.
#pragma once

#include "HostBinding.h"
#include "HostTables.h"
#include "HostTypes.h"

// Whether the viewer's table has the slots of `version`.
inline bool HostTableHas(HostTableId table, ASUns32 version) {
  return gHostBinding.versions[table] >= version;
}

// The value under `key` in a dictionary.
inline CosObj GetDictKey(CosObj dict, const char* key) {
  if (HostTableHas(kHostCos, kCosSince_CosDictGetKeyString)) return CosDictGetKeyString(dict, key);
  return CosDictGet(dict, ASAtomFromString(key));
}

// Whether a dictionary has `key`.
inline ASBool IsDictKeyKnown(CosObj dict, const char* key) {
  if (HostTableHas(kHostCos, kCosSince_CosDictKnownKeyString))
    return CosDictKnownKeyString(dict, key);
  return CosDictKnown(dict, ASAtomFromString(key));
}

// Puts `value` under `key` into a dictionary.
inline void PutDictKey(CosObj dict, const char* key, CosObj value) {
  if (HostTableHas(kHostCos, kCosSince_CosDictPutKeyString)) {
    CosDictPutKeyString(dict, key, value);
    return;
  }
  CosDictPut(dict, ASAtomFromString(key), value);
}

// A new name object with the text `name`.
inline CosObj NewNameObject(CosDoc doc, ASBool indirect, const char* name) {
  if (HostTableHas(kHostCos, kCosSince_CosNewNameFromString))
    return CosNewNameFromString(doc, indirect, name);
  return CosNewName(doc, indirect, ASAtomFromString(name));
}

// Whether a key stroke deletes the selected object: the viewer's own test where it has
// one, else its deleting keys, Delete and Backspace, pressed with no modifier.
inline bool IsDeleteKeyStroke(AVKeyCode key, AVFlagBits16 flags) {
  if (HostTableHas(kHostAcroView, kAcroViewSince_AVAppShouldKeyDeleteObject))
    return AVAppShouldKeyDeleteObject(key, flags) != ASFalse;
  return flags == 0 && (key == kAVKeyDelete || key == kAVKeyBackspace);
}
