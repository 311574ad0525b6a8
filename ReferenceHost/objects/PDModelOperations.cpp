// The PDModel operations: documents, pages and annotations.
#include <string>
#include <vector>

#include "DocumentStore.h"
#include "Documents.h"
#include "Host.h"
#include "ViewerState.h"

namespace refhost {
namespace {

DocumentStore& Documents() {
  return Host::Current().documents();
}

ASBool PDAnnotIsValid(PDAnnot annot) {
  return Documents().IsValidAnnot(annot) ? 1 : 0;
}

void PDAnnotGetRect(PDAnnot annot, FixedRect* rect) {
  if (rect == nullptr) throw HostError(kErrBadParameter);
  *rect = Documents().AnnotRect(annot);
}

CosObj PDAnnotGetCosObj(PDAnnot annot) {
  return Host::Current().objects().ToCosObj(Documents().AnnotNode(annot));
}

// A new annotation of `subtype` at `rect`, put into the page's annotations after index
// `addAfter`: -2 puts it at the end, -1 at the front.
PDAnnot PDPageAddNewAnnot(Handle page, ASInt32 addAfter, ASAtom subtype, const FixedRect* rect) {
  const char* text = Host::Current().AtomText(subtype);
  if (text == nullptr || rect == nullptr) throw HostError(kErrBadParameter);
  return Documents().AddAnnot(page, text, *rect, addAfter);
}

// Takes the annotation at `index` of the page's annotations off the page; its handle stays
// valid until the document closes.
void PDPageRemoveAnnot(Handle page, ASInt32 index) {
  DocumentStore& documents = Documents();
  const std::vector<PDAnnot> annots = documents.Annots(page);
  if (index < 0 || index >= static_cast<ASInt32>(annots.size())) throw HostError(kErrBadParameter);
  const PDAnnot annot = annots[index];
  const std::string subtype = AnnotationSubtype(annot);
  documents.RemoveAnnot(page, annot);
  Host::Current().viewer().AddRemoval(documents.PageIndex(page), index, subtype, false);
}

Handle PDDocGetCosDoc(Handle doc) {
  return Documents().CosDocOf(doc);
}
Handle PDPageGetDoc(Handle page) {
  return Documents().PageDoc(page);
}
ASInt32 PDPageGetAnnotIndex(Handle page, PDAnnot annot) {
  return Documents().AnnotIndex(page, annot);
}
// Page numbers count from 0, as the viewer's do.
ASInt32 PDPageGetNumber(Handle page) {
  return Documents().PageIndex(page);
}
// Pages stay while their document is open; acquiring one counts, releasing gives it back.
Handle PDDocAcquirePage(Handle doc, ASInt32 number) {
  const Handle page = Documents().Page(doc, number);
  Documents().AcquirePage(page);
  return page;
}
void PDPageRelease(Handle page) {
  Documents().ReleasePage(page);
}

}  // namespace

void InstallPDModelOperations(Host& host) {
  using namespace slot;
  host.Install<Table::PDModel, PDModel::PDAnnotIsValid, &PDAnnotIsValid>();
  host.Install<Table::PDModel, PDModel::PDAnnotGetRect, &PDAnnotGetRect>();
  host.Install<Table::PDModel, PDModel::PDAnnotGetCosObj, &PDAnnotGetCosObj>();
  host.Install<Table::PDModel, PDModel::PDPageAddNewAnnot, &PDPageAddNewAnnot>();
  host.Install<Table::PDModel, PDModel::PDPageRemoveAnnot, &PDPageRemoveAnnot>();
  host.Install<Table::PDModel, PDModel::PDDocGetCosDoc, &PDDocGetCosDoc>();
  host.Install<Table::PDModel, PDModel::PDPageGetDoc, &PDPageGetDoc>();
  host.Install<Table::PDModel, PDModel::PDPageGetAnnotIndex, &PDPageGetAnnotIndex>();
  host.Install<Table::PDModel, PDModel::PDPageGetNumber, &PDPageGetNumber>();
  host.Install<Table::PDModel, PDModel::PDDocAcquirePage, &PDDocAcquirePage>();
  host.Install<Table::PDModel, PDModel::PDPageRelease, &PDPageRelease>();
}

}  // namespace refhost
