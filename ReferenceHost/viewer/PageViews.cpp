// The test-facing page-view and record functions of PageViews.h, and the counts of
// Files.h.
#include "PageViews.h"

#include "DocumentStore.h"
#include "Files.h"
#include "Host.h"
#include "StreamStore.h"
#include "ViewStore.h"
#include "Viewer.h"
#include "ViewerState.h"

namespace refhost {
namespace {

ViewStore& Views() {
  return Host::Current().views();
}

}  // namespace

Handle NewPageView(Handle doc, int pageIndex, const ViewGeometry& geometry) {
  return Views().NewView(doc, pageIndex, geometry, true);
}

namespace {

// What changed between two states of a view, as the page-view-changed notification says it.
int Changes(const ViewGeometry& before, int pageBefore, const Layout& layoutBefore, Handle view) {
  const ViewGeometry after = Views().Geometry(view);
  const DevRect& a = before.aperture;
  const DevRect& b = after.aperture;
  int how = 0;
  if (before.scrollX != after.scrollX || before.scrollY != after.scrollY ||
      before.pageX != after.pageX || before.pageY != after.pageY)
    how |= kViewChangedScroll;
  if (pageBefore != Views().CurrentIndex(view)) how |= kViewChangedPage;
  if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom ||
      layoutBefore != Views().LayoutOf(view))
    how |= kViewChangedSize;
  if (before.zoom != after.zoom) how |= kViewChangedZoom;
  return how;
}

// Changes the view and tells the plug-in what changed, if anything did.
template <typename F>
void ChangeView(Handle view, F&& change) {
  const ViewGeometry before = Views().Geometry(view);
  const int page = Views().CurrentIndex(view);
  const Layout layout = Views().LayoutOf(view);
  change();
  const int how = Changes(before, page, layout, view);
  if (how != 0) Host::Current().viewer().NotifyPageViewDidChange(view, static_cast<ASInt16>(how));
}

}  // namespace

void SetViewGeometry(Handle view, const ViewGeometry& geometry) {
  ChangeView(view, [&] { Views().SetGeometry(view, geometry); });
}

ViewGeometry GetViewGeometry(Handle view) {
  return Views().Geometry(view);
}
void SetViewPage(Handle view, int pageIndex) {
  ChangeView(view, [&] { Views().SetPage(view, pageIndex); });
}
void SetViewLayout(Handle view, const Layout& layout) {
  ChangeView(view, [&] { Views().SetLayout(view, layout); });
}
Layout GetViewLayout(Handle view) {
  return Views().LayoutOf(view);
}
Handle PageViewCurrentPage(Handle view) {
  return Views().CurrentPage(view);
}
std::vector<int> VisiblePages(Handle view) {
  return Views().VisiblePages(view);
}
void ClosePageView(Handle view) {
  Views().Close(view);
}
Handle PageViewPage(Handle view) {
  return Views().Page(view);
}
Handle PageViewDocument(Handle view) {
  return Views().Doc(view);
}
std::vector<Handle> DocumentPageViews(Handle doc) {
  return Views().ViewsOf(doc);
}
Handle DocumentView(Handle doc) {
  return Views().DocView(doc);
}
Handle DocViewDocument(Handle avDoc) {
  return Views().DocOfDocView(avDoc);
}
DevRect PageRectToDevice(Handle view, FixedRect rect) {
  return Views().ToDevice(view, rect);
}
FixedRect DeviceRectToPage(Handle view, DevRect rect) {
  return Views().ToPage(view, rect);
}
DevRect PageRectToDeviceOn(Handle view, int pageIndex, FixedRect rect) {
  return Views().ToDeviceOnPage(view, pageIndex, rect);
}
Handle AnnotationPage(PDAnnot annot) {
  DocumentStore& documents = Host::Current().documents();
  const Handle doc = documents.AnnotDoc(annot);
  for (int i = 0, count = documents.PageCount(doc); i < count; ++i) {
    const Handle page = documents.Page(doc, i);
    if (documents.AnnotIndex(page, annot) >= 0) return page;
  }
  return nullptr;
}
DevRect AnnotationDeviceRect(Handle view, PDAnnot annot) {
  const Handle page = AnnotationPage(annot);
  DocumentStore& documents = Host::Current().documents();
  if (page == nullptr || documents.PageDoc(page) != Views().Doc(view))
    throw HostError(kErrBadAnnot);
  return Views().ToDeviceOnPage(view, documents.PageIndex(page), documents.AnnotRect(annot));
}

const std::vector<std::string>& Alerts() {
  return Views().alerts();
}
const std::vector<Invalidation>& Invalidations() {
  return Views().invalidations();
}
void ClearRecords() {
  Views().ClearRecords();
}

size_t LiveStreams() {
  return Host::Current().streams().LiveStreams();
}
size_t OpenFiles() {
  return Host::Current().streams().OpenFiles();
}
size_t LivePathNames() {
  return Host::Current().streams().LivePaths();
}

}  // namespace refhost
