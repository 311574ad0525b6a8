// The test-facing object functions of Objects.h over the live host's object store.
#include <limits>

#include "DocumentStore.h"
#include "Geometry.h"
#include "Host.h"
#include "ObjectStore.h"
#include "Objects.h"

namespace refhost {
namespace {

ObjectStore& Store() {
  return CurrentObjects();
}
const Node& Typed(CosObj obj, int type) {
  return Store().Expect(Id(obj), type);
}
Handle CosDocOf(Handle doc) {
  return Host::Current().documents().CosDocOf(doc);
}

}  // namespace

CosObj NullObject() {
  return CosObj{0, 0};
}

int ObjType(CosObj obj) {
  return Store().At(Id(obj)).type;
}
bool ObjIsNull(CosObj obj) {
  return ObjType(obj) == kCosNull;
}
bool ObjIsIndirect(CosObj obj) {
  return Store().At(Id(obj)).number != 0;
}
int ObjNumber(CosObj obj) {
  return Store().At(Id(obj)).number;
}
bool SameObject(CosObj x, CosObj y) {
  return Id(x) == Id(y);
}

Handle ObjDocument(CosObj obj) {
  const NodeId id = Id(obj);
  return id == kNullNode ? nullptr : Store().PdDocOf(Store().At(id).doc);
}

CosObj DictValue(CosObj dict, const std::string& key) {
  return Obj(Store().DictGet(Id(dict), key));
}
bool DictHas(CosObj dict, const std::string& key) {
  return Store().DictGet(Id(dict), key) != kNullNode;
}

std::vector<std::string> DictKeys(CosObj dict) {
  std::vector<std::string> keys;
  for (const DictEntry& entry : Store().At(Store().DictOf(Id(dict))).entries)
    keys.push_back(entry.key);
  return keys;
}

int32_t IntValue(CosObj obj) {
  const Node& node = Typed(obj, kCosInteger);
  if (node.integer < std::numeric_limits<int32_t>::min() ||
      node.integer > std::numeric_limits<int32_t>::max())
    throw HostError(kErrTypeMismatch);
  return static_cast<int32_t>(node.integer);
}

double NumberValue(CosObj obj) {
  return Store().NumberOf(Id(obj));
}
bool BoolValue(CosObj obj) {
  return Typed(obj, kCosBoolean).boolean;
}
std::string NameText(CosObj obj) {
  return Typed(obj, kCosName).text;
}
std::string StringBytes(CosObj obj) {
  return Typed(obj, kCosString).text;
}
int ArrayLength(CosObj array) {
  return static_cast<int>(Typed(array, kCosArray).items.size());
}

CosObj ArrayItem(CosObj array, int index) {
  const Node& node = Typed(array, kCosArray);
  if (index < 0 || index >= static_cast<int>(node.items.size())) throw HostError(kErrBadParameter);
  return Obj(node.items[index]);
}

CosObj StreamDictOf(CosObj stream) {
  return Obj(Typed(stream, kCosStream).dict);
}
std::string StreamData(CosObj stream) {
  return Store().DecodedData(Id(stream));
}
std::string StreamRawData(CosObj stream) {
  Typed(stream, kCosStream);
  return Store().StoredBytes(Id(stream));
}

CosObj NewInteger(Handle doc, int32_t value, bool indirect) {
  return Obj(Store().NewInteger(CosDocOf(doc), value, indirect));
}

CosObj NewReal(Handle doc, double value, bool indirect) {
  return Obj(Store().NewReal(CosDocOf(doc), value, indirect));
}

CosObj NewBoolean(Handle doc, bool value, bool indirect) {
  const NodeId id = Store().NewNode(CosDocOf(doc), kCosBoolean, indirect);
  Store().At(id).boolean = value;
  return Obj(id);
}

CosObj NewName(Handle doc, const std::string& bytes, bool indirect) {
  return Obj(Store().NewName(CosDocOf(doc), bytes, indirect));
}

CosObj NewString(Handle doc, const std::string& bytes, bool indirect) {
  const NodeId id = Store().NewNode(CosDocOf(doc), kCosString, indirect);
  Store().At(id).text = bytes;
  return Obj(id);
}

CosObj NewDict(Handle doc, bool indirect) {
  return Obj(Store().NewNode(CosDocOf(doc), kCosDict, indirect));
}

CosObj NewArray(Handle doc, bool indirect) {
  return Obj(Store().NewNode(CosDocOf(doc), kCosArray, indirect));
}

CosObj NewStream(Handle doc, const std::string& data, CosObj dict) {
  ObjectStore& store = Store();
  const Handle cos = CosDocOf(doc);
  NodeId streamDict = Id(dict);
  if (streamDict == kNullNode) {
    streamDict = store.NewNode(cos, kCosDict, false);
  } else {
    const Node& node = store.Expect(streamDict, kCosDict);
    if (node.doc != cos || node.number != 0 || node.ofStream) throw HostError(kErrBadParameter);
  }
  const NodeId stream = store.NewNode(cos, kCosStream, true);
  store.At(stream).dict = streamDict;
  store.At(stream).data = data;
  store.At(streamDict).ofStream = true;
  store.DictPut(streamDict, "Length",
                store.NewInteger(cos, static_cast<int64_t>(data.size()), false));
  return Obj(stream);
}

void DictSet(CosObj dict, const std::string& key, CosObj value) {
  Store().DictPut(Id(dict), key, Id(value));
}

void DictRemove(CosObj dict, const std::string& key) {
  Store().DictPut(Id(dict), key, kNullNode);
}

void ArrayAppend(CosObj array, CosObj value) {
  const NodeId id = Id(array);
  Store().ArrayPut(id, Store().Expect(id, kCosArray).items.size(), Id(value));
}

ASFixed FixedFromDouble(double value) {
  ASFixed fixed;
  if (!ToFixed(value, &fixed)) throw HostError(kErrBadParameter);
  return fixed;
}

double FixedToDouble(ASFixed value) {
  return FromFixed(value);
}

FixedRect PageRect(double left, double bottom, double right, double top) {
  return FixedRect{FixedFromDouble(left), FixedFromDouble(top), FixedFromDouble(right),
                   FixedFromDouble(bottom)};
}

}  // namespace refhost
