// The viewer's operations, by table and slot, as typed wrappers named as the viewer
// names them. Each list line: table, slot, result, name, parameters, arguments.
// MIRVANE_HOST_OPERATIONS holds what every table version the plug-in requires has;
// MIRVANE_HOST_NEWER_OPERATIONS what only newer tables have, each with the table version
// that brought it: those are called only behind the version test of HostVersions.h.
#pragma once

#include "HostBinding.h"
#include "HostRecords.h"

typedef void(HOSTCALL* ACRestoreEnvironProc)(void* frame);

// clang-format off
#define MIRVANE_HOST_OPERATIONS(X)                                                                 \
  /* Core */                                                                                       \
  X(Core, 1, void, ASRaise, (ASErrorCode code), (code))                                            \
  X(Core, 2, void, ASPushExceptionFrame, (void* frame, ACRestoreEnvironProc restore),              \
    (frame, restore))                                                                              \
  X(Core, 3, void, ASPopExceptionFrame, (), ())                                                    \
  X(Core, 4, ASErrorCode, ASGetExceptionErrorCode, (), ())                                         \
  X(Core, 5, ASAtom, ASAtomFromString, (const char* text), (text))                                 \
  X(Core, 7, const char*, ASAtomGetString, (ASAtom atom), (atom))                                  \
  X(Core, 8, ASCallback, ASCallbackCreate, (ASExtension extension, void* proc), (extension, proc)) \
  X(Core, 10, HFT, ASExtensionMgrGetHFT, (ASAtom name, ASUns32 version), (name, version))          \
  X(Core, 11, void*, ASGetConfiguration, (ASAtom key), (key))                                      \
  /* AcroSupport */                                                                                \
  X(AcroSupport, 1, void*, ASmalloc, (ASSize_t size), (size))                                      \
  X(AcroSupport, 3, void, ASfree, (void* block), (block))                                          \
  X(AcroSupport, 4, const char*, ASGetErrorString,                                                 \
    (ASErrorCode code, char* buffer, ASInt32 bufferSize), (code, buffer, bufferSize))              \
  X(AcroSupport, 25, void, ASFileSysReleasePath, (ASFileSys fileSys, ASPathName path),             \
    (fileSys, path))                                                                               \
  X(AcroSupport, 26, ASErrorCode, ASFileSysOpenFile,                                               \
    (ASFileSys fileSys, ASPathName path, ASUns16 mode, ASFile * file), (fileSys, path, mode, file)) \
  X(AcroSupport, 29, ASInt32, ASFileClose, (ASFile file), (file))                                  \
  X(AcroSupport, 33, ASInt32, ASFileGetEOF, (ASFile file), (file))                                 \
  X(AcroSupport, 40, ASStm, ASFileStmRdOpen, (ASFile file, ASUns32 bufferSize), (file, bufferSize)) \
  X(AcroSupport, 41, ASStm, ASMemStmRdOpen, (char* data, ASUns32 length), (data, length))          \
  X(AcroSupport, 43, ASTCount, ASStmRead, (char* buffer, ASTCount itemSize, ASTCount count, ASStm stm), \
    (buffer, itemSize, count, stm))                                                                \
  X(AcroSupport, 44, ASTCount, ASStmWrite,                                                         \
    (const char* buffer, ASTCount itemSize, ASTCount count, ASStm stm),                            \
    (buffer, itemSize, count, stm))                                                                \
  X(AcroSupport, 45, void, ASStmClose, (ASStm stm), (stm))                                         \
  X(AcroSupport, 52, ASPathName, ASFileSysCreatePathName,                                          \
    (ASFileSys fileSys, ASAtom pathSpecType, const void* pathSpec, const void* mustBeZero),        \
    (fileSys, pathSpecType, pathSpec, mustBeZero))                                                 \
  X(AcroSupport, 56, ASStm, ASFileStmWrOpen, (ASFile file, ASUns32 bufferSize), (file, bufferSize)) \
  X(AcroSupport, 100, ASInt32, ASStmFlush, (ASStm stm), (stm))                                     \
  X(AcroSupport, 103, ASUns32, HFTGetVersion, (HFT table), (table))                                \
  /* Cos */                                                                                        \
  X(Cos, 2, CosType, CosObjGetType, (CosObj obj), (obj))                                           \
  X(Cos, 6, CosObj, CosNewNull, (), ())                                                            \
  X(Cos, 7, CosObj, CosNewInteger, (CosDoc doc, ASBool indirect, ASInt32 value),                   \
    (doc, indirect, value))                                                                        \
  X(Cos, 10, CosObj, CosNewName, (CosDoc doc, ASBool indirect, ASAtom name), (doc, indirect, name)) \
  X(Cos, 12, CosObj, CosNewArray, (CosDoc doc, ASBool indirect, ASInt32 room),                     \
    (doc, indirect, room))                                                                         \
  X(Cos, 13, CosObj, CosNewDict, (CosDoc doc, ASBool indirect, ASInt32 room), (doc, indirect, room)) \
  X(Cos, 14, CosObj, CosNewStream,                                                                 \
    (CosDoc doc, ASBool indirect, ASStm source, ASInt32 sourceStart, ASBool sourceIsEncoded,       \
     CosObj attributes, CosObj decodeParams, ASInt32 sourceLength),                                \
    (doc, indirect, source, sourceStart, sourceIsEncoded, attributes, decodeParams, sourceLength)) \
  X(Cos, 16, ASInt32, CosIntegerValue, (CosObj obj), (obj))                                        \
  X(Cos, 19, ASAtom, CosNameValue, (CosObj obj), (obj))                                            \
  X(Cos, 21, CosObj, CosDictGet, (CosObj dict, ASAtom key), (dict, key))                           \
  X(Cos, 22, void, CosDictPut, (CosObj dict, ASAtom key, CosObj value), (dict, key, value))        \
  X(Cos, 24, ASBool, CosDictKnown, (CosObj dict, ASAtom key), (dict, key))                         \
  X(Cos, 26, void, CosArrayPut, (CosObj array, ASInt32 index, CosObj value), (array, index, value)) \
  X(Cos, 27, void, CosArrayInsert, (CosObj array, ASInt32 position, CosObj value),                 \
    (array, position, value))                                                                      \
  X(Cos, 31, CosObj, CosStreamDict, (CosObj stream), (stream))                                     \
  X(Cos, 32, ASStm, CosStreamOpenStm, (CosObj stream, ASInt32 mode), (stream, mode))               \
  /* PDModel */                                                                                    \
  X(PDModel, 15, ASBool, PDAnnotIsValid, (PDAnnot annot), (annot))                                 \
  X(PDModel, 17, void, PDAnnotGetRect, (PDAnnot annot, ASFixedRect * rect), (annot, rect))         \
  X(PDModel, 26, CosObj, PDAnnotGetCosObj, (PDAnnot annot), (annot))                               \
  X(PDModel, 78, CosDoc, PDDocGetCosDoc, (PDDoc doc), (doc))                                       \
  X(PDModel, 137, ASInt32, PDPageGetNumber, (PDPage page), (page))                                 \
  X(PDModel, 139, PDDoc, PDPageGetDoc, (PDPage page), (page))                                      \
  X(PDModel, 153, PDAnnot, PDPageAddNewAnnot,                                                      \
    (PDPage page, ASInt32 addAfter, ASAtom subtype, const ASFixedRect* rect),                      \
    (page, addAfter, subtype, rect))                                                               \
  X(PDModel, 155, void, PDPageRemoveAnnot, (PDPage page, ASInt32 index), (page, index))            \
  X(PDModel, 156, ASInt32, PDPageGetAnnotIndex, (PDPage page, PDAnnot annot), (page, annot))      \
  /* AcroView */                                                                                   \
  X(AcroView, 5, void, AVAlertNote, (const char* text), (text))                                    \
  X(AcroView, 16, AVMenubar, AVAppGetMenubar, (), ())                                              \
  X(AcroView, 41, void, AVAppRegisterNotification,                                                 \
    (NSelector selector, ASExtension owner, ASCallback proc, void* clientData),                    \
    (selector, owner, proc, clientData))                                                           \
  X(AcroView, 71, AVMenu, AVMenubarAcquireMenuByName, (AVMenubar menubar, const char* name),       \
    (menubar, name))                                                                               \
  X(AcroView, 80, void, AVMenuRelease, (AVMenu menu), (menu))                                      \
  X(AcroView, 89, void, AVMenuAddMenuItem, (AVMenu menu, AVMenuItem item, ASInt32 position),       \
    (menu, item, position))                                                                        \
  X(AcroView, 90, AVMenuItem, AVMenuItemNew,                                                       \
    (const char* title, const char* name, AVMenu submenu, ASBool longMenusOnly, char shortcut,     \
     AVFlagBits16 flags, AVIcon icon, ASExtension owner),                                          \
    (title, name, submenu, longMenusOnly, shortcut, flags, icon, owner))                           \
  X(AcroView, 99, void, AVMenuItemSetExecuteProc, (AVMenuItem item, ASCallback proc, void* data),  \
    (item, proc, data))                                                                            \
  X(AcroView, 107, AVDoc, AVPageViewGetAVDoc, (AVPageView view), (view))                           \
  X(AcroView, 109, PDPage, AVPageViewGetPage, (AVPageView view), (view))                           \
  X(AcroView, 148, void*, AVPageViewAcquireMachinePort, (AVPageView view), (view))                 \
  X(AcroView, 149, void, AVPageViewReleaseMachinePort, (AVPageView view, void* port), (view, port)) \
  X(AcroView, 160, void, AVSysSetCursor, (AVCursor cursor), (cursor))                              \
  X(AcroView, 221, ASBool, AVPageViewPageNumIsVisible, (AVPageView view, ASInt32 pageNum),          \
    (view, pageNum))                                                                               \
  X(AcroView, 222, ASInt32, AVPageViewSetPageNum, (AVPageView view, ASInt32 pageNum),               \
    (view, pageNum))                                                                               \
  X(AcroView, 268, PDPage, AVPageViewGetVisibleAnnotPage, (AVPageView view, PDAnnot annot),         \
    (view, annot))                                                                                 \
  X(AcroView, 406, void, AVPageViewGetAperture, (AVPageView view, AVDevRect * rect), (view, rect)) \
  X(AcroView, 408, void, AVPageViewInvalidateRect, (AVPageView view, AVDevRect * rect),            \
    (view, rect))                                                                                  \
  X(AcroView, 412, void, AVPageViewGetAnnotRect, (AVPageView view, PDAnnot annot, AVDevRect * rect), \
    (view, annot, rect))                                                                           \
  X(AcroView, 413, void, AVPageViewRectToDevice,                                                   \
    (AVPageView view, const ASFixedRect* rect, AVDevRect* device), (view, rect, device))           \
  X(AcroView, 414, void, AVPageViewDeviceRectToPage,                                               \
    (AVPageView view, const AVDevRect* device, ASFixedRect* rect), (view, device, rect))           \
  X(AcroView, 415, void, AVPageViewDrawCosObj, (AVPageView view, CosObj obj, const AVDevRect* rect), \
    (view, obj, rect))                                                                             \
  X(AcroView, 442, ASBool, AVAppRegisterAnnotHandler, (AVAnnotHandler handler), (handler))         \
  X(AcroView, 497, AVUndo, AVUndoNew, (AVDoc doc, AVUndoHandler handler, AVUndoHandlerData data),  \
    (doc, handler, data))                                                                          \
  X(AcroView, 499, AVUndoHandlerData, AVUndoGetData, (AVUndo undo), (undo))                        \
  /* ASExtra */                                                                                    \
  X(ASExtra, 17, void, ASTextSetScriptText, (ASText text, const char* narrow, ASScript script),   \
    (text, narrow, script))

// Each line: table, slot, the table version that brought the slot, result, name,
// parameters, arguments.
#define MIRVANE_HOST_NEWER_OPERATIONS(X)                                                           \
  X(Cos, 85, 0x00070000, CosObj, CosDictGetKeyString, (CosObj dict, const char* key), (dict, key)) \
  X(Cos, 86, 0x00070000, ASBool, CosDictKnownKeyString, (CosObj dict, const char* key),            \
    (dict, key))                                                                                   \
  X(Cos, 87, 0x00070000, void, CosDictPutKeyString, (CosObj dict, const char* key, CosObj value),  \
    (dict, key, value))                                                                            \
  X(Cos, 95, 0x00070000, CosObj, CosNewNameFromString,                                             \
    (CosDoc doc, ASBool indirect, const char* text), (doc, indirect, text))                        \
  X(AcroView, 548, 0x00070000, ASBool, AVAppShouldKeyDeleteObject,                                 \
    (AVKeyCode key, AVFlagBits16 flags), (key, flags))
// clang-format on

// Slot constants: kCoreSlot_ASAtomFromString == 5, ...
#define MIRVANE_HOST_SLOT(table, slot, ret, name, params, args) \
  constexpr int k##table##Slot_##name = slot;
MIRVANE_HOST_OPERATIONS(MIRVANE_HOST_SLOT)
#undef MIRVANE_HOST_SLOT
#define MIRVANE_HOST_NEWER_SLOT(table, slot, since, ret, name, params, args) \
  constexpr int k##table##Slot_##name = slot;                                \
  constexpr ASUns32 k##table##Since_##name = since;
MIRVANE_HOST_NEWER_OPERATIONS(MIRVANE_HOST_NEWER_SLOT)
#undef MIRVANE_HOST_NEWER_SLOT

// Typed wrappers: each calls the table's entry at its slot.
#define MIRVANE_HOST_WRAPPER(table, slot, ret, name, params, args)           \
  typedef ret(HOSTCALL* name##Proc) params;                                  \
  inline ret name params {                                                   \
    return reinterpret_cast<name##Proc>(HostTable(kHost##table)[slot]) args; \
  }
MIRVANE_HOST_OPERATIONS(MIRVANE_HOST_WRAPPER)
#define MIRVANE_HOST_NEWER_WRAPPER(table, slot, since, ret, name, params, args) \
  MIRVANE_HOST_WRAPPER(table, slot, ret, name, params, args)
MIRVANE_HOST_NEWER_OPERATIONS(MIRVANE_HOST_NEWER_WRAPPER)
#undef MIRVANE_HOST_NEWER_WRAPPER
#undef MIRVANE_HOST_WRAPPER

// The optional trace table "ADBE:DebugWindow" (version 1); slot 3 takes one trace line.
constexpr ASUns32 kDebugWindowVersion = 1;
constexpr int kDebugWindowSlot_Trace = 3;
typedef void(HOSTCALL* DebugWindowTraceProc)(const char* line);

// Sends one trace line when the host offers the trace table; otherwise nothing.
inline void DebugWindowTrace(const char* line) {
  if (gHostBinding.debugWindow != nullptr)
    reinterpret_cast<DebugWindowTraceProc>(gHostBinding.debugWindow[kDebugWindowSlot_Trace])(line);
}
