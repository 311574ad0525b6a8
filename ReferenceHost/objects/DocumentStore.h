// The host's documents: each has its object store (CosDoc), a catalog with a page tree,
// its pages in order and the annotation handles given out for its annotation
// dictionaries. Pages and annotations live in the objects (Annots of the page
// dictionary); the store only keeps the handles.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "HostAbi.h"
#include "ObjectStore.h"

namespace refhost {

// A page-space box in points, normalised: left < right, bottom < top.
struct Box {
  double left, bottom, right, top;
};

class DocumentStore {
 public:
  explicit DocumentStore(ObjectStore& objects) : objects_(objects) {}
  ~DocumentStore();
  DocumentStore(const DocumentStore&) = delete;
  DocumentStore& operator=(const DocumentStore&) = delete;

  // --- Documents (every failure throws HostError) -----------------------------------
  Handle NewDocument(int pageCount, const Box& mediaBox);
  // A document with an object store and nothing else; the PDF reader fills the objects
  // and then hands over the structure.
  Handle NewEmptyDocument();
  void SetStructure(Handle doc, NodeId catalog, NodeId info, const std::vector<NodeId>& pages);
  void Close(Handle doc);
  bool IsDocument(Handle doc) const { return docs_.count(doc) != 0; }
  void CheckDocument(Handle doc) const;  // kErrBadParameter
  const std::vector<Handle>& Documents() const { return order_; }
  Handle CosDocOf(Handle doc) const;
  NodeId Catalog(Handle doc) const;
  NodeId Info(Handle doc) const;
  // The PDF version a saved file declares at least ("1.4" for documents made in memory).
  const std::string& PdfVersion(Handle doc) const { return DocOf(doc).pdfVersion; }
  void SetPdfVersion(Handle doc, const std::string& version);

  // --- Pages ------------------------------------------------------------------------
  int PageCount(Handle doc) const;
  Handle Page(Handle doc, int index) const;
  bool IsPage(Handle page) const { return pages_.count(page) != 0; }
  Handle PageDoc(Handle page) const;
  int PageIndex(Handle page) const;
  NodeId PageNode(Handle page) const;
  // The page's media box, inherited through the page tree; US Letter when it is missing
  // or malformed.
  Box MediaBox(Handle page) const;
  // PDDocAcquirePage and PDPageRelease: a release matches an acquisition of the page.
  void AcquirePage(Handle page);
  void ReleasePage(Handle page);
  size_t AcquiredPages() const;  // acquisitions not released, over every page

  // --- Annotations --------------------------------------------------------------------
  // A new annotation after the page's annotation `addAfter` (-2: at the end, -1: first).
  PDAnnot AddAnnot(Handle page, const std::string& subtype, const FixedRect& rect,
                   int addAfter = -2);
  std::vector<PDAnnot> Annots(Handle page);
  void RemoveAnnot(Handle page, PDAnnot annot);
  int AnnotIndex(Handle page, PDAnnot annot);  // -1 when not on the page
  bool IsValidAnnot(PDAnnot annot) const;
  NodeId AnnotNode(PDAnnot annot) const;  // kErrBadAnnot for an invalid handle
  Handle AnnotDoc(PDAnnot annot) const;
  // The annotation's Rect, normalised; kErrBadAnnot when it is not four numbers in the
  // fixed-point range.
  FixedRect AnnotRect(PDAnnot annot) const;
  // The handle of an annotation dictionary of the document (made on first use).
  PDAnnot AnnotFor(Handle doc, NodeId node);

 private:
  struct Document {
    Handle cosDoc;
    NodeId catalog = kNullNode;
    NodeId info = kNullNode;
    std::string pdfVersion = "1.4";
    std::vector<Handle> pages;
    std::map<NodeId, uint32_t> annotIndex;  // annotation dictionary -> handle index
    // The first word of every annotation handle of the document; the second is the
    // annotation's own. As in the viewer, annotations differ in one word or the other.
    uint32_t annotStamp = 0;
  };
  struct PageRecord {
    Handle doc;
    NodeId node;
  };
  struct AnnotRecord {
    uint32_t stamp;  // 0 once the document has closed
    Handle doc;
    NodeId node;
  };
  const Document& DocOf(Handle doc) const;
  const PageRecord& PageOf(Handle page) const;
  // The page's Annots array; made (direct) when `create` and absent.
  NodeId AnnotsArray(Handle page, bool create);

  ObjectStore& objects_;
  std::map<Handle, Document> docs_;
  std::vector<Handle> order_;
  std::map<Handle, PageRecord> pages_;
  std::map<Handle, size_t> acquired_;  // page -> acquisitions not released
  std::vector<AnnotRecord> annots_ = std::vector<AnnotRecord>(1, AnnotRecord{0, nullptr, 0});
};

}  // namespace refhost
