// Page views of the reference host, and what the host recorded from the plug-in's
// AcroView calls (alerts, invalidations).
//
// Device space: y grows downwards. A page point (x, y) of a page whose media box has the
// left edge L and the top edge T lies at
//   device x = placeX - scrollX + (x - L) * zoom
//   device y = placeY - scrollY + (T - y) * zoom
// where (placeX, placeY) is the page's place in the view's layout (PageLayout.h): in the
// single-page layout (pageX, pageY); in the others its column and row from there.
// Device rectangles are normalised (left < right, top < bottom) and every edge is rounded
// to the nearest integer, halves away from zero. Page rectangles made from device
// rectangles are normalised (left < right, bottom < top) and rounded to the nearest 1/65536.
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"
#include "PageLayout.h"

namespace refhost {

struct ViewGeometry {
  double zoom = 1.0;  // device pixels per point, 0 < zoom <= 64
  int scrollX = 0, scrollY = 0;
  int pageX = 0, pageY = 0;  // device position of the (first) page's top left corner at scroll 0
  DevRect aperture{0, 0, 800, 600};  // the visible part of the view, device space
};

// A page view showing page `pageIndex` of `doc` (AVPageView), with a window of its own
// (Viewer.h), in the document's /PageLayout or else the profile's default layout; the page
// lies where the single-page layout would show it. Throws HostError for an unknown
// document, a page index out of range or a bad geometry. Changing its geometry, page or
// layout sends the page-view-changed notification with what changed (Viewer.h).
Handle NewPageView(Handle doc, int pageIndex, const ViewGeometry& geometry = ViewGeometry());
void SetViewGeometry(Handle view, const ViewGeometry& geometry);
ViewGeometry GetViewGeometry(Handle view);
// Makes another page of the same document current: the continuous layouts scroll it to
// where the current page was.
void SetViewPage(Handle view, int pageIndex);
void SetViewLayout(Handle view, const Layout& layout);
Layout GetViewLayout(Handle view);
void ClosePageView(Handle view);
// The logical page, what AVPageViewGetPage answers; outside the plug-in's calls it is the
// current page.
Handle PageViewPage(Handle view);  // PDPage
Handle PageViewCurrentPage(Handle view);
std::vector<int> VisiblePages(Handle view);  // page indices, in page order
Handle PageViewDocument(Handle view);        // PDDoc
std::vector<Handle> DocumentPageViews(Handle doc);
// The document view of a document (AVDoc, what AVPageViewGetAVDoc answers), one per
// document, and back.
Handle DocumentView(Handle doc);
Handle DocViewDocument(Handle avDoc);

// The view's transform at its logical page's place, as AVPageViewRectToDevice and
// AVPageViewDeviceRectToPage apply it; and at a given page's place.
DevRect PageRectToDevice(Handle view, FixedRect rect);
FixedRect DeviceRectToPage(Handle view, DevRect rect);
DevRect PageRectToDeviceOn(Handle view, int pageIndex, FixedRect rect);
// Where the annotation lies in the view: its Rect at its own page's place. Throws
// HostError when it is on no page of the view's document.
DevRect AnnotationDeviceRect(Handle view, PDAnnot annot);
// The page that holds the annotation, or null when it is on none.
Handle AnnotationPage(PDAnnot annot);

// --- Records -----------------------------------------------------------------------------
// Texts of AVAlertNote, in order.
const std::vector<std::string>& Alerts();
struct Invalidation {
  Handle view;
  DevRect rect;
};
// Rectangles of AVPageViewInvalidateRect, in order (a null rectangle records the aperture).
const std::vector<Invalidation>& Invalidations();
void ClearRecords();

}  // namespace refhost
