// objects/: what a document is made of. The object, stream and document stores, the
// stream filters, and the Cos and PDModel operations the plug-in calls on them.
//
// The object store as tests and the refhost tool see it: reading objects the plug-in
// made or a PDF file brought in, and building objects for test documents.
//
// Every function works on the live host (Host::Current()). A forged or stale object, a
// wrong type or an index out of range throws HostError (a std::runtime_error) with the
// host's error code; nothing here raises a host exception.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HostAbi.h"

namespace refhost {

// Type codes of the object layer, as CosObjGetType answers them.
enum CosTypeCode : int {
  kCosNull = 0,
  kCosInteger = 1,
  kCosReal = 2,
  kCosBoolean = 3,
  kCosName = 4,
  kCosString = 5,
  kCosDict = 6,
  kCosArray = 7,
  kCosStream = 8
};

// The null object; dictionary lookups of absent keys answer it too.
CosObj NullObject();

// --- Inspection --------------------------------------------------------------------------
int ObjType(CosObj obj);
bool ObjIsNull(CosObj obj);
bool ObjIsIndirect(CosObj obj);
int ObjNumber(CosObj obj);            // 0 for a direct object
bool SameObject(CosObj x, CosObj y);  // the same object of the store, not equal values
Handle ObjDocument(CosObj obj);       // the PDDoc the object belongs to; null for null

CosObj DictValue(CosObj dict, const std::string& key);  // null object when absent
bool DictHas(CosObj dict, const std::string& key);
std::vector<std::string> DictKeys(CosObj dict);  // in insertion order
int32_t IntValue(CosObj obj);                    // integer objects only
double NumberValue(CosObj obj);                  // integer or real
bool BoolValue(CosObj obj);
std::string NameText(CosObj obj);     // the name's bytes, without the slash, unescaped
std::string StringBytes(CosObj obj);  // the string's bytes
int ArrayLength(CosObj array);
CosObj ArrayItem(CosObj array, int index);
CosObj StreamDictOf(CosObj stream);
std::string StreamData(CosObj stream);     // decoded through the stream's filters
std::string StreamRawData(CosObj stream);  // as stored (encoded)

// --- Building (test documents, objects "from elsewhere") ---------------------------------
// `doc` is a PDDoc. Indirect objects get the next free object number of the document.
CosObj NewInteger(Handle doc, int32_t value, bool indirect = false);
CosObj NewReal(Handle doc, double value, bool indirect = false);
CosObj NewBoolean(Handle doc, bool value, bool indirect = false);
CosObj NewName(Handle doc, const std::string& bytes, bool indirect = false);
CosObj NewString(Handle doc, const std::string& bytes, bool indirect = false);
CosObj NewDict(Handle doc, bool indirect = false);
CosObj NewArray(Handle doc, bool indirect = false);
// An indirect stream holding `data` as stored: no encoding takes place, so `dict` must
// describe the data (a Filter entry means `data` is already encoded). A null `dict`
// gives a fresh dictionary. Length is set to the data's size.
CosObj NewStream(Handle doc, const std::string& data, CosObj dict = NullObject());
// Puts `value` under `key`; the null object removes the key.
void DictSet(CosObj dict, const std::string& key, CosObj value);
void DictRemove(CosObj dict, const std::string& key);
void ArrayAppend(CosObj array, CosObj value);

// --- Fixed point -------------------------------------------------------------------------
constexpr ASFixed kFixedOne = 0x00010000;
constexpr ASFixed FixedFromInt(int value) {
  return static_cast<ASFixed>(value * kFixedOne);
}
ASFixed FixedFromDouble(double value);  // rounded to nearest; throws when out of range
double FixedToDouble(ASFixed value);
// A page-space rectangle from its corners in points (FixedRect keeps left, top, right,
// bottom; in page space top is the larger y).
FixedRect PageRect(double left, double bottom, double right, double top);

}  // namespace refhost
