// The host's object store: every low-level PDF object of every open document, direct or
// indirect, lives here as a node. A CosObj handed out is two words, the node's stamp and
// its index; the store checks both on every use, so a forged or stale CosObj is refused
// with kErrBadObject instead of reaching memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HostAbi.h"
#include "Objects.h"

namespace refhost {

typedef uint32_t NodeId;  // index of a node; 0 is the null object
constexpr NodeId kNullNode = 0;

struct DictEntry {
  std::string key;  // the name's bytes, without the slash
  NodeId value;
};

// Stream data that stays where it was found (a region of the PDF file a document was
// opened from) and is read only when the stream is read. ReadAt fills all `bytes` or
// throws HostError: data that cannot be read as it was at the opening is refused.
class StoredData {
 public:
  virtual ~StoredData() = default;
  virtual void ReadAt(uint64_t offset, char* buffer, size_t bytes) const = 0;
};

struct Node {
  uint32_t stamp = 0;  // 0 marks a free slot
  Handle doc = nullptr;
  int32_t number = 0;  // object number of an indirect object; 0 for a direct one
  int type = kCosNull;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0;
  std::string text;                // name or string bytes; a real's text as written
  std::vector<NodeId> items;       // array
  std::vector<DictEntry> entries;  // dictionary, in insertion order
  NodeId dict = kNullNode;         // a stream's dictionary (direct)
  std::string data;                // a stream's data as stored, encoded through its filters
  // Or, for a stream read from a file, where that data lies: `sourceSize` bytes from
  // `sourceOffset` of `source` (then `data` stays empty).
  std::shared_ptr<const StoredData> source;
  uint64_t sourceOffset = 0;
  uint64_t sourceSize = 0;
  bool ofStream = false;  // this dictionary is a stream's dictionary
};

class ObjectStore {
 public:
  ObjectStore();

  // --- Object stores of documents (CosDoc) -----------------------------------------
  Handle NewCosDoc(Handle pdDoc);
  // Frees every object of the document; CosObj values of them become stale.
  void CloseCosDoc(Handle cosDoc);
  bool IsCosDoc(Handle cosDoc) const { return docs_.count(cosDoc) != 0; }
  void CheckCosDoc(Handle cosDoc) const;  // throws kErrBadParameter
  Handle PdDocOf(Handle cosDoc) const;
  // Objects loaded from a file keep their numbers; new ones continue after the highest.
  void ReserveNumber(Handle cosDoc, int32_t number);

  // A fresh stamp, unique among every stamp handed out: the first word of a CosObj, and of
  // every PDAnnot of one document.
  uint32_t NewStamp();

  // --- Nodes -----------------------------------------------------------------------
  NodeId Resolve(CosObj obj) const;  // throws kErrBadObject
  CosObj ToCosObj(NodeId id) const;
  Node& At(NodeId id) { return nodes_[id]; }
  const Node& At(NodeId id) const { return nodes_[id]; }
  // A new node of `type` in the document; an indirect one gets the next object number,
  // or `number` when it is not 0.
  NodeId NewNode(Handle cosDoc, int type, bool indirect, int32_t number = 0);
  NodeId NewInteger(Handle cosDoc, int64_t value, bool indirect);
  NodeId NewReal(Handle cosDoc, double value, bool indirect);
  NodeId NewName(Handle cosDoc, const std::string& bytes, bool indirect);

  // --- Typed access (throw kErrTypeMismatch on the wrong type) ----------------------
  Node& Expect(NodeId id, int type);
  // The dictionary of a dictionary or of a stream.
  NodeId DictOf(NodeId id) const;
  NodeId DictGet(NodeId dict, const std::string& key) const;  // kNullNode when absent
  // Puts `value` under `key` (a replaced key keeps its place); the null object removes
  // the key. Refuses objects of another document and direct objects that would contain
  // themselves.
  void DictPut(NodeId dict, const std::string& key, NodeId value);
  void ArrayInsert(NodeId array, int64_t position, NodeId value);
  void ArrayPut(NodeId array, int64_t index, NodeId value);
  // A number as a double (integer or real); throws kErrTypeMismatch otherwise.
  double NumberOf(NodeId id) const;
  // A stream's stored (encoded) data, wherever it is kept: its size, `bytes` of it from
  // `offset` (within the size), or all of it.
  uint64_t StoredSize(NodeId stream) const;
  void ReadStored(NodeId stream, uint64_t offset, char* buffer, size_t bytes) const;
  std::string StoredBytes(NodeId stream) const;
  // Data of a stream decoded through its filters; kErrUnknownFilter for a filter this
  // host cannot apply.
  std::string DecodedData(NodeId stream) const;
  // `data` encoded through the filters that the stream dictionary `dict` names.
  std::string EncodedData(NodeId dict, std::string data) const;
  bool NamesFilter(NodeId dict) const { return DictGet(dict, "Filter") != kNullNode; }

  size_t LiveNodes() const { return nodes_.size() - 1 - free_.size(); }

 private:
  struct CosDocRecord {
    Handle pdDoc;
    int32_t nextNumber = 1;
    std::vector<NodeId> nodes;
  };
  void CheckInsertable(NodeId container, NodeId value) const;
  // How many FlateDecode passes the dictionary's Filter names; kErrUnknownFilter when it
  // names anything else or asks for a predictor.
  int FlatePasses(NodeId dict) const;

  std::vector<Node> nodes_;
  std::vector<NodeId> free_;
  std::map<Handle, CosDocRecord> docs_;
  uint32_t stampCounter_ = 0x1000;
};

// The live host's object store, and the conversions its users make all the time.
ObjectStore& CurrentObjects();
inline NodeId Id(CosObj obj) {
  return CurrentObjects().Resolve(obj);
}
inline CosObj Obj(NodeId id) {
  return CurrentObjects().ToCosObj(id);
}

}  // namespace refhost
