#include "Authoring/PlayerUndo.h"

#include "Authoring/PlayerAnnotCreation.h"
#include "HostInterface/HostInterface.h"
#include "ModuleStatics.h"

namespace {

constexpr char kUndoHandlerType[] = "Mirvane Undo Handler";
constexpr char kUndoTitle[] = "Undo Mirvane annotation deletion";
constexpr char kRedoTitle[] = "Redo Mirvane annotation deletion";
constexpr ASScript kTitleScript = kASRomanScript;

AVUndoHandlerRec gUndoHandler;
bool gUndoHandlerMade = false;

PlayerUndoRecord* RecordOf(AVUndo undo) {
  return static_cast<PlayerUndoRecord*>(AVUndoGetData(undo));
}

// Undo and redo are offered while the annotation the record follows is still valid.
ASBool HOSTCALL CanUndoOrRedo(AVUndo undo) {
  return PDAnnotIsValid(RecordOf(undo)->annot);
}

ASBool HOSTCALL Undo(AVUndo undo) {
  PlayerUndoRecord* record = RecordOf(undo);
  if (record->kind == UndoKindDeletion) RecreatePlayerAnnot(record);
  return ASTrue;
}

ASBool HOSTCALL Redo(AVUndo undo) {
  const PlayerUndoRecord* record = RecordOf(undo);
  if (record->kind == UndoKindDeletion) DeleteRecreatedPlayerAnnot(record);
  return ASTrue;
}

void HOSTCALL UndoTitle(AVUndo undo, ASText title) {
  if (RecordOf(undo)->kind == UndoKindDeletion)
    ASTextSetScriptText(title, kUndoTitle, kTitleScript);
}

void HOSTCALL RedoTitle(AVUndo undo, ASText title) {
  if (RecordOf(undo)->kind == UndoKindDeletion)
    ASTextSetScriptText(title, kRedoTitle, kTitleScript);
}

void HOSTCALL Release(AVUndo undo) {
  ASfree(AVUndoGetData(undo));
}

void HOSTCALL Ignore(AVUndo) {}

ASCallback Callback(void* proc) {
  return ASCallbackCreate(gHostBinding.extensionId, proc);
}

}  // namespace

const AVUndoHandlerRec& PlayerUndoHandler() {
  if (!gUndoHandlerMade) {
    gUndoHandler.size = sizeof gUndoHandler;
    gUndoHandler.type = kUndoHandlerType;
    gUndoHandler.canUndo = Callback(reinterpret_cast<void*>(&CanUndoOrRedo));
    gUndoHandler.undo = Callback(reinterpret_cast<void*>(&Undo));
    gUndoHandler.canRedo = Callback(reinterpret_cast<void*>(&CanUndoOrRedo));
    gUndoHandler.redo = Callback(reinterpret_cast<void*>(&Redo));
    gUndoHandler.undoTitle = Callback(reinterpret_cast<void*>(&UndoTitle));
    gUndoHandler.redoTitle = Callback(reinterpret_cast<void*>(&RedoTitle));
    gUndoHandler.release = Callback(reinterpret_cast<void*>(&Release));
    gUndoHandler.notify8 = Callback(reinterpret_cast<void*>(&Ignore));
    gUndoHandler.notify9 = Callback(reinterpret_cast<void*>(&Ignore));
    gUndoHandlerMade = true;
  }
  return gUndoHandler;
}

void RecreatePlayerAnnot(PlayerUndoRecord* record) {
  const PDAnnot created = CreatePlayerAnnotOnPage(record->pageView, record->page, record->pageRect);
  if (!IsNullAnnot(created)) record->annot = created;
}

void DeleteRecreatedPlayerAnnot(const PlayerUndoRecord* record) {
  const ASInt32 index = PDPageGetAnnotIndex(record->page, record->annot);
  if (index == -1) return;
  // The player goes first, so that no window is left over a vanished annotation.
  const PDDoc doc = PDPageGetDoc(record->page);
  if (ZAruPDDoc* docRecord = TheDocManager().GetDoc(doc))
    if (ZAruPDPage* pageRecord = docRecord->GetPage(record->page))
      pageRecord->DeletePlayer(record->annot);
  PDPageRemoveAnnot(record->page, index);
  InvalidatePageRect(record->pageView, record->page, record->pageRect);
}
