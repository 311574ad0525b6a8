// The test-facing page-view and record functions of PageViews.h, and the counts of
// Files.h.
#include "PageViews.h"

#include "Files.h"
#include "Host.h"
#include "StreamStore.h"
#include "ViewStore.h"

namespace refhost {
namespace {

ViewStore& Views() {
  return Host::Current().views();
}

}  // namespace

Handle NewPageView(Handle doc, int pageIndex, const ViewGeometry& geometry) {
  return Views().NewView(doc, pageIndex, geometry);
}

void SetViewGeometry(Handle view, const ViewGeometry& geometry) {
  Views().SetGeometry(view, geometry);
}

ViewGeometry GetViewGeometry(Handle view) {
  return Views().Geometry(view);
}
void SetViewPage(Handle view, int pageIndex) {
  Views().SetPage(view, pageIndex);
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
