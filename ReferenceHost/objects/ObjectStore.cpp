#include "ObjectStore.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "Host.h"
#include "StreamFilters.h"

namespace refhost {

ObjectStore& CurrentObjects() {
  return Host::Current().objects();
}

ObjectStore::ObjectStore() : nodes_(1) {}  // node 0: the null object

Handle ObjectStore::NewCosDoc(Handle pdDoc) {
  const Handle cosDoc = Host::Current().NewHandle();
  docs_[cosDoc].pdDoc = pdDoc;
  return cosDoc;
}

void ObjectStore::CloseCosDoc(Handle cosDoc) {
  auto found = docs_.find(cosDoc);
  if (found == docs_.end()) throw HostError(kErrBadParameter);
  for (NodeId id : found->second.nodes) {
    nodes_[id] = Node();
    free_.push_back(id);
  }
  docs_.erase(found);
}

void ObjectStore::CheckCosDoc(Handle cosDoc) const {
  if (docs_.count(cosDoc) == 0) throw HostError(kErrBadParameter);
}

Handle ObjectStore::PdDocOf(Handle cosDoc) const {
  auto found = docs_.find(cosDoc);
  return found == docs_.end() ? nullptr : found->second.pdDoc;
}

void ObjectStore::ReserveNumber(Handle cosDoc, int32_t number) {
  CosDocRecord& doc = docs_.at(cosDoc);
  if (number >= doc.nextNumber) doc.nextNumber = number + 1;
}

uint32_t ObjectStore::NewStamp() {
  // An odd multiplier spreads consecutive counts over the whole word, so a stamp is
  // unlikely to equal a small number a caller forged.
  uint32_t stamp = 0;
  while (stamp == 0) stamp = ++stampCounter_ * 0x9E3779B1u;
  return stamp;
}

NodeId ObjectStore::Resolve(CosObj obj) const {
  if (obj.a == 0 && obj.b == 0) return kNullNode;
  if (obj.b == 0 || obj.b >= nodes_.size() || nodes_[obj.b].stamp == 0 ||
      nodes_[obj.b].stamp != obj.a)
    throw HostError(kErrBadObject);
  return obj.b;
}

CosObj ObjectStore::ToCosObj(NodeId id) const {
  if (id == kNullNode) return CosObj{0, 0};
  return CosObj{nodes_[id].stamp, id};
}

NodeId ObjectStore::NewNode(Handle cosDoc, int type, bool indirect, int32_t number) {
  auto found = docs_.find(cosDoc);
  if (found == docs_.end()) throw HostError(kErrBadParameter);
  CosDocRecord& doc = found->second;
  if (indirect && number == 0) {
    if (doc.nextNumber == std::numeric_limits<int32_t>::max()) throw HostError(kErrNoMemory);
    number = doc.nextNumber++;
  } else if (indirect) {
    ReserveNumber(cosDoc, number);
  }
  NodeId id;
  if (!free_.empty()) {
    id = free_.back();
    free_.pop_back();
  } else {
    if (nodes_.size() >= std::numeric_limits<NodeId>::max()) throw HostError(kErrNoMemory);
    nodes_.emplace_back();
    id = static_cast<NodeId>(nodes_.size() - 1);
  }
  doc.nodes.push_back(id);
  Node& node = nodes_[id];
  node.stamp = NewStamp();
  node.doc = cosDoc;
  node.number = indirect ? number : 0;
  node.type = type;
  return id;
}

NodeId ObjectStore::NewInteger(Handle cosDoc, int64_t value, bool indirect) {
  const NodeId id = NewNode(cosDoc, kCosInteger, indirect);
  nodes_[id].integer = value;
  return id;
}

NodeId ObjectStore::NewReal(Handle cosDoc, double value, bool indirect) {
  if (!std::isfinite(value)) throw HostError(kErrBadParameter);
  const NodeId id = NewNode(cosDoc, kCosReal, indirect);
  char text[512];  // "%.6f" of the largest double has 316 characters
  std::snprintf(text, sizeof text, "%.6f", value);
  // The text is what a saved file shows: no trailing zeros, no "-0".
  std::string written = text;
  while (!written.empty() && written.back() == '0') written.pop_back();
  if (!written.empty() && written.back() == '.') written.pop_back();
  if (written == "-0") written = "0";
  nodes_[id].real = value;
  nodes_[id].text = written;
  return id;
}

NodeId ObjectStore::NewName(Handle cosDoc, const std::string& bytes, bool indirect) {
  const NodeId id = NewNode(cosDoc, kCosName, indirect);
  nodes_[id].text = bytes;
  return id;
}

Node& ObjectStore::Expect(NodeId id, int type) {
  if (nodes_[id].type != type) throw HostError(kErrTypeMismatch);
  return nodes_[id];
}

NodeId ObjectStore::DictOf(NodeId id) const {
  const Node& node = nodes_[id];
  if (node.type == kCosDict) return id;
  if (node.type == kCosStream) return node.dict;
  throw HostError(kErrTypeMismatch);
}

NodeId ObjectStore::DictGet(NodeId dict, const std::string& key) const {
  for (const DictEntry& entry : nodes_[DictOf(dict)].entries)
    if (entry.key == key) return entry.value;
  return kNullNode;
}

void ObjectStore::CheckInsertable(NodeId container, NodeId value) const {
  if (value == kNullNode) return;
  if (nodes_[value].doc != nodes_[container].doc) throw HostError(kErrBadParameter);
  // Only direct objects can make a cycle that a writer would follow for ever: look for
  // the container among the direct objects inside the value.
  if (nodes_[value].number != 0 || nodes_[container].number != 0) return;
  std::vector<NodeId> pending{value};
  while (!pending.empty()) {
    const NodeId id = pending.back();
    pending.pop_back();
    if (id == container) throw HostError(kErrBadParameter);
    const Node& node = nodes_[id];
    if (id != value && node.number != 0) continue;
    for (NodeId item : node.items) pending.push_back(item);
    for (const DictEntry& entry : node.entries) pending.push_back(entry.value);
  }
}

void ObjectStore::DictPut(NodeId dict, const std::string& key, NodeId value) {
  const NodeId target = DictOf(dict);
  CheckInsertable(target, value);
  std::vector<DictEntry>& entries = nodes_[target].entries;
  for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
    if (entry->key != key) continue;
    if (value == kNullNode)
      entries.erase(entry);
    else
      entry->value = value;
    return;
  }
  if (value != kNullNode) entries.push_back({key, value});
}

void ObjectStore::ArrayInsert(NodeId array, int64_t position, NodeId value) {
  Node& node = Expect(array, kCosArray);
  if (position < 0 || position > static_cast<int64_t>(node.items.size()))
    throw HostError(kErrBadParameter);
  CheckInsertable(array, value);
  node.items.insert(node.items.begin() + position, value);
}

void ObjectStore::ArrayPut(NodeId array, int64_t index, NodeId value) {
  Node& node = Expect(array, kCosArray);
  if (index < 0 || index > static_cast<int64_t>(node.items.size()))
    throw HostError(kErrBadParameter);
  CheckInsertable(array, value);
  if (index == static_cast<int64_t>(node.items.size()))
    node.items.push_back(value);
  else
    node.items[index] = value;
}

double ObjectStore::NumberOf(NodeId id) const {
  const Node& node = nodes_[id];
  if (node.type == kCosInteger) return static_cast<double>(node.integer);
  if (node.type == kCosReal) return node.real;
  throw HostError(kErrTypeMismatch);
}

int ObjectStore::FlatePasses(NodeId dict) const {
  // Filter is a name or an array of names; DecodeParms the matching dictionary or array.
  const NodeId filter = DictGet(dict, "Filter");
  const NodeId parms = DictGet(dict, "DecodeParms");
  std::vector<NodeId> filters, params;
  if (filter == kNullNode) return 0;
  if (nodes_[filter].type == kCosArray) {
    filters = nodes_[filter].items;
    if (parms != kNullNode && nodes_[parms].type == kCosArray) params = nodes_[parms].items;
  } else {
    filters.push_back(filter);
    params.push_back(parms);
  }
  for (size_t i = 0; i < filters.size(); ++i) {
    const Node& name = nodes_[filters[i]];
    if (name.type != kCosName || name.text != "FlateDecode") throw HostError(kErrUnknownFilter);
    // Predictors are not implemented: refuse rather than hand out undecoded bytes.
    const NodeId parm = i < params.size() ? params[i] : kNullNode;
    if (parm != kNullNode && nodes_[parm].type == kCosDict) {
      const NodeId predictor = DictGet(parm, "Predictor");
      if (predictor != kNullNode &&
          (nodes_[predictor].type != kCosInteger || nodes_[predictor].integer != 1))
        throw HostError(kErrUnknownFilter);
    }
  }
  return static_cast<int>(filters.size());
}

uint64_t ObjectStore::StoredSize(NodeId stream) const {
  const Node& node = nodes_[stream];
  return node.source ? node.sourceSize : node.data.size();
}

void ObjectStore::ReadStored(NodeId stream, uint64_t offset, char* buffer, size_t bytes) const {
  const Node& node = nodes_[stream];
  if (offset > StoredSize(stream) || bytes > StoredSize(stream) - offset)
    throw HostError(kErrBadParameter);
  if (node.source)
    node.source->ReadAt(node.sourceOffset + offset, buffer, bytes);
  else if (bytes != 0)
    std::memcpy(buffer, node.data.data() + offset, bytes);
}

std::string ObjectStore::StoredBytes(NodeId stream) const {
  const Node& node = nodes_[stream];
  if (!node.source) return node.data;
  if (node.sourceSize > std::numeric_limits<size_t>::max()) throw HostError(kErrNoMemory);
  std::string data(static_cast<size_t>(node.sourceSize), '\0');
  if (!data.empty()) ReadStored(stream, 0, &data[0], data.size());
  return data;
}

std::string ObjectStore::DecodedData(NodeId stream) const {
  const Node& node = nodes_[stream];
  if (node.type != kCosStream) throw HostError(kErrTypeMismatch);
  const int passes = FlatePasses(node.dict);
  if (passes == 0) return StoredBytes(stream);
  std::string data = FlateDecode(StoredBytes(stream));
  for (int i = 1; i < passes; ++i) data = FlateDecode(data);
  return data;
}

std::string ObjectStore::EncodedData(NodeId dict, std::string data) const {
  const int passes = FlatePasses(dict);
  for (int i = 0; i < passes; ++i) data = FlateEncode(data);
  return data;
}

}  // namespace refhost
