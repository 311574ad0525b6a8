// The Cos table: the low-level object layer over the host's object store.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "Host.h"
#include "ObjectStore.h"
#include "StreamStore.h"

namespace refhost {
namespace {

ObjectStore& Store() {
  return CurrentObjects();
}

std::string KeyOf(ASAtom key) {
  const char* text = Host::Current().AtomText(key);
  if (text == nullptr) throw HostError(kErrBadParameter);
  return text;
}

std::string KeyOf(const char* key) {
  if (key == nullptr) throw HostError(kErrBadParameter);
  return key;
}

Handle CheckedDoc(Handle doc) {
  Store().CheckCosDoc(doc);
  return doc;
}

// How much room a caller may ask to reserve up front; more is simply not reserved.
constexpr ASInt32 kMaxRoom = 1 << 16;

ASInt32 CosObjGetType(CosObj obj) {
  return Store().At(Id(obj)).type;
}

CosObj CosNewNull() {
  return CosObj{0, 0};
}

CosObj CosNewInteger(Handle doc, ASBool indirect, ASInt32 value) {
  return Obj(Store().NewInteger(CheckedDoc(doc), value, indirect != 0));
}

CosObj CosNewArray(Handle doc, ASBool indirect, ASInt32 room) {
  if (room < 0) throw HostError(kErrBadParameter);
  const NodeId id = Store().NewNode(CheckedDoc(doc), kCosArray, indirect != 0);
  Store().At(id).items.reserve(std::min(room, kMaxRoom));
  return Obj(id);
}

CosObj CosNewDict(Handle doc, ASBool indirect, ASInt32 room) {
  if (room < 0) throw HostError(kErrBadParameter);
  const NodeId id = Store().NewNode(CheckedDoc(doc), kCosDict, indirect != 0);
  Store().At(id).entries.reserve(std::min(room, kMaxRoom));
  return Obj(id);
}

CosObj CosNewName(Handle doc, ASBool indirect, ASAtom name) {
  return Obj(Store().NewName(CheckedDoc(doc), KeyOf(name), indirect != 0));
}

CosObj CosNewNameFromString(Handle doc, ASBool indirect, const char* text) {
  if (text == nullptr) throw HostError(kErrBadParameter);
  return Obj(Store().NewName(CheckedDoc(doc), text, indirect != 0));
}

// Pulls the stream's data from the caller's read stream into the store: the host keeps
// the one copy. A source that ends before `sourceLength` bytes is a read failure, not a
// shorter stream.
CosObj CosNewStream(Handle doc, ASBool indirect, Handle source, ASInt32 sourceStart,
                    ASBool sourceIsEncoded, CosObj attributes, CosObj decodeParams,
                    ASInt32 sourceLength) {
  ObjectStore& store = Store();
  StreamStore& streams = Host::Current().streams();
  CheckedDoc(doc);
  if (indirect == 0 || sourceStart < -1 || sourceLength < -1) throw HostError(kErrBadParameter);
  const NodeId dict = store.Resolve(attributes);
  if (dict != kNullNode) {
    if (store.At(dict).type != kCosDict) throw HostError(kErrTypeMismatch);
    // A stream's dictionary belongs to that stream alone: its Length describes its data.
    if (store.At(dict).doc != doc || store.At(dict).number != 0 || store.At(dict).ofStream)
      throw HostError(kErrBadParameter);
  }
  const NodeId params = store.Resolve(decodeParams);
  if (params != kNullNode) {
    const int type = store.At(params).type;
    if (type != kCosDict && type != kCosArray) throw HostError(kErrTypeMismatch);
    if (store.At(params).doc != doc) throw HostError(kErrBadParameter);
  }

  if (sourceStart >= 0) streams.Seek(source, static_cast<uint64_t>(sourceStart));
  std::string data;
  const uint64_t wanted =
      sourceLength < 0 ? std::numeric_limits<uint64_t>::max() : static_cast<uint64_t>(sourceLength);
  // Room for what the source is known to hold, so a large scene is not copied again each
  // time the data outgrows its room; a length the source cannot fill reserves no more.
  const uint64_t room =
      std::min<uint64_t>({wanted, streams.KnownRemaining(source),
                          static_cast<uint64_t>(std::numeric_limits<ASInt32>::max()) + 1});
  data.reserve(static_cast<size_t>(room));
  char chunk[64 * 1024];
  while (data.size() < wanted) {
    const size_t ask = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, wanted - data.size()));
    const size_t got = streams.Read(source, chunk, ask);
    if (got == 0) break;
    data.append(chunk, got);
    if (data.size() > static_cast<size_t>(std::numeric_limits<ASInt32>::max()))
      throw HostError(kErrFileTooBig);
  }
  if (sourceLength >= 0 && data.size() < wanted) throw HostError(kErrFileRead);

  const NodeId streamDict = dict != kNullNode ? dict : store.NewNode(doc, kCosDict, false);
  if (params != kNullNode) store.DictPut(streamDict, "DecodeParms", params);
  if (sourceIsEncoded == 0 && store.NamesFilter(streamDict))
    data = store.EncodedData(streamDict, std::move(data));
  const NodeId length = store.NewInteger(doc, static_cast<int64_t>(data.size()), false);
  const NodeId stream = store.NewNode(doc, kCosStream, true);
  store.At(stream).dict = streamDict;
  store.At(stream).data = std::move(data);
  store.At(streamDict).ofStream = true;
  store.DictPut(streamDict, "Length", length);
  return Obj(stream);
}

ASInt32 CosIntegerValue(CosObj obj) {
  const Node& node = Store().At(Id(obj));
  if (node.type == kCosInteger && node.integer >= std::numeric_limits<ASInt32>::min() &&
      node.integer <= std::numeric_limits<ASInt32>::max())
    return static_cast<ASInt32>(node.integer);
  throw HostError(kErrTypeMismatch);
}

ASAtom CosNameValue(CosObj obj) {
  const Node& node = Store().At(Id(obj));
  if (node.type != kCosName) throw HostError(kErrTypeMismatch);
  // A name with a zero byte has no atom: its text would be cut short.
  if (node.text.find('\0') != std::string::npos) throw HostError(kErrBadParameter);
  return Host::Current().Atom(node.text.c_str());
}

CosObj CosDictGet(CosObj dict, ASAtom key) {
  return Obj(Store().DictGet(Id(dict), KeyOf(key)));
}
void CosDictPut(CosObj dict, ASAtom key, CosObj value) {
  Store().DictPut(Id(dict), KeyOf(key), Id(value));
}
ASBool CosDictKnown(CosObj dict, ASAtom key) {
  return Store().DictGet(Id(dict), KeyOf(key)) != kNullNode;
}
CosObj CosDictGetKeyString(CosObj dict, const char* key) {
  return Obj(Store().DictGet(Id(dict), KeyOf(key)));
}
ASBool CosDictKnownKeyString(CosObj dict, const char* key) {
  return Store().DictGet(Id(dict), KeyOf(key)) != kNullNode;
}
void CosDictPutKeyString(CosObj dict, const char* key, CosObj value) {
  Store().DictPut(Id(dict), KeyOf(key), Id(value));
}

void CosArrayInsert(CosObj array, ASInt32 position, CosObj value) {
  Store().ArrayInsert(Id(array), position, Id(value));
}
void CosArrayPut(CosObj array, ASInt32 index, CosObj value) {
  Store().ArrayPut(Id(array), index, Id(value));
}

CosObj CosStreamDict(CosObj stream) {
  return Obj(Store().Expect(Id(stream), kCosStream).dict);
}

// How many FlateDecode passes the stream dictionary's Filter names, as ObjectStore decodes
// them: Filter is a name or an array of names, DecodeParms the matching dictionary or
// array. kErrUnknownFilter for any other filter and for a predictor, which is not
// implemented (undecoded bytes are never handed out).
int FlateDecodePasses(const ObjectStore& store, NodeId dict) {
  const NodeId filter = store.DictGet(dict, "Filter");
  if (filter == kNullNode) return 0;
  std::vector<NodeId> filters;
  if (store.At(filter).type == kCosArray)
    filters = store.At(filter).items;
  else
    filters.push_back(filter);
  for (NodeId name : filters)
    if (store.At(name).type != kCosName || store.At(name).text != "FlateDecode")
      throw HostError(kErrUnknownFilter);
  // This host inflates and nothing more, so a predictor in any parameter dictionary (one
  // for the filter, one per filter in an array, or either form given for the other)
  // means the bytes cannot be decoded here; they are refused rather than handed out half
  // decoded.
  const NodeId parms = store.DictGet(dict, "DecodeParms");
  std::vector<NodeId> params;
  if (parms != kNullNode && store.At(parms).type == kCosArray)
    params = store.At(parms).items;
  else if (parms != kNullNode)
    params.push_back(parms);
  for (NodeId parm : params) {
    if (store.At(parm).type != kCosDict) continue;
    const NodeId predictor = store.DictGet(parm, "Predictor");
    if (predictor != kNullNode &&
        (store.At(predictor).type != kCosInteger || store.At(predictor).integer != 1))
      throw HostError(kErrUnknownFilter);
  }
  return static_cast<int>(filters.size());
}

// Mode 0 reads the stored bytes; modes 1 and 2 read them decoded through the filters, as
// they are read, so a stream of any decoded size reads in fixed memory.
Handle CosStreamOpenStm(CosObj stream, ASInt32 mode) {
  ObjectStore& store = Store();
  const NodeId id = store.Resolve(stream);
  const Node& node = store.Expect(id, kCosStream);
  if (mode < 0 || mode > 2) throw HostError(kErrBadParameter);
  StreamStore& streams = Host::Current().streams();
  const int passes = mode == 0 ? 0 : FlateDecodePasses(store, node.dict);
  if (passes == 0) return streams.OpenObject(stream);
  return streams.OpenDecoded(stream, passes);
}

}  // namespace

void InstallCosOperations(Host& host) {
  using namespace slot;
  host.Install<Table::Cos, Cos::CosObjGetType, &CosObjGetType>();
  host.Install<Table::Cos, Cos::CosNewNull, &CosNewNull>();
  host.Install<Table::Cos, Cos::CosNewInteger, &CosNewInteger>();
  host.Install<Table::Cos, Cos::CosNewArray, &CosNewArray>();
  host.Install<Table::Cos, Cos::CosNewDict, &CosNewDict>();
  host.Install<Table::Cos, Cos::CosNewStream, &CosNewStream>();
  host.Install<Table::Cos, Cos::CosIntegerValue, &CosIntegerValue>();
  host.Install<Table::Cos, Cos::CosNameValue, &CosNameValue>();
  host.Install<Table::Cos, Cos::CosDictGet, &CosDictGet>();
  host.Install<Table::Cos, Cos::CosDictPut, &CosDictPut>();
  host.Install<Table::Cos, Cos::CosDictKnown, &CosDictKnown>();
  host.Install<Table::Cos, Cos::CosArrayInsert, &CosArrayInsert>();
  host.Install<Table::Cos, Cos::CosArrayPut, &CosArrayPut>();
  host.Install<Table::Cos, Cos::CosStreamDict, &CosStreamDict>();
  host.Install<Table::Cos, Cos::CosStreamOpenStm, &CosStreamOpenStm>();
  host.Install<Table::Cos, Cos::CosDictGetKeyString, &CosDictGetKeyString>();
  host.Install<Table::Cos, Cos::CosDictKnownKeyString, &CosDictKnownKeyString>();
  host.Install<Table::Cos, Cos::CosDictPutKeyString, &CosDictPutKeyString>();
  host.Install<Table::Cos, Cos::CosNewName, &CosNewName>();
  host.Install<Table::Cos, Cos::CosNewNameFromString, &CosNewNameFromString>();
}

}  // namespace refhost
