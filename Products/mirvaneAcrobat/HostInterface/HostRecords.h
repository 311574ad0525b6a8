// Interface records exchanged with the viewer. Their layout is the viewer's: on the
// 32-bit Windows target every record is checked byte for byte below.
#pragma once

#include "HostTypes.h"

// Fourth argument of PlugInMain.
struct PlatformRecord {
  ASUns32 hostDefined;   // not used by the plug-in
  void* moduleInstance;  // the plug-in module's instance handle
};

// Second argument of the setup routine.
struct HostSetupRecord {
  ASUns32 handshakeVersion;  // must be kHandshakeVersion
  ASExtension extensionId;
  HFT coreTable;
  ASCallback handshakeCallback;  // out
};

// Second argument of the handshake routine.
struct HostHandshakeRecord {
  ASUns32 handshakeVersion;
  ASUns16 hostField;                            // the host's own; never touched
  ASAtom extensionName;                         // out
  ASCallback exportHFTsCallback;                // out
  ASCallback importReplaceAndRegisterCallback;  // out
  ASCallback initCallback;                      // out
  ASCallback unloadCallback;                    // out
};

// The viewer's annotation handler record. Members are 32-bit words on the viewer's
// platform; the comments give each member's word position.
struct AVAnnotHandlerRec {
  ASSize_t size;                               // 0
  ASUns32 flags;                               // 1
  ASCallback unused2to5[4];                    // 2-5
  ASCallback notifyAnnotRemovedFromSelection;  // 6
  ASCallback notifyAnnotAddedToSelection;      // 7
  ASCallback unused8to9[2];                    // 8-9
  ASCallback getType;                          // 10
  ASCallback unused11to13[3];                  // 11-13
  ASCallback getLayer;                         // 14
  ASCallback unused15to18[4];                  // 15-18
  ASCallback getInfo;                          // 19
  ASCallback deleteInfo;                       // 20
  ASCallback unused21to22[2];                  // 21-22
  ASCallback keyDown;                          // 23
  ASCallback unused24to25[2];                  // 24-25
  ASCallback doClick;                          // 26
  ASCallback adjustCursor;                     // 27
  ASCallback unused28;                         // 28
  ASCallback getAnnotViewBBox;                 // 29
  ASCallback unused30;                         // 30
  ASCallback draw;                             // 31
  ASCallback unused32to42[11];                 // 32-42
};
typedef AVAnnotHandlerRec* AVAnnotHandler;

// Information record an annotation handler hands out.
struct AVAnnotHandlerInfoRec {
  ASSize_t size;
  const char* uiName;
  void* bitmap;
};

// The viewer's undo handler record, handed over with every undo record.
struct AVUndoHandlerRec {
  ASSize_t size;
  const char* type;
  ASCallback canUndo;    // 1
  ASCallback undo;       // 2
  ASCallback canRedo;    // 3
  ASCallback redo;       // 4
  ASCallback undoTitle;  // 5
  ASCallback redoTitle;  // 6
  ASCallback release;    // 7
  ASCallback notify8;    // 8
  ASCallback notify9;    // 9
};
typedef const AVUndoHandlerRec* AVUndoHandler;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PlatformRecord) == 8 && offsetof(PlatformRecord, moduleInstance) == 4,
              "platform record layout");
static_assert(sizeof(HostSetupRecord) == 16 && offsetof(HostSetupRecord, extensionId) == 4 &&
                  offsetof(HostSetupRecord, coreTable) == 8 &&
                  offsetof(HostSetupRecord, handshakeCallback) == 12,
              "setup record layout");
static_assert(sizeof(HostHandshakeRecord) == 24 && offsetof(HostHandshakeRecord, hostField) == 4 &&
                  offsetof(HostHandshakeRecord, extensionName) == 6 &&
                  offsetof(HostHandshakeRecord, exportHFTsCallback) == 8 &&
                  offsetof(HostHandshakeRecord, importReplaceAndRegisterCallback) == 12 &&
                  offsetof(HostHandshakeRecord, initCallback) == 16 &&
                  offsetof(HostHandshakeRecord, unloadCallback) == 20,
              "handshake record layout");
static_assert(sizeof(AVAnnotHandlerRec) == 172 &&
                  offsetof(AVAnnotHandlerRec, notifyAnnotRemovedFromSelection) == 6 * 4 &&
                  offsetof(AVAnnotHandlerRec, notifyAnnotAddedToSelection) == 7 * 4 &&
                  offsetof(AVAnnotHandlerRec, getType) == 10 * 4 &&
                  offsetof(AVAnnotHandlerRec, getLayer) == 14 * 4 &&
                  offsetof(AVAnnotHandlerRec, getInfo) == 19 * 4 &&
                  offsetof(AVAnnotHandlerRec, deleteInfo) == 20 * 4 &&
                  offsetof(AVAnnotHandlerRec, keyDown) == 23 * 4 &&
                  offsetof(AVAnnotHandlerRec, doClick) == 26 * 4 &&
                  offsetof(AVAnnotHandlerRec, adjustCursor) == 27 * 4 &&
                  offsetof(AVAnnotHandlerRec, getAnnotViewBBox) == 29 * 4 &&
                  offsetof(AVAnnotHandlerRec, draw) == 31 * 4,
              "annotation handler record layout");
static_assert(sizeof(AVAnnotHandlerInfoRec) == 12, "handler information record layout");
static_assert(sizeof(AVUndoHandlerRec) == 44 && offsetof(AVUndoHandlerRec, canUndo) == 8,
              "undo handler record layout");
#endif
