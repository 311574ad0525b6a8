// viewer/: what the person at the viewer sees and does. Viewer state, page views and
// their windows, annotation handlers, drawing, clicks, keys and selection, notifications,
// the undo stack, menus and alerts, and the AcroView operations.
//
// The viewer's side of the reference host, as tests and the refhost tool drive it:
// annotation handlers registered by subtype, drawing, clicks, selection and the
// notifications the plug-in registered. Every call into the plug-in runs under a frame of
// the host's own (Host::CallPlugin), so a host error that escapes the plug-in is recorded
// in Host::uncaughtErrors() and the call returns.
//
// Notifications are sent where the viewer sends them, with the viewer's selectors
// (viewer/notifications.tsv): PDDocDidOpen (89) by NewDocument and OpenPdfFile;
// AVPageViewDidChange (14) by SetViewGeometry and SetViewPage when they change something
// (the `how` bits below say what); and, as the viewer closes a document, by CloseDocument:
// AVDocWillClose (7), then the document's views and their windows are torn down (the
// page-view windows destroyed with their children), then PDDocWillClose (59) and, last,
// PDDocDidClose (77). A plug-in may register for any of the viewer's selectors.
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
  kViewChangedPage = 2,    // the current page
  kViewChangedSize = 4,    // a new view: the aperture or the layout
  kViewChangedZoom = 8,
};

// --- Annotation handlers --------------------------------------------------------------------
// Whether a handler for `subtype` was registered (and accepted).
bool HasAnnotHandler(const std::string& subtype);
// The handler record the plug-in registered for `subtype`, or null.
const AnnotHandlerRec* AnnotHandlerFor(const std::string& subtype);

// --- Viewer events --------------------------------------------------------------------------
// Annotations are named by their index in their page's Annots order; the functions without
// a page take the current page's. A page must be one the view shows (VisiblePages), else
// HostError.
//
// Draws what the view shows: each visible page in page order, and on it every annotation,
// in Annots order, whose subtype has a handler with a draw procedure, through that
// procedure. The logical page stays the current page for every call.
void DrawPageView(Handle view);
// A click at device point (x, y): the topmost annotation (last in Annots order, of the last
// visible page first) whose handler's view box contains the point gets it, with
// `clickCount`. Answers the index of that annotation (and its page in `pageHit`), or -1
// when none was hit.
int ClickAt(Handle view, ASInt32 x, ASInt32 y, int clickCount);
int ClickAt(Handle view, ASInt32 x, ASInt32 y, int clickCount, int* pageHit);
// A click at the centre of the view box of an annotation, hit tested as ClickAt. Throws
// HostError when there is no such annotation or no handler.
int ClickAnnotation(Handle view, int annotIndex, int clickCount);
int ClickPageAnnotation(Handle view, int pageIndex, int annotIndex, int clickCount);
// Adds an annotation to (or removes it from) the view's selection and tells its handler.
// Throws HostError when there is no such annotation.
void SelectAnnotation(Handle view, int annotIndex);
void DeselectAnnotation(Handle view, int annotIndex);
void SelectPageAnnotation(Handle view, int pageIndex, int annotIndex);
void DeselectPageAnnotation(Handle view, int pageIndex, int annotIndex);
// The mouse over annotation `annotIndex`: its handler's cursor procedure.
bool AdjustCursorOver(Handle view, int annotIndex);
// The view box the handler reports for an annotation.
DevRect AnnotationViewBox(Handle view, int annotIndex);
DevRect PageAnnotationViewBox(Handle view, int pageIndex, int annotIndex);

// --- Keys, deletion and the undo stack ---------------------------------------------------------
// A key stroke in the view with annotation `annotIndex` selected (it is selected first):
// its handler's key-down procedure gets the key; when that answers false and the viewer's
// deleting-key test (AVAppShouldKeyDeleteObject: Delete or Backspace with no modifier) counts
// the key, the viewer deletes the annotation itself. Answers whether it was deleted.
bool PressKey(Handle view, int annotIndex, ASInt32 key, ASUns16 modifiers = 0);
bool PressKeyOnPage(Handle view, int pageIndex, int annotIndex, ASInt32 key, ASUns16 modifiers = 0);
// The undo stack of a document's document view. Undo takes the top record if its can-undo
// test answers true, runs its undo and moves it to the redo stack; Redo the same the other
// way. A new record clears the redo stack. False, with nothing moved, when there is no
// record or its test answers false. Records are released (their release procedure, once
// each) when dropped from a stack, when the document closes (after AVDocWillClose, before its
// views and anything else of the document go) and, for any left, when the host goes.
// A record whose test raised is not taken; one whose undo or redo raised is moved all the same.
bool Undo(Handle doc);
bool Redo(Handle doc);
bool CanUndo(Handle doc);  // the top record's test; false without a record
bool CanRedo(Handle doc);
std::string UndoTitle(Handle doc);  // the top record's title; empty without a record
std::string RedoTitle(Handle doc);
size_t UndoCount(Handle doc);
size_t RedoCount(Handle doc);
// Drops the redo stack, releasing its records, as a new edit of the document does.
void ReleaseRedoRecords(Handle doc);
size_t ReleasedUndoRecords();  // how many records were released so far
// What became of undo records, in order. Records are numbered from 1 in creation order.
struct UndoEvent {
  enum Kind { kCreated, kUndone, kRedone, kReleased } kind;
  int number;
  Handle undo;         // the AVUndo handle
  Handle doc;          // PDDoc
  std::string type;    // the handler record's type name ("" for none)
  long long sequence;  // shared with AnnotRemovals()
};
const std::vector<UndoEvent>& UndoEvents();
// The title a live record reports now (its undo or redo title procedure, with a text object
// of the host's); empty without a procedure. Throws HostError for a record released or
// never made.
std::string UndoRecordTitle(Handle undo, bool redo);
bool IsLiveUndoRecord(Handle undo);
// Annotations taken off their pages by the viewer (a deleting key) or by the plug-in
// (PDPageRemoveAnnot), in order.
struct AnnotRemoval {
  int pageIndex;   // from 0
  int annotIndex;  // its index in the page's annotations before it went
  std::string subtype;
  bool byViewer;
  long long sequence;  // shared with UndoEvents()
};
const std::vector<AnnotRemoval>& AnnotRemovals();

// --- Menus ----------------------------------------------------------------------------------
// The menu bar holds the menus "File", "Edit", "View" and "AboutExtensions" (without it when
// Profile::noAboutMenu).
struct MenuItemInfo {
  std::string menu;   // the parent menu's name
  std::string title;  // as shown
  std::string name;   // internal name
  int position;       // the position asked for when it was added
  bool hasExecute;
};
std::vector<MenuItemInfo> MenuItems();  // items added to menus, menu by menu, in menu order
// Runs the execute procedure of the item with internal name `name`; false when there is
// no such item or it has none.
bool RunMenuItem(const std::string& name);
size_t AcquiredMenus();  // menus acquired and not released
// Items as they were added, in order (the start-up's additions, for the refhost transcript).
const std::vector<MenuItemInfo>& MenuItemsAdded();

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
// Notifications sent, in order, with the number of procedures each reached; `sequence` is
// on the window journal's clock (platform::control::NextJournalSequence).
struct NotificationSent {
  ASInt32 selector;
  std::string name;  // the viewer's name of the selector
  int procedures;
  long long sequence;
};
const std::vector<NotificationSent>& NotificationsSent();
void ClearViewerRecords();  // draw calls and cursors

}  // namespace refhost
