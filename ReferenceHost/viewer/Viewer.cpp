// The test-facing viewer functions of Viewer.h: the viewer's events, delivered to the
// annotation handlers the plug-in registered.
#include "Viewer.h"

#include "DocumentStore.h"
#include "Documents.h"
#include "Host.h"
#include "ViewStore.h"
#include "ViewerState.h"

namespace refhost {
namespace {

ViewStore& Views() {
  return Host::Current().views();
}
ViewerState& State() {
  return Host::Current().viewer();
}

const AnnotHandlerRec* HandlerOf(PDAnnot annot) {
  return State().HandlerFor(AnnotationSubtype(annot));
}

// Annotation `annotIndex` of page `pageIndex`, which the view must show.
PDAnnot ShownAnnotation(Handle view, int pageIndex, int annotIndex) {
  if (!Views().IsVisible(view, pageIndex)) throw HostError(kErrBadParameter);
  const std::vector<PDAnnot> annots =
      PageAnnotations(Host::Current().documents().Page(Views().Doc(view), pageIndex));
  if (annotIndex < 0 || annotIndex >= static_cast<int>(annots.size()))
    throw HostError(kErrBadParameter);
  return annots[annotIndex];
}

int CurrentIndex(Handle view) {
  return Views().CurrentIndex(view);
}

// The handler's view box of the annotation of page `pageIndex`; without a view-box
// procedure, the device rectangle of its Rect there. False when the procedure raised.
bool ViewBox(Handle view, int pageIndex, PDAnnot annot, const AnnotHandlerRec* handler,
             DevRect* box) {
  const GetViewBBoxProc proc =
      reinterpret_cast<GetViewBBoxProc>(ViewerState::Proc(handler, kGetAnnotViewBBox));
  if (proc == nullptr) {
    *box = Views().ToDeviceOnPage(view, pageIndex, AnnotationRect(annot));
    return true;
  }
  *box = DevRect{0, 0, 0, 0};
  return Host::Current().CallPlugin("annotation handler GetAnnotViewBBox",
                                    [&] { proc(handler, view, annot, box); });
}

bool Contains(const DevRect& box, ASInt32 x, ASInt32 y) {
  return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

void NotifySelection(Handle view, PDAnnot annot, int position, const char* what) {
  const AnnotHandlerRec* handler = HandlerOf(annot);
  const SelectionProc proc = reinterpret_cast<SelectionProc>(ViewerState::Proc(handler, position));
  if (proc != nullptr) Host::Current().CallPlugin(what, [&] { proc(handler, annot, view); });
}

}  // namespace

Handle NewPageViewWithoutWindow(Handle doc, int pageIndex, const ViewGeometry& geometry) {
  return Views().NewView(doc, pageIndex, geometry, false);
}

void* PageViewWindow(Handle view) {
  return Views().Window(view);
}

size_t LiveMachinePorts() {
  return State().LivePorts();
}

bool HasAnnotHandler(const std::string& subtype) {
  return State().HandlerFor(subtype) != nullptr;
}

const AnnotHandlerRec* AnnotHandlerFor(const std::string& subtype) {
  return State().HandlerFor(subtype);
}

void DrawPageView(Handle view) {
  const Handle doc = Views().Doc(view);
  for (int pageIndex : Views().VisiblePages(view)) {
    for (const PDAnnot& annot : PageAnnotations(Host::Current().documents().Page(doc, pageIndex))) {
      const AnnotHandlerRec* handler = HandlerOf(annot);
      const DrawProc draw = reinterpret_cast<DrawProc>(ViewerState::Proc(handler, kDraw));
      if (draw != nullptr)
        Host::Current().CallPlugin("annotation handler Draw", [&] { draw(handler, annot, view); });
    }
    // A view that a draw procedure closed has nothing more to draw.
    if (!Views().IsView(view)) return;
  }
}

int ClickAt(Handle view, ASInt32 x, ASInt32 y, int clickCount) {
  int pageHit = -1;
  return ClickAt(view, x, y, clickCount, &pageHit);
}

int ClickAt(Handle view, ASInt32 x, ASInt32 y, int clickCount, int* pageHit) {
  *pageHit = -1;
  const Handle doc = Views().Doc(view);
  const std::vector<int> pages = Views().VisiblePages(view);
  for (auto page = pages.rbegin(); page != pages.rend(); ++page) {
    const std::vector<PDAnnot> annots =
        PageAnnotations(Host::Current().documents().Page(doc, *page));
    for (int i = static_cast<int>(annots.size()) - 1; i >= 0; --i) {
      const PDAnnot annot = annots[i];
      const AnnotHandlerRec* handler = HandlerOf(annot);
      DevRect box{};
      if (handler == nullptr || !ViewBox(view, *page, annot, handler, &box) || !Contains(box, x, y))
        continue;
      const DoClickProc click = reinterpret_cast<DoClickProc>(ViewerState::Proc(handler, kDoClick));
      if (click != nullptr)
        Host::Current().CallPlugin("annotation handler DoClick",
                                   [&] { click(handler, annot, view, x, y, 0, clickCount); });
      *pageHit = *page;
      return i;
    }
  }
  return -1;
}

DevRect AnnotationViewBox(Handle view, int annotIndex) {
  return PageAnnotationViewBox(view, CurrentIndex(view), annotIndex);
}

DevRect PageAnnotationViewBox(Handle view, int pageIndex, int annotIndex) {
  const PDAnnot annot = ShownAnnotation(view, pageIndex, annotIndex);
  const AnnotHandlerRec* handler = HandlerOf(annot);
  if (handler == nullptr) throw HostError(kErrBadAnnot);
  DevRect box{};
  if (!ViewBox(view, pageIndex, annot, handler, &box))
    throw HostError(Host::Current().LastErrorCode());
  return box;
}

int ClickAnnotation(Handle view, int annotIndex, int clickCount) {
  return ClickPageAnnotation(view, CurrentIndex(view), annotIndex, clickCount);
}

int ClickPageAnnotation(Handle view, int pageIndex, int annotIndex, int clickCount) {
  const DevRect box = PageAnnotationViewBox(view, pageIndex, annotIndex);
  return ClickAt(view, box.left + (box.right - box.left) / 2, box.top + (box.bottom - box.top) / 2,
                 clickCount);
}

void SelectAnnotation(Handle view, int annotIndex) {
  SelectPageAnnotation(view, CurrentIndex(view), annotIndex);
}

void DeselectAnnotation(Handle view, int annotIndex) {
  DeselectPageAnnotation(view, CurrentIndex(view), annotIndex);
}

void SelectPageAnnotation(Handle view, int pageIndex, int annotIndex) {
  const PDAnnot annot = ShownAnnotation(view, pageIndex, annotIndex);
  if (State().Select(view, annot))
    NotifySelection(view, annot, kNotifyAddedToSelection, "annotation handler added to selection");
}

void DeselectPageAnnotation(Handle view, int pageIndex, int annotIndex) {
  const PDAnnot annot = ShownAnnotation(view, pageIndex, annotIndex);
  if (State().Deselect(view, annot))
    NotifySelection(view, annot, kNotifyRemovedFromSelection,
                    "annotation handler removed from selection");
}

bool AdjustCursorOver(Handle view, int annotIndex) {
  const DevRect box = AnnotationViewBox(view, annotIndex);
  const PDAnnot annot = ShownAnnotation(view, CurrentIndex(view), annotIndex);
  const AnnotHandlerRec* handler = HandlerOf(annot);
  const AdjustCursorProc proc =
      reinterpret_cast<AdjustCursorProc>(ViewerState::Proc(handler, kAdjustCursor));
  if (proc == nullptr) return false;
  const ASInt32 x = box.left + (box.right - box.left) / 2;
  const ASInt32 y = box.top + (box.bottom - box.top) / 2;
  ASBool result = 0;
  Host::Current().CallPlugin("annotation handler AdjustCursor",
                             [&] { result = proc(handler, annot, view, x, y); });
  return result != 0;
}

bool PressKey(Handle view, int annotIndex, ASInt32 key, ASUns16 modifiers) {
  return PressKeyOnPage(view, CurrentIndex(view), annotIndex, key, modifiers);
}

bool PressKeyOnPage(Handle view, int pageIndex, int annotIndex, ASInt32 key, ASUns16 modifiers) {
  const PDAnnot annot = ShownAnnotation(view, pageIndex, annotIndex);
  const Handle page = Host::Current().documents().Page(Views().Doc(view), pageIndex);
  SelectPageAnnotation(view, pageIndex, annotIndex);
  const AnnotHandlerRec* handler = HandlerOf(annot);
  const KeyDownProc proc = reinterpret_cast<KeyDownProc>(ViewerState::Proc(handler, kKeyDown));
  ASBool handled = 0;
  // A key-down procedure that raised leaves the annotation alone.
  if (proc != nullptr && !Host::Current().CallPlugin("annotation handler KeyDown", [&] {
        handled = proc(handler, annot, view, key, modifiers);
      }))
    return false;
  if (handled != 0 || !ViewerState::IsDeleteKeyStroke(key, modifiers)) return false;
  // The viewer deletes the annotation: first out of the selection (its handler is told while
  // the annotation is still on its page), then off the page.
  DocumentStore& documents = Host::Current().documents();
  if (documents.AnnotIndex(page, annot) < 0) return false;
  if (State().Deselect(view, annot))
    NotifySelection(view, annot, kNotifyRemovedFromSelection,
                    "annotation handler removed from selection");
  const int index = documents.AnnotIndex(page, annot);
  if (index < 0) return false;
  const std::string subtype = AnnotationSubtype(annot);
  documents.RemoveAnnot(page, annot);
  State().AddRemoval(documents.PageIndex(page), index, subtype, true);
  return true;
}

bool Undo(Handle doc) {
  return State().Take(doc, false);
}
bool Redo(Handle doc) {
  return State().Take(doc, true);
}
bool CanUndo(Handle doc) {
  return State().CanTake(doc, false);
}
bool CanRedo(Handle doc) {
  return State().CanTake(doc, true);
}
std::string UndoTitle(Handle doc) {
  return State().TopTitle(doc, false);
}
std::string RedoTitle(Handle doc) {
  return State().TopTitle(doc, true);
}
size_t UndoCount(Handle doc) {
  return State().StackSize(doc, false);
}
size_t RedoCount(Handle doc) {
  return State().StackSize(doc, true);
}
void ReleaseRedoRecords(Handle doc) {
  State().ReleaseRedoRecords(doc);
}
size_t ReleasedUndoRecords() {
  return State().ReleasedUndoRecords();
}
const std::vector<UndoEvent>& UndoEvents() {
  return State().undoEvents();
}
std::string UndoRecordTitle(Handle undo, bool redo) {
  return State().Title(undo, redo);
}
bool IsLiveUndoRecord(Handle undo) {
  return State().IsUndo(undo);
}
const std::vector<AnnotRemoval>& AnnotRemovals() {
  return State().removals();
}

std::vector<MenuItemInfo> MenuItems() {
  return State().Items();
}
bool RunMenuItem(const std::string& name) {
  return State().RunItem(name);
}
size_t AcquiredMenus() {
  return State().AcquiredMenus();
}
const std::vector<MenuItemInfo>& MenuItemsAdded() {
  return State().itemsAdded();
}

const std::vector<DrawCall>& DrawCalls() {
  return State().draws();
}
const std::vector<void*>& CursorCalls() {
  return State().cursors();
}
const std::vector<NotificationSent>& NotificationsSent() {
  return State().notificationsSent();
}

const std::vector<NotificationRegistration>& NotificationRegistrations() {
  return State().registrations();
}
void ClearViewerRecords() {
  State().ClearRecords();
}

}  // namespace refhost
