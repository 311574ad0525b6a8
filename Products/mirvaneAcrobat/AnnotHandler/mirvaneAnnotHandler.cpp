#include "AnnotHandler/mirvaneAnnotHandler.h"

#include <cstring>

#include "AnnotHandler/PlayerActivation.h"
#include "AnnotPages.h"
#include "Authoring/PlayerUndo.h"
#include "Authoring/AnnotKeys.h"
#include "HostInterface/HostInterface.h"
#include "ModuleStatics.h"

namespace {

constexpr ASUns32 kHandlerFlags = 0x00010000;
constexpr ASFixed kPlayerLayer = fixedOne;

AVAnnotHandlerRec gHandler;
const AVAnnotHandlerInfoRec kHandlerInfo = {sizeof(AVAnnotHandlerInfoRec), "KXTRIVOPlayer",
                                            nullptr};

void HOSTCALL Draw(AVAnnotHandler, PDAnnot annot, AVPageView view) {
  DebugWindowTrace("AVAnnotHandlerDrawProc");
  const ASAtom state = GetAnnotAppearanceState(annot);
  const CosObj appearance = GetAnnotNormalAppearance(annot, gAtomN, state);
  const PDPage page = AnnotPageInView(view, annot);
  AVDevRect rect;
  AnnotRectToDevice(view, page, annot, &rect);
  AVPageViewDrawCosObj(view, appearance, &rect);
  // The live windows of the annotation's page follow the view each time one of its
  // players is drawn.
  if (ZAruPDPage* record = TheDocManager().GetPage(page)) record->PlaceAllPlayers(view);
}

// The annotation's own rectangle on the device, with no margin.
void HOSTCALL GetAnnotViewBBox(AVAnnotHandler, AVPageView view, PDAnnot annot, AVDevRect* rect) {
  DebugWindowTrace("AVAnnotHandlerGetAnnotViewBBoxProc");
  ASFixedRect pageRect;
  PDAnnotGetRect(annot, &pageRect);
  PageRectToDevice(view, AnnotPageInView(view, annot), &pageRect, rect);
}

ASAtom HOSTCALL GetType(AVAnnotHandler) {
  DebugWindowTrace("AVAnnotHandlerGetTypeProc");
  return gHostBinding.extensionName;
}

ASBool HOSTCALL AdjustCursor(AVAnnotHandler, PDAnnot, AVPageView, ASInt32, ASInt32) {
  DebugWindowTrace("AVAnnotHandlerAdjustCursorProc");
  AVSysSetCursor(nullptr);  // the viewer's default arrow
  return ASTrue;
}

ASFixed HOSTCALL GetLayer(AVAnnotHandler, PDAnnot) {
  DebugWindowTrace("AVAnnotHandlerGetLayerProc");
  return kPlayerLayer;
}

// A selection change draws the annotation again at once when it is on a page the view
// shows.
void SelectionChanged(PDAnnot annot, AVPageView view, const char* trace) {
  const ASInt32 index = PDPageGetAnnotIndex(AnnotPageInView(view, annot), annot);
  DebugWindowTrace(trace);
  if (index != -1) Draw(nullptr, annot, view);
}

void HOSTCALL NotifyAnnotAddedToSelection(AVAnnotHandler, PDAnnot annot, AVPageView view) {
  SelectionChanged(annot, view, "AVAnnotHandlerNotifyAnnotAddedToSelectionProc");
}

void HOSTCALL NotifyAnnotRemovedFromSelection(AVAnnotHandler, PDAnnot annot, AVPageView view) {
  SelectionChanged(annot, view, "AVAnnotHandlerNotifyAnnotRemovedFromSelectionProc");
}

ASBool HOSTCALL DoClick(AVAnnotHandler, PDAnnot annot, AVPageView view, ASInt32, ASInt32,
                        AVFlagBits16, ASInt32 clickCount) {
  DebugWindowTrace("AVAnnotHandlerDoClickProc");
  return ActivatePlayerAnnot(annot, view, clickCount);
}

typedef void(HOSTCALL* ViewBBoxProc)(AVAnnotHandler, AVPageView, PDAnnot, AVDevRect*);

// A deleting key stroke leaves an undo record that brings a player annotation back; the
// deletion itself is left to the viewer. The annotation's live player goes at once, so
// that no window stays over the deleted annotation.
ASBool HOSTCALL KeyDown(AVAnnotHandler handler, PDAnnot annot, AVPageView view, AVKeyCode key,
                        AVFlagBits16 flags) {
  if (!IsDeleteKeyStroke(key, flags)) return ASFalse;
  const PDPage page = AnnotPageInView(view, annot);
  // Everything is acquired inside the frame, so that even a failing push of the frame
  // leaves nothing behind.
  PlayerUndoRecord* volatile record = nullptr;
  HostExceptionFrame frame;
  HOST_DURING(frame)
  record = static_cast<PlayerUndoRecord*>(ASmalloc(sizeof(PlayerUndoRecord)));
  record->annot = annot;
  record->kind = UndoKindDeletion;
  record->pageView = view;
  reinterpret_cast<ViewBBoxProc>(handler->getAnnotViewBBox)(handler, view, annot,
                                                            &record->deviceRect);
  record->page = page;
  PDAnnotGetRect(annot, &record->pageRect);
  AVUndoNew(AVPageViewGetAVDoc(view), &PlayerUndoHandler(), record);
  HOST_HANDLER
  // Not handed over: the record is still ours to free.
  const ASErrorCode code = ASGetExceptionErrorCode();
  ReleaseOnce(record, [](PlayerUndoRecord* unused) { ASfree(unused); });
  ASRaise(code);
  HOST_END_HANDLER
  if (ZAruPDPage* pageRecord = TheDocManager().GetPage(page)) pageRecord->DeletePlayer(annot);
  return ASFalse;
}

const AVAnnotHandlerInfoRec* HOSTCALL GetInfo(AVAnnotHandler) {
  return &kHandlerInfo;
}

void HOSTCALL DeleteInfo(AVAnnotHandler, const AVAnnotHandlerInfoRec*) {}

ASCallback Callback(void* proc) {
  return ASCallbackCreate(gHostBinding.extensionId, proc);
}

}  // namespace

ASBool RegisterPlayerAnnotHandler() {
  InitAnnotKeys();
  std::memset(&gHandler, 0, sizeof gHandler);
  gHandler.size = sizeof gHandler;
  gHandler.flags = kHandlerFlags;
  gHandler.getType = Callback(reinterpret_cast<void*>(&GetType));
  gHandler.draw = Callback(reinterpret_cast<void*>(&Draw));
  gHandler.getAnnotViewBBox = Callback(reinterpret_cast<void*>(&GetAnnotViewBBox));
  gHandler.adjustCursor = Callback(reinterpret_cast<void*>(&AdjustCursor));
  gHandler.doClick = Callback(reinterpret_cast<void*>(&DoClick));
  gHandler.notifyAnnotAddedToSelection =
      Callback(reinterpret_cast<void*>(&NotifyAnnotAddedToSelection));
  gHandler.notifyAnnotRemovedFromSelection =
      Callback(reinterpret_cast<void*>(&NotifyAnnotRemovedFromSelection));
  gHandler.getLayer = Callback(reinterpret_cast<void*>(&GetLayer));
  gHandler.keyDown = Callback(reinterpret_cast<void*>(&KeyDown));
  gHandler.getInfo = Callback(reinterpret_cast<void*>(&GetInfo));
  gHandler.deleteInfo = Callback(reinterpret_cast<void*>(&DeleteInfo));
  return AVAppRegisterAnnotHandler(&gHandler);
}

const AVAnnotHandlerRec& PlayerAnnotHandler() {
  return gHandler;
}

ASAtom GetAnnotAppearanceState(PDAnnot annot) {
  if (!PDAnnotIsValid(annot)) return ASAtomNull;
  volatile ASAtom state = ASAtomNull;
  HostExceptionFrame frame;
  HOST_DURING(frame)
  const CosObj dict = PDAnnotGetCosObj(annot);
  if (IsDictKeyKnown(dict, kKeyAS)) state = CosNameValue(GetDictKey(dict, kKeyAS));
  HOST_HANDLER
  state = ASAtomNull;
  HOST_END_HANDLER
  return state;
}

CosObj GetAnnotNormalAppearance(PDAnnot annot, ASAtom kind, ASAtom state) {
  if (!PDAnnotIsValid(annot) || kind == ASAtomNull) return CosNewNull();
  volatile bool found = false;
  volatile ASUns32 foundA = 0, foundB = 0;
  HostExceptionFrame frame;
  HOST_DURING(frame)
  const CosObj dict = PDAnnotGetCosObj(annot);
  if (IsDictKeyKnown(dict, kKeyAP)) {
    const CosObj ap = GetDictKey(dict, kKeyAP);
    if (CosObjGetType(ap) == CosDict && CosDictKnown(ap, kind)) {
      const CosObj normal = CosDictGet(ap, kind);
      CosObj result = {0, 0};
      bool has = true;
      if (state == ASAtomNull)
        result = normal;
      else if (CosObjGetType(normal) == CosDict && CosDictKnown(normal, state))
        result = CosDictGet(normal, state);
      else if (CosObjGetType(normal) == CosStream)
        result = normal;
      else
        has = false;
      if (has) {
        foundA = result.a;
        foundB = result.b;
        found = true;
      }
    }
  }
  HOST_HANDLER
  found = false;
  HOST_END_HANDLER
  if (!found) return CosNewNull();
  return CosObj{foundA, foundB};
}
