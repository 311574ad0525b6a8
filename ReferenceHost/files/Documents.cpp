// The test-facing document functions of Documents.h (the PDF file functions are in
// PdfFiles.cpp).
#include "Documents.h"

#include "DocumentStore.h"
#include "Geometry.h"
#include "Host.h"
#include "ViewStore.h"
#include "ViewerState.h"

namespace refhost {
namespace {

DocumentStore& Docs() {
  return Host::Current().documents();
}

}  // namespace

Handle NewDocument(int pageCount, FixedRect mediaBox) {
  const double x0 = FromFixed(mediaBox.left), x1 = FromFixed(mediaBox.right);
  const double y0 = FromFixed(mediaBox.bottom), y1 = FromFixed(mediaBox.top);
  const Handle doc = Docs().NewDocument(
      pageCount, Box{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)});
  Host::Current().viewer().NotifyPDDocDidOpen(doc);
  return doc;
}

// As the viewer closes a document: its view hears first, then the views go with their
// windows (a page-view window takes its child windows along), and only then the document
// notifications arrive, PDDocDidClose last.
void CloseDocument(Handle doc) {
  Docs().CheckDocument(doc);
  ViewerState& viewer = Host::Current().viewer();
  viewer.NotifyAVDocWillClose(Host::Current().views().DocView(doc));
  // Undo records go while everything of the document they may refer to is still there.
  viewer.ReleaseUndoRecords(doc);
  Host::Current().views().ForgetDocument(doc);
  viewer.NotifyPDDocWillClose(doc);
  viewer.NotifyPDDocDidClose(doc);
  Docs().Close(doc);
}

std::vector<Handle> OpenDocuments() {
  return Docs().Documents();
}
Handle DocumentCosDoc(Handle doc) {
  return Docs().CosDocOf(doc);
}
CosObj DocumentCatalog(Handle doc) {
  return Obj(Docs().Catalog(doc));
}

int PageCount(Handle doc) {
  return Docs().PageCount(doc);
}
Handle DocumentPage(Handle doc, int index) {
  return Docs().Page(doc, index);
}
Handle PageDocument(Handle page) {
  return Docs().PageDoc(page);
}
int PageIndex(Handle page) {
  return Docs().PageIndex(page);
}
CosObj PageDict(Handle page) {
  return Obj(Docs().PageNode(page));
}

FixedRect PageMediaBox(Handle page) {
  const Box box = Docs().MediaBox(page);
  FixedRect rect;
  if (!ToFixed(box.left, &rect.left) || !ToFixed(box.top, &rect.top) ||
      !ToFixed(box.right, &rect.right) || !ToFixed(box.bottom, &rect.bottom))
    throw HostError(kErrBadParameter);
  return rect;
}

PDAnnot AddAnnotation(Handle page, const std::string& subtype, FixedRect rect) {
  return Docs().AddAnnot(page, subtype, rect);
}

std::vector<PDAnnot> PageAnnotations(Handle page) {
  return Docs().Annots(page);
}
void RemoveAnnotation(Handle page, PDAnnot annot) {
  Docs().RemoveAnnot(page, annot);
}
CosObj AnnotationDict(PDAnnot annot) {
  return Obj(Docs().AnnotNode(annot));
}
bool AnnotationIsValid(PDAnnot annot) {
  return Docs().IsValidAnnot(annot);
}
FixedRect AnnotationRect(PDAnnot annot) {
  return Docs().AnnotRect(annot);
}

std::string AnnotationSubtype(PDAnnot annot) {
  ObjectStore& objects = Host::Current().objects();
  const NodeId subtype = objects.DictGet(Docs().AnnotNode(annot), "Subtype");
  return objects.At(subtype).type == kCosName ? objects.At(subtype).text : std::string();
}

}  // namespace refhost
