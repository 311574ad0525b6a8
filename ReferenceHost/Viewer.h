// The viewer's side of the reference host, as tests and the refhost tool drive it:
// annotation handlers registered by subtype, drawing, clicks, selection and the
// notifications the plug-in registered. Every call into the plug-in runs under a frame of
// the host's own (Host::CallPlugin), so a host error that escapes the plug-in is recorded
// in Host::uncaughtErrors() and the call returns.
//
// Notifications are sent where the viewer sends them: document opened (89) by
// NewDocument and OpenPdfFile, document closing (77) by CloseDocument before anything of
// the document goes, page view changed (14) by SetViewGeometry and SetViewPage when they
// change something (the `how` bits below say what).
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"
#include "PageViews.h"

namespace refhost {

// --- Page views with windows ---------------------------------------------------------------
// NewPageView (PageViews.h) gives each page view a window of its own, the size of its
// aperture; this one makes a page view without a window (AVPageViewAcquireMachinePort
// then hands out a port whose window is null).
Handle NewPageViewWithoutWindow(Handle doc, int pageIndex,
                                const ViewGeometry& geometry = ViewGeometry());
void* PageViewWindow(Handle view);  // the window in the view's machine port, or null
// Machine ports acquired and not yet released, over every view.
size_t LiveMachinePorts();

// What changed, in the `how` argument of the page-view-changed notification.
enum : ASInt16 {
  kViewChangedScroll = 1,  // scroll position or page position
  kViewChangedPage = 2,    // the page shown
  kViewChangedSize = 4,    // the aperture
  kViewChangedZoom = 8,
};

// --- Annotation handlers --------------------------------------------------------------------
// Whether a handler for `subtype` was registered (and accepted).
bool HasAnnotHandler(const std::string& subtype);
// The handler record the plug-in registered for `subtype`, or null.
const AnnotHandlerRec* AnnotHandlerFor(const std::string& subtype);

// --- Viewer events --------------------------------------------------------------------------
// Draws the page the view shows: every annotation of it, in Annots order, whose subtype has
// a handler with a draw procedure is drawn through that procedure.
void DrawPageView(Handle view);
// A click at device point (x, y): the topmost annotation (last in Annots order) whose
// handler's view box contains the point gets it, with `clickCount`. Answers the index of
// that annotation, or -1 when none was hit.
int ClickAt(Handle view, ASInt32 x, ASInt32 y, int clickCount);
// A click at the centre of the view box of annotation `annotIndex` of the shown page, hit
// tested as ClickAt. Throws HostError when there is no such annotation or no handler.
int ClickAnnotation(Handle view, int annotIndex, int clickCount);
// Adds annotation `annotIndex` to (or removes it from) the view's selection and tells its
// handler. Throws HostError when there is no such annotation.
void SelectAnnotation(Handle view, int annotIndex);
void DeselectAnnotation(Handle view, int annotIndex);
// The mouse over annotation `annotIndex`: its handler's cursor procedure.
bool AdjustCursorOver(Handle view, int annotIndex);
// The view box the handler reports for annotation `annotIndex` of the shown page.
DevRect AnnotationViewBox(Handle view, int annotIndex);

// --- What the plug-in did ------------------------------------------------------------------
struct DrawCall {
  Handle view;
  CosObj object;  // what AVPageViewDrawCosObj was given (the null object included)
  DevRect rect;
};
const std::vector<DrawCall>& DrawCalls();
// Cursors set with AVSysSetCursor, in order (null: the default arrow).
const std::vector<void*>& CursorCalls();
// Notifications registered, in registration order.
struct NotificationRegistration {
  ASInt32 selector;
  Handle owner;
  Callback proc;
  void* clientData;
};
const std::vector<NotificationRegistration>& NotificationRegistrations();
void ClearViewerRecords();  // draw calls and cursors

}  // namespace refhost
