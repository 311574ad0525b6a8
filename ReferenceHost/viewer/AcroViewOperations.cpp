// The AcroView operations on page views, the note alert, and the viewer's hooks: annotation
// handlers, notifications, drawing, the cursor, machine ports, the deleting-key test, undo
// records, menus; and ASExtra's text operation, which fills the text objects of undo titles.
#include "DocumentStore.h"
#include "Host.h"
#include "Objects.h"
#include "PageViews.h"
#include "ViewStore.h"
#include "ViewerState.h"

namespace refhost {
namespace {

ViewStore& Views() {
  return Host::Current().views();
}
ViewerState& Viewer() {
  return Host::Current().viewer();
}

template <typename T>
T& Out(T* pointer) {
  if (pointer == nullptr) throw HostError(kErrBadParameter);
  return *pointer;
}

void AVAlertNote(const char* text) {
  if (text == nullptr) throw HostError(kErrBadParameter);
  Views().AddAlert(text);
}

Handle AVPageViewGetAVDoc(Handle view) {
  return Views().DocView(Views().Doc(view));
}
Handle AVPageViewGetPage(Handle view) {
  return Views().Page(view);
}

// Page numbers count from 0. The logical page is what the device conversions use.
ASInt32 AVPageViewGetPageNum(Handle view) {
  return Views().LogicalIndex(view);
}
ASInt32 AVPageViewSetPageNum(Handle view, ASInt32 pageNum) {
  return Views().SetLogicalPage(view, pageNum);
}
ASInt32 AVPageViewGetFirstVisiblePageNum(Handle view) {
  return Views().VisiblePages(view).front();
}
ASInt32 AVPageViewGetLastVisiblePageNum(Handle view) {
  return Views().VisiblePages(view).back();
}
ASBool AVPageViewPageNumIsVisible(Handle view, ASInt32 pageNum) {
  return Views().IsVisible(view, pageNum) ? 1 : 0;
}
// The page of the first annotation selected in the view, or -1.
ASInt32 AVPageViewGetSelectedAnnotPageNum(Handle view) {
  Views().Doc(view);
  const std::vector<PDAnnot>& selection = Viewer().Selection(view);
  if (selection.empty()) return -1;
  const Handle page = AnnotationPage(selection.front());
  return page != nullptr ? Host::Current().documents().PageIndex(page) : -1;
}
// The page that holds the annotation, when the view shows that page; otherwise null.
Handle AVPageViewGetVisibleAnnotPage(Handle view, PDAnnot annot) {
  DocumentStore& documents = Host::Current().documents();
  if (documents.AnnotDoc(annot) != Views().Doc(view)) throw HostError(kErrBadAnnot);
  for (int index : Views().VisiblePages(view)) {
    const Handle page = documents.Page(Views().Doc(view), index);
    if (documents.AnnotIndex(page, annot) >= 0) return page;
  }
  return nullptr;
}
ASInt32 AVPageViewGetLayoutMode(Handle view) {
  return LayoutNumber(Views().LayoutOf(view));
}
void AVPageViewSetLayoutMode(Handle view, ASInt32 mode) {
  Layout layout;
  if (!LayoutFromNumber(mode, &layout)) throw HostError(kErrBadParameter);
  SetViewLayout(view, layout);
}

void AVPageViewGetAperture(Handle view, DevRect* rect) {
  Out(rect) = Views().Geometry(view).aperture;
}

// A null rectangle invalidates the whole view.
void AVPageViewInvalidateRect(Handle view, DevRect* rect) {
  const DevRect& aperture = Views().Geometry(view).aperture;
  Views().AddInvalidation(view, rect != nullptr ? *rect : aperture);
}

void AVPageViewGetAnnotRect(Handle view, PDAnnot annot, DevRect* rect) {
  DocumentStore& documents = Host::Current().documents();
  if (documents.AnnotDoc(annot) != Views().Doc(view)) throw HostError(kErrBadAnnot);
  Out(rect) = Views().ToDevice(view, documents.AnnotRect(annot));
}

void AVPageViewRectToDevice(Handle view, const FixedRect* rect, DevRect* device) {
  Out(device) = Views().ToDevice(view, Out(rect));
}

void AVPageViewDeviceRectToPage(Handle view, const DevRect* device, FixedRect* rect) {
  Out(rect) = Views().ToPage(view, Out(device));
}

void AVAppRegisterNotification(ASInt32 selector, Handle owner, Callback proc, void* clientData) {
  Viewer().RegisterNotification(selector, owner, proc, clientData);
}

ASBool AVAppRegisterAnnotHandler(const AnnotHandlerRec* handler) {
  return Viewer().RegisterAnnotHandler(handler) ? 1 : 0;
}

// Draws an object of the view's document (a form draws its content; anything else, the
// null object included, draws nothing) into the rectangle; every call is recorded.
void AVPageViewDrawCosObj(Handle view, CosObj obj, const DevRect* rect) {
  const Handle doc = Views().Doc(view);
  if (!ObjIsNull(obj) && ObjDocument(obj) != doc) throw HostError(kErrBadObject);
  Viewer().AddDraw(DrawCall{view, obj, Out(rect)});
}

void AVSysSetCursor(void* cursor) {
  Viewer().AddCursor(cursor);
}

void* AVPageViewAcquireMachinePort(Handle view) {
  return Viewer().AcquirePort(view, Views().Window(view));
}

void AVPageViewReleaseMachinePort(Handle view, void* port) {
  Viewer().ReleasePort(view, port);
}

ASBool AVAppShouldKeyDeleteObject(ASInt32 key, ASUns16 modifiers) {
  return ViewerState::IsDeleteKeyStroke(key, modifiers) ? 1 : 0;
}

Handle AVUndoNew(Handle docView, const UndoHandlerRec* handler, void* data) {
  return Viewer().NewUndo(Views().DocOfDocView(docView), handler, data);
}

void* AVUndoGetData(Handle undo) {
  return Viewer().UndoData(undo);
}

void ASTextSetScriptText(Handle text, const char* narrow, ASInt32 script) {
  Viewer().SetText(text, narrow, script);
}

Handle AVAppGetMenubar() {
  return Viewer().Menubar();
}

Handle AVMenubarAcquireMenuByName(Handle menubar, const char* name) {
  return Viewer().AcquireMenu(menubar, name);
}

void AVMenuRelease(Handle menu) {
  Viewer().ReleaseMenu(menu);
}

// The viewer keeps only what it shows of an item: shortcut, flags and icon are not kept.
Handle AVMenuItemNew(const char* title, const char* name, Handle submenu, ASBool, char, ASUns16,
                     void*, Handle owner) {
  return Viewer().NewMenuItem(title, name, submenu, owner);
}

void AVMenuItemSetExecuteProc(Handle item, Callback proc, void* clientData) {
  Viewer().SetExecuteProc(item, proc, clientData);
}

void AVMenuAddMenuItem(Handle menu, Handle item, ASInt32 position) {
  Viewer().AddMenuItem(menu, item, position);
}

}  // namespace

void InstallAcroViewOperations(Host& host) {
  using namespace slot;
  host.Install<Table::AcroView, AcroView::AVAlertNote, &AVAlertNote>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetAVDoc, &AVPageViewGetAVDoc>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetPage, &AVPageViewGetPage>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetPageNum, &AVPageViewGetPageNum>();
  host.Install<Table::AcroView, AcroView::AVPageViewSetPageNum, &AVPageViewSetPageNum>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetFirstVisiblePageNum,
               &AVPageViewGetFirstVisiblePageNum>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetLastVisiblePageNum,
               &AVPageViewGetLastVisiblePageNum>();
  host.Install<Table::AcroView, AcroView::AVPageViewPageNumIsVisible,
               &AVPageViewPageNumIsVisible>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetSelectedAnnotPageNum,
               &AVPageViewGetSelectedAnnotPageNum>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetVisibleAnnotPage,
               &AVPageViewGetVisibleAnnotPage>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetLayoutMode, &AVPageViewGetLayoutMode>();
  host.Install<Table::AcroView, AcroView::AVPageViewSetLayoutMode, &AVPageViewSetLayoutMode>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetAperture, &AVPageViewGetAperture>();
  host.Install<Table::AcroView, AcroView::AVPageViewInvalidateRect, &AVPageViewInvalidateRect>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetAnnotRect, &AVPageViewGetAnnotRect>();
  host.Install<Table::AcroView, AcroView::AVPageViewRectToDevice, &AVPageViewRectToDevice>();
  host.Install<Table::AcroView, AcroView::AVPageViewDeviceRectToPage,
               &AVPageViewDeviceRectToPage>();
  host.Install<Table::AcroView, AcroView::AVAppRegisterNotification, &AVAppRegisterNotification>();
  host.Install<Table::AcroView, AcroView::AVAppRegisterAnnotHandler, &AVAppRegisterAnnotHandler>();
  host.Install<Table::AcroView, AcroView::AVPageViewDrawCosObj, &AVPageViewDrawCosObj>();
  host.Install<Table::AcroView, AcroView::AVSysSetCursor, &AVSysSetCursor>();
  host.Install<Table::AcroView, AcroView::AVPageViewAcquireMachinePort,
               &AVPageViewAcquireMachinePort>();
  host.Install<Table::AcroView, AcroView::AVPageViewReleaseMachinePort,
               &AVPageViewReleaseMachinePort>();
  host.Install<Table::AcroView, AcroView::AVAppShouldKeyDeleteObject,
               &AVAppShouldKeyDeleteObject>();
  host.Install<Table::AcroView, AcroView::AVUndoNew, &AVUndoNew>();
  host.Install<Table::AcroView, AcroView::AVUndoGetData, &AVUndoGetData>();
  host.Install<Table::ASExtra, ASExtra::ASTextSetScriptText, &ASTextSetScriptText>();
  host.Install<Table::AcroView, AcroView::AVAppGetMenubar, &AVAppGetMenubar>();
  host.Install<Table::AcroView, AcroView::AVMenubarAcquireMenuByName,
               &AVMenubarAcquireMenuByName>();
  host.Install<Table::AcroView, AcroView::AVMenuRelease, &AVMenuRelease>();
  host.Install<Table::AcroView, AcroView::AVMenuItemNew, &AVMenuItemNew>();
  host.Install<Table::AcroView, AcroView::AVMenuItemSetExecuteProc, &AVMenuItemSetExecuteProc>();
  host.Install<Table::AcroView, AcroView::AVMenuAddMenuItem, &AVMenuAddMenuItem>();
}

}  // namespace refhost
