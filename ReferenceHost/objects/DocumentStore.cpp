#include "DocumentStore.h"

#include <algorithm>
#include <cmath>

#include "Geometry.h"
#include "Host.h"

namespace refhost {
namespace {

constexpr int kMaxPages = 100000;
constexpr int kMaxTreeDepth = 64;  // page-tree levels followed for inherited entries
const Box kLetter{0, 0, 612, 792};

// A number written the way a PDF writer would: an integer when it is one.
NodeId NumberNode(ObjectStore& objects, Handle cosDoc, double value) {
  if (std::floor(value) == value && std::fabs(value) < 2147483648.0)
    return objects.NewInteger(cosDoc, static_cast<int64_t>(value), false);
  return objects.NewReal(cosDoc, value, false);
}

NodeId RectArray(ObjectStore& objects, Handle cosDoc, const Box& box) {
  const NodeId array = objects.NewNode(cosDoc, kCosArray, false);
  for (double value : {box.left, box.bottom, box.right, box.top})
    objects.ArrayPut(array, objects.At(array).items.size(), NumberNode(objects, cosDoc, value));
  return array;
}

// Four finite numbers, normalised; false when the object is anything else.
bool ReadBox(const ObjectStore& objects, NodeId id, Box* box) {
  const Node& node = objects.At(id);
  if (node.type != kCosArray || node.items.size() != 4) return false;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    const Node& item = objects.At(node.items[i]);
    if (item.type != kCosInteger && item.type != kCosReal) return false;
    v[i] = objects.NumberOf(node.items[i]);
    if (!std::isfinite(v[i])) return false;
  }
  *box =
      Box{std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
  return true;
}

}  // namespace

DocumentStore::~DocumentStore() = default;

const DocumentStore::Document& DocumentStore::DocOf(Handle doc) const {
  auto found = docs_.find(doc);
  if (found == docs_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

const DocumentStore::PageRecord& DocumentStore::PageOf(Handle page) const {
  auto found = pages_.find(page);
  if (found == pages_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

void DocumentStore::CheckDocument(Handle doc) const {
  DocOf(doc);
}

Handle DocumentStore::NewEmptyDocument() {
  const Handle doc = Host::Current().NewHandle();
  Document record;
  record.cosDoc = objects_.NewCosDoc(doc);
  record.annotStamp = objects_.NewStamp();
  docs_.emplace(doc, std::move(record));
  order_.push_back(doc);
  return doc;
}

Handle DocumentStore::NewDocument(int pageCount, const Box& mediaBox) {
  if (pageCount < 0 || pageCount > kMaxPages) throw HostError(kErrBadParameter);
  const Handle doc = NewEmptyDocument();
  const Handle cos = CosDocOf(doc);
  const NodeId catalog = objects_.NewNode(cos, kCosDict, true);
  const NodeId tree = objects_.NewNode(cos, kCosDict, true);
  const NodeId kids = objects_.NewNode(cos, kCosArray, false);
  objects_.DictPut(catalog, "Type", objects_.NewName(cos, "Catalog", false));
  objects_.DictPut(catalog, "Pages", tree);
  objects_.DictPut(tree, "Type", objects_.NewName(cos, "Pages", false));
  objects_.DictPut(tree, "Kids", kids);
  objects_.DictPut(tree, "Count", objects_.NewInteger(cos, pageCount, false));
  std::vector<NodeId> pages;
  for (int i = 0; i < pageCount; ++i) {
    const NodeId page = objects_.NewNode(cos, kCosDict, true);
    objects_.DictPut(page, "Type", objects_.NewName(cos, "Page", false));
    objects_.DictPut(page, "Parent", tree);
    objects_.DictPut(page, "MediaBox", RectArray(objects_, cos, mediaBox));
    objects_.DictPut(page, "Resources", objects_.NewNode(cos, kCosDict, false));
    objects_.ArrayPut(kids, i, page);
    pages.push_back(page);
  }
  SetStructure(doc, catalog, kNullNode, pages);
  return doc;
}

void DocumentStore::SetStructure(Handle doc, NodeId catalog, NodeId info,
                                 const std::vector<NodeId>& pages) {
  auto found = docs_.find(doc);
  if (found == docs_.end()) throw HostError(kErrBadParameter);
  Document& record = found->second;
  record.catalog = catalog;
  record.info = info;
  for (Handle page : record.pages) pages_.erase(page);
  record.pages.clear();
  for (NodeId node : pages) {
    const Handle page = Host::Current().NewHandle();
    pages_.emplace(page, PageRecord{doc, node});
    record.pages.push_back(page);
  }
}

void DocumentStore::Close(Handle doc) {
  auto found = docs_.find(doc);
  if (found == docs_.end()) throw HostError(kErrBadParameter);
  for (const auto& annot : found->second.annotIndex) annots_[annot.second].stamp = 0;
  for (Handle page : found->second.pages) pages_.erase(page);
  objects_.CloseCosDoc(found->second.cosDoc);
  docs_.erase(found);
  order_.erase(std::find(order_.begin(), order_.end(), doc));
}

Handle DocumentStore::CosDocOf(Handle doc) const {
  return DocOf(doc).cosDoc;
}
NodeId DocumentStore::Catalog(Handle doc) const {
  return DocOf(doc).catalog;
}
NodeId DocumentStore::Info(Handle doc) const {
  return DocOf(doc).info;
}

void DocumentStore::SetPdfVersion(Handle doc, const std::string& version) {
  DocOf(doc);
  docs_[doc].pdfVersion = version;
}

int DocumentStore::PageCount(Handle doc) const {
  return static_cast<int>(DocOf(doc).pages.size());
}

Handle DocumentStore::Page(Handle doc, int index) const {
  const Document& record = DocOf(doc);
  if (index < 0 || index >= static_cast<int>(record.pages.size()))
    throw HostError(kErrBadParameter);
  return record.pages[index];
}

Handle DocumentStore::PageDoc(Handle page) const {
  return PageOf(page).doc;
}
NodeId DocumentStore::PageNode(Handle page) const {
  return PageOf(page).node;
}

int DocumentStore::PageIndex(Handle page) const {
  const std::vector<Handle>& pages = DocOf(PageOf(page).doc).pages;
  return static_cast<int>(std::find(pages.begin(), pages.end(), page) - pages.begin());
}

Box DocumentStore::MediaBox(Handle page) const {
  NodeId node = PageOf(page).node;
  for (int level = 0; level < kMaxTreeDepth && objects_.At(node).type == kCosDict; ++level) {
    const NodeId box = objects_.DictGet(node, "MediaBox");
    if (box != kNullNode) {
      Box result;
      return ReadBox(objects_, box, &result) ? result : kLetter;
    }
    node = objects_.DictGet(node, "Parent");
  }
  return kLetter;
}

NodeId DocumentStore::AnnotsArray(Handle page, bool create) {
  const PageRecord& record = PageOf(page);
  const NodeId annots = objects_.DictGet(record.node, "Annots");
  if (annots == kNullNode) {
    if (!create) return kNullNode;
    const NodeId array = objects_.NewNode(CosDocOf(record.doc), kCosArray, false);
    objects_.DictPut(record.node, "Annots", array);
    return array;
  }
  if (objects_.At(annots).type != kCosArray) {
    if (!create) return kNullNode;
    throw HostError(kErrBadParameter);  // a hostile Annots entry is not overwritten
  }
  return annots;
}

PDAnnot DocumentStore::AnnotFor(Handle doc, NodeId node) {
  Document& record = docs_.at(doc);
  auto found = record.annotIndex.find(node);
  if (found != record.annotIndex.end()) {
    const AnnotRecord& annot = annots_[found->second];
    return PDAnnot{annot.stamp, found->second};
  }
  if (annots_.size() >= 0xFFFFFFFFu) throw HostError(kErrNoMemory);
  const uint32_t index = static_cast<uint32_t>(annots_.size());
  annots_.push_back(AnnotRecord{record.annotStamp, doc, node});
  record.annotIndex.emplace(node, index);
  return PDAnnot{annots_.back().stamp, index};
}

PDAnnot DocumentStore::AddAnnot(Handle page, const std::string& subtype, const FixedRect& rect,
                                int addAfter) {
  const PageRecord& record = PageOf(page);
  const Handle cos = CosDocOf(record.doc);
  // Where in the Annots array: entries that are no annotation dictionary are not counted.
  const NodeId existing = AnnotsArray(page, false);
  int64_t position = 0;
  if (addAfter == -2) {
    position = existing == kNullNode ? 0 : static_cast<int64_t>(objects_.At(existing).items.size());
  } else if (addAfter != -1) {
    if (addAfter < 0 || existing == kNullNode) throw HostError(kErrBadParameter);
    const std::vector<NodeId>& items = objects_.At(existing).items;
    int seen = -1;
    for (position = 0; position < static_cast<int64_t>(items.size()) && seen < addAfter; ++position)
      seen += objects_.At(items[static_cast<size_t>(position)]).type == kCosDict;
    if (seen < addAfter) throw HostError(kErrBadParameter);
  }
  const NodeId annots = AnnotsArray(page, true);
  const double x0 = FromFixed(rect.left), x1 = FromFixed(rect.right);
  const double y0 = FromFixed(rect.bottom), y1 = FromFixed(rect.top);
  const Box box{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
  const NodeId dict = objects_.NewNode(cos, kCosDict, true);
  objects_.DictPut(dict, "Type", objects_.NewName(cos, "Annot", false));
  objects_.DictPut(dict, "Subtype", objects_.NewName(cos, subtype, false));
  objects_.DictPut(dict, "Rect", RectArray(objects_, cos, box));
  objects_.ArrayInsert(annots, position, dict);
  return AnnotFor(record.doc, dict);
}

std::vector<PDAnnot> DocumentStore::Annots(Handle page) {
  const PageRecord& record = PageOf(page);
  std::vector<PDAnnot> result;
  const NodeId annots = AnnotsArray(page, false);
  if (annots == kNullNode) return result;
  for (NodeId item : objects_.At(annots).items)
    if (objects_.At(item).type == kCosDict) result.push_back(AnnotFor(record.doc, item));
  return result;
}

void DocumentStore::RemoveAnnot(Handle page, PDAnnot annot) {
  const NodeId node = AnnotNode(annot);
  const NodeId annots = AnnotsArray(page, false);
  if (annots == kNullNode) return;
  std::vector<NodeId>& items = objects_.At(annots).items;
  items.erase(std::remove(items.begin(), items.end(), node), items.end());
}

int DocumentStore::AnnotIndex(Handle page, PDAnnot annot) {
  const PageRecord& record = PageOf(page);
  if (!IsValidAnnot(annot) || annots_[annot.b].doc != record.doc) return -1;
  const NodeId node = annots_[annot.b].node;
  const NodeId array = AnnotsArray(page, false);
  if (array == kNullNode) return -1;
  // Counted as Annots() counts, over the dictionaries of the page's array, without making
  // a list: placing players asks this for every live window at every draw.
  int index = 0;
  for (NodeId item : objects_.At(array).items) {
    if (objects_.At(item).type != kCosDict) continue;
    if (item == node) return index;
    ++index;
  }
  return -1;
}

bool DocumentStore::IsValidAnnot(PDAnnot annot) const {
  return annot.b != 0 && annot.b < annots_.size() && annots_[annot.b].stamp != 0 &&
         annots_[annot.b].stamp == annot.a;
}

NodeId DocumentStore::AnnotNode(PDAnnot annot) const {
  if (!IsValidAnnot(annot)) throw HostError(kErrBadAnnot);
  return annots_[annot.b].node;
}

void DocumentStore::AcquirePage(Handle page) {
  PageOf(page);
  ++acquired_[page];
}

void DocumentStore::ReleasePage(Handle page) {
  auto found = acquired_.find(page);
  if (found == acquired_.end()) throw HostError(kErrBadParameter);
  if (--found->second == 0) acquired_.erase(found);
}

size_t DocumentStore::AcquiredPages() const {
  size_t count = 0;
  for (const auto& entry : acquired_) count += entry.second;
  return count;
}

Handle DocumentStore::AnnotDoc(PDAnnot annot) const {
  if (!IsValidAnnot(annot)) throw HostError(kErrBadAnnot);
  return annots_[annot.b].doc;
}

FixedRect DocumentStore::AnnotRect(PDAnnot annot) const {
  const NodeId node = AnnotNode(annot);
  Box box;
  if (!ReadBox(objects_, objects_.DictGet(node, "Rect"), &box)) throw HostError(kErrBadAnnot);
  FixedRect rect;
  if (!ToFixed(box.left, &rect.left) || !ToFixed(box.top, &rect.top) ||
      !ToFixed(box.right, &rect.right) || !ToFixed(box.bottom, &rect.bottom))
    throw HostError(kErrBadAnnot);
  return rect;
}

}  // namespace refhost
