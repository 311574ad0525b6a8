// Undo and redo of a player annotation's deletion: the record the viewer's undo stack
// keeps, and the undo handler it calls for it.
#pragma once

#include "HostInterface/HostRecords.h"

enum PlayerUndoKind : ASInt32 { UndoKindDeletion = 2 };

// Allocated with the viewer's allocator and owned by its undo record from the moment it is
// handed over; the release procedure frees it.
struct PlayerUndoRecord {
  PDAnnot annot;         // the deleted annotation, then the one its undo re-created
  ASInt32 kind;          // UndoKindDeletion
  AVPageView pageView;   // where the deletion happened
  AVDevRect deviceRect;  // the annotation's view box there at the deletion
  // The plug-in's own additions, which the viewer never reads: the page `annot` is on
  // (the deleted annotation's, then the re-created one's) and the deleted annotation's
  // rectangle in that page's user space. A re-creation goes there, so that it lands where
  // the annotation was even if the view has meanwhile turned to another page, zoomed or
  // scrolled; the view box alone would be read against whatever the view shows at undo.
  PDPage page;
  ASFixedRect pageRect;
};

// The one undo handler record, made on first use and kept for the life of the module.
const AVUndoHandlerRec& PlayerUndoHandler();

// Makes a new player annotation for the record: the scene-file dialog, then the creation
// sequence on the recorded page at the recorded rectangle. The record follows the new annotation,
// so that redo can delete it again; a cancelled dialog leaves the record as it was.
void RecreatePlayerAnnot(PlayerUndoRecord* record);

// Takes the annotation the record follows off its page again, its live player first.
// Nothing happens when that annotation is on no page (nothing was re-created).
void DeleteRecreatedPlayerAnnot(const PlayerUndoRecord* record);
