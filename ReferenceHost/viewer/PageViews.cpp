// The test-facing page-view and record functions of PageViews.h, and the counts of
// Files.h.
#include "PageViews.h"

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

void SetViewGeometry(Handle view, const ViewGeometry& geometry) {
  const ViewGeometry before = Views().Geometry(view);
  Views().SetGeometry(view, geometry);
  const DevRect& a = before.aperture;
  const DevRect& b = geometry.aperture;
  int how = 0;
  if (before.scrollX != geometry.scrollX || before.scrollY != geometry.scrollY ||
      before.pageX != geometry.pageX || before.pageY != geometry.pageY)
    how |= kViewChangedScroll;
  if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom)
    how |= kViewChangedSize;
  if (before.zoom != geometry.zoom) how |= kViewChangedZoom;
  if (how != 0) Host::Current().viewer().NotifyPageViewDidChange(view, static_cast<ASInt16>(how));
}

ViewGeometry GetViewGeometry(Handle view) {
  return Views().Geometry(view);
}
void SetViewPage(Handle view, int pageIndex) {
  const Handle before = Views().Page(view);
  Views().SetPage(view, pageIndex);
  if (Views().Page(view) != before)
    Host::Current().viewer().NotifyPageViewDidChange(view, kViewChangedPage);
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
