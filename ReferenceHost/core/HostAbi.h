// The reference host's own definition of the plug-in interface's value types and
// records, written from the interface description. It deliberately shares nothing with
// the plug-in's headers, so that a layout or slot mistake on one side shows in tests.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define REFHOST_CALL __cdecl
#else
#define REFHOST_CALL
#endif

namespace refhost {

typedef uint16_t ASBool;
typedef uint16_t ASAtom;
typedef int16_t ASInt16;
typedef uint16_t ASUns16;
typedef int32_t ASInt32;
typedef uint32_t ASUns32;
typedef int32_t ASFixed;
typedef int32_t ASErrorCode;
typedef int32_t ASTCount;
typedef void** HFT;
typedef void* Callback;

constexpr ASAtom kNullAtom = 0xFFFF;

struct FixedRect {
  ASFixed left, top, right, bottom;
};
struct DevRect {
  ASInt32 left, top, right, bottom;
};
// Annotation handles and objects are two 32-bit words passed by value.
struct TwoWords {
  ASUns32 a, b;
};
typedef TwoWords PDAnnot;
typedef TwoWords CosObj;

// Opaque handles the host gives out; their values are the host's own.
typedef void* Handle;

struct PlatformRecord {
  ASUns32 hostDefined;
  void* moduleInstance;
};

struct SetupRecord {
  ASUns32 handshakeVersion;
  Handle extensionId;
  HFT coreTable;
  Callback handshakeCallback;
};

struct HandshakeRecord {
  ASUns32 handshakeVersion;
  ASUns16 hostField;
  ASAtom extensionName;
  Callback exportHFTs;
  Callback importReplaceAndRegister;
  Callback init;
  Callback unload;
};

// What AVPageViewAcquireMachinePort hands out: the page view's window and drawing context.
struct MachinePort {
  void* window;  // null for a page view without a window
  void* drawingContext;
};

// The annotation handler record a plug-in registers: its size, its flags and 41 procedure
// members; on the 32-bit viewer every member is one word, the size at word 0, the flags at
// word 1 and procs[i] at word i + 2.
struct AnnotHandlerRec {
  size_t size;
  ASUns32 flags;
  Callback procs[41];
};
enum AnnotHandlerPosition : int {
  kNotifyRemovedFromSelection = 6,
  kNotifyAddedToSelection = 7,
  kGetType = 10,
  kGetLayer = 14,
  kGetInfo = 19,
  kDeleteInfo = 20,
  kKeyDown = 23,
  kDoClick = 26,
  kAdjustCursor = 27,
  kGetAnnotViewBBox = 29,
  kDraw = 31,
};
inline Callback HandlerProc(const AnnotHandlerRec* handler, int position) {
  return handler->procs[position - 2];
}
struct AnnotHandlerInfoRec {
  size_t size;
  const char* uiName;
  void* bitmap;
};

// The procedures of a handler record, as the viewer calls them.
typedef void(REFHOST_CALL* SelectionProc)(const AnnotHandlerRec*, PDAnnot, Handle view);
typedef ASAtom(REFHOST_CALL* GetTypeProc)(const AnnotHandlerRec*);
typedef ASFixed(REFHOST_CALL* GetLayerProc)(const AnnotHandlerRec*, PDAnnot);
typedef const AnnotHandlerInfoRec*(REFHOST_CALL* GetInfoProc)(const AnnotHandlerRec*);
typedef void(REFHOST_CALL* DeleteInfoProc)(const AnnotHandlerRec*, const AnnotHandlerInfoRec*);
typedef ASBool(REFHOST_CALL* KeyDownProc)(const AnnotHandlerRec*, PDAnnot, Handle view, ASInt32 key,
                                          ASUns16 flags);
typedef ASBool(REFHOST_CALL* DoClickProc)(const AnnotHandlerRec*, PDAnnot, Handle view, ASInt32 x,
                                          ASInt32 y, ASUns16 flags, ASInt32 clickCount);
typedef ASBool(REFHOST_CALL* AdjustCursorProc)(const AnnotHandlerRec*, PDAnnot, Handle view,
                                               ASInt32 x, ASInt32 y);
typedef void(REFHOST_CALL* GetViewBBoxProc)(const AnnotHandlerRec*, Handle view, PDAnnot,
                                            DevRect* rect);
typedef void(REFHOST_CALL* DrawProc)(const AnnotHandlerRec*, PDAnnot, Handle view);

// The undo handler record handed over with each undo record: its size, its type name and
// nine procedures in the viewer's order.
struct UndoHandlerRec {
  size_t size;
  const char* type;
  Callback canUndo, undo, canRedo, redo, undoTitle, redoTitle, release, notify8, notify9;
};
typedef ASBool(REFHOST_CALL* UndoTestProc)(Handle undo);    // can undo, can redo
typedef ASBool(REFHOST_CALL* UndoActionProc)(Handle undo);  // undo, redo
typedef void(REFHOST_CALL* UndoTitleProc)(Handle undo, Handle text);
typedef void(REFHOST_CALL* UndoReleaseProc)(Handle undo);  // release, notifications

// A menu item's execute procedure.
typedef void(REFHOST_CALL* MenuExecuteProc)(void* clientData);

// Key codes of the keys the viewer's deleting-key test counts (with no modifier).
enum : ASInt32 { kKeyBackspace = 8, kKeyDelete = 127 };

// The procedures of the notifications the viewer sends (selectors: viewer/notifications.tsv):
// page view changed; a document (PDDoc or AVDoc) will close or did close; document opened.
typedef void(REFHOST_CALL* PageViewDidChangeProc)(Handle view, ASInt16 how, void* clientData);
typedef void(REFHOST_CALL* DocNotificationProc)(Handle doc, void* clientData);
typedef void(REFHOST_CALL* DocDidOpenProc)(Handle doc, ASInt32 error, void* clientData);

typedef ASBool(REFHOST_CALL* PlugInSetupProc)(ASUns32 version, void* record);
typedef ASBool(REFHOST_CALL* PlugInMainProc)(ASUns32 hostVersion, ASUns32* agreedVersion,
                                             PlugInSetupProc* setup, void* platformRecord);
typedef ASBool(REFHOST_CALL* HandshakeProc)(ASUns32 version, void* record);
typedef ASBool(REFHOST_CALL* StageProc)();
typedef void(REFHOST_CALL* RestoreProc)(void* frame);

// On the 32-bit viewer every record member is one 32-bit word (the handshake record's two
// 16-bit members share one); the tests compare these records with the plug-in's on every
// target, and here the 32-bit build checks the byte offsets themselves.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PlatformRecord) == 8 && offsetof(PlatformRecord, moduleInstance) == 4,
              "platform record layout");
static_assert(sizeof(SetupRecord) == 16 && offsetof(SetupRecord, extensionId) == 4 &&
                  offsetof(SetupRecord, coreTable) == 8 &&
                  offsetof(SetupRecord, handshakeCallback) == 12,
              "setup record layout");
static_assert(sizeof(HandshakeRecord) == 24 && offsetof(HandshakeRecord, hostField) == 4 &&
                  offsetof(HandshakeRecord, extensionName) == 6 &&
                  offsetof(HandshakeRecord, exportHFTs) == 8 &&
                  offsetof(HandshakeRecord, importReplaceAndRegister) == 12 &&
                  offsetof(HandshakeRecord, init) == 16 && offsetof(HandshakeRecord, unload) == 20,
              "handshake record layout");
static_assert(sizeof(AnnotHandlerRec) == 172 && offsetof(AnnotHandlerRec, flags) == 4 &&
                  offsetof(AnnotHandlerRec, procs) == 8,
              "annotation handler record layout");
static_assert(sizeof(AnnotHandlerInfoRec) == 12, "handler information record layout");
static_assert(sizeof(UndoHandlerRec) == 44 && offsetof(UndoHandlerRec, canUndo) == 8,
              "undo handler record layout");
static_assert(sizeof(MachinePort) == 8, "machine port layout");
#endif

// Error codes the host raises. The severity/system layout is the host's own.
enum : ASErrorCode {
  kErrNone = 0,
  kErrGeneral = 0x40000001,
  kErrNoMemory = 0x40000002,
  kErrBadParameter = 0x40000003,
  kErrFileOpen = 0x40010001,
  kErrFileRead = 0x40010002,
  kErrFileWrite = 0x40010003,
  kErrFileTooBig = 0x40010004,
  kErrBadObject = 0x40020001,
  kErrTypeMismatch = 0x40020002,
  kErrUnknownFilter = 0x40020003,
  kErrBadStreamData = 0x40020004,
  kErrBadAnnot = 0x40030001,
};

}  // namespace refhost
