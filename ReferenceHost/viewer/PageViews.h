// Page views of the reference host, and what the host recorded from the plug-in's
// AcroView calls (alerts, invalidations).
//
// Device space: y grows downwards. A page point (x, y) of a page whose media box has the
// left edge L and the top edge T lies at
//   device x = pageX - scrollX + (x - L) * zoom
//   device y = pageY - scrollY + (T - y) * zoom
// Device rectangles are normalised (left < right, top < bottom) and every edge is rounded
// to the nearest integer, halves away from zero. Page rectangles made from device
// rectangles are normalised (left < right, bottom < top) and rounded to the nearest 1/65536.
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"

namespace refhost {

struct ViewGeometry {
  double zoom = 1.0;  // device pixels per point, 0 < zoom <= 64
  int scrollX = 0, scrollY = 0;
  int pageX = 0, pageY = 0;          // device position of the page's top left corner at scroll 0
  DevRect aperture{0, 0, 800, 600};  // the visible part of the view, device space
};

// A page view showing page `pageIndex` of `doc` (AVPageView), with a window of its own
// (Viewer.h). Throws HostError for an unknown document, a page index out of range or a bad
// geometry. Changing its geometry or page sends the page-view-changed notification.
Handle NewPageView(Handle doc, int pageIndex, const ViewGeometry& geometry = ViewGeometry());
void SetViewGeometry(Handle view, const ViewGeometry& geometry);
ViewGeometry GetViewGeometry(Handle view);
// Shows another page of the same document.
void SetViewPage(Handle view, int pageIndex);
void ClosePageView(Handle view);
Handle PageViewPage(Handle view);      // PDPage
Handle PageViewDocument(Handle view);  // PDDoc
std::vector<Handle> DocumentPageViews(Handle doc);
// The document view of a document (AVDoc, what AVPageViewGetAVDoc answers), one per
// document, and back.
Handle DocumentView(Handle doc);
Handle DocViewDocument(Handle avDoc);

// The view's transform, as AVPageViewRectToDevice and AVPageViewDeviceRectToPage apply it.
DevRect PageRectToDevice(Handle view, FixedRect rect);
FixedRect DeviceRectToPage(Handle view, DevRect rect);

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
