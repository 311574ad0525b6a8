// Support for the reference host's own tests: the host's operations called through its
// tables by slot, as the plug-in calls them, and a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

#include "Host.h"

namespace hosttest {

using namespace refhost;

// One typed wrapper per operation: the entry at the table's slot, cast to the signature
// the plug-in uses.
#define HOSTTEST_OP(table, name, ret, params, args)                                              \
  inline ret name params {                                                                       \
    typedef ret(REFHOST_CALL* Proc) params;                                                      \
    return reinterpret_cast<Proc>(Host::Current().TableEntries(Table::table)[slot::table::name]) \
        args;                                                                                    \
  }

HOSTTEST_OP(Core, ASRaise, void, (ASErrorCode code), (code))
HOSTTEST_OP(Core, ASAtomFromString, ASAtom, (const char* text), (text))
HOSTTEST_OP(Core, ASAtomGetString, const char*, (ASAtom atom), (atom))
HOSTTEST_OP(Core, ASCallbackCreate, Callback, (Handle extension, void* proc), (extension, proc))

HOSTTEST_OP(AcroSupport, ASFileSysCreatePathName, Handle,
            (Handle fs, ASAtom type, const void* spec, const void* zero), (fs, type, spec, zero))
HOSTTEST_OP(AcroSupport, ASFileSysReleasePath, void, (Handle fs, Handle path), (fs, path))
HOSTTEST_OP(AcroSupport, ASFileSysOpenFile, ASErrorCode,
            (Handle fs, Handle path, ASUns16 mode, Handle* file), (fs, path, mode, file))
HOSTTEST_OP(AcroSupport, ASFileClose, ASInt32, (Handle file), (file))
HOSTTEST_OP(AcroSupport, ASFileGetEOF, ASInt32, (Handle file), (file))
HOSTTEST_OP(AcroSupport, ASFileStmRdOpen, Handle, (Handle file, ASUns32 size), (file, size))
HOSTTEST_OP(AcroSupport, ASFileStmWrOpen, Handle, (Handle file, ASUns32 size), (file, size))
HOSTTEST_OP(AcroSupport, ASMemStmRdOpen, Handle, (char* data, ASUns32 length), (data, length))
HOSTTEST_OP(AcroSupport, ASStmRead, ASTCount,
            (char* buffer, ASTCount itemSize, ASTCount count, Handle stm),
            (buffer, itemSize, count, stm))
HOSTTEST_OP(AcroSupport, ASStmWrite, ASTCount,
            (const char* buffer, ASTCount itemSize, ASTCount count, Handle stm),
            (buffer, itemSize, count, stm))
HOSTTEST_OP(AcroSupport, ASStmFlush, ASInt32, (Handle stm), (stm))
HOSTTEST_OP(AcroSupport, ASStmClose, void, (Handle stm), (stm))

HOSTTEST_OP(Cos, CosObjGetType, ASInt32, (CosObj obj), (obj))
HOSTTEST_OP(Cos, CosNewNull, CosObj, (), ())
HOSTTEST_OP(Cos, CosNewInteger, CosObj, (Handle doc, ASBool indirect, ASInt32 value),
            (doc, indirect, value))
HOSTTEST_OP(Cos, CosNewArray, CosObj, (Handle doc, ASBool indirect, ASInt32 room),
            (doc, indirect, room))
HOSTTEST_OP(Cos, CosNewDict, CosObj, (Handle doc, ASBool indirect, ASInt32 room),
            (doc, indirect, room))
HOSTTEST_OP(Cos, CosNewStream, CosObj,
            (Handle doc, ASBool indirect, Handle source, ASInt32 start, ASBool encoded,
             CosObj attributes, CosObj params, ASInt32 length),
            (doc, indirect, source, start, encoded, attributes, params, length))
HOSTTEST_OP(Cos, CosIntegerValue, ASInt32, (CosObj obj), (obj))
HOSTTEST_OP(Cos, CosNameValue, ASAtom, (CosObj obj), (obj))
HOSTTEST_OP(Cos, CosDictGet, CosObj, (CosObj dict, ASAtom key), (dict, key))
HOSTTEST_OP(Cos, CosDictPut, void, (CosObj dict, ASAtom key, CosObj value), (dict, key, value))
HOSTTEST_OP(Cos, CosDictKnown, ASBool, (CosObj dict, ASAtom key), (dict, key))
HOSTTEST_OP(Cos, CosArrayInsert, void, (CosObj array, ASInt32 position, CosObj value),
            (array, position, value))
HOSTTEST_OP(Cos, CosArrayPut, void, (CosObj array, ASInt32 index, CosObj value),
            (array, index, value))
HOSTTEST_OP(Cos, CosStreamDict, CosObj, (CosObj stream), (stream))
HOSTTEST_OP(Cos, CosStreamOpenStm, Handle, (CosObj stream, ASInt32 mode), (stream, mode))
HOSTTEST_OP(Cos, CosDictGetKeyString, CosObj, (CosObj dict, const char* key), (dict, key))
HOSTTEST_OP(Cos, CosDictKnownKeyString, ASBool, (CosObj dict, const char* key), (dict, key))
HOSTTEST_OP(Cos, CosDictPutKeyString, void, (CosObj dict, const char* key, CosObj value),
            (dict, key, value))
HOSTTEST_OP(Cos, CosNewName, CosObj, (Handle doc, ASBool indirect, ASAtom name),
            (doc, indirect, name))
HOSTTEST_OP(Cos, CosNewNameFromString, CosObj, (Handle doc, ASBool indirect, const char* text),
            (doc, indirect, text))

HOSTTEST_OP(PDModel, PDAnnotIsValid, ASBool, (PDAnnot annot), (annot))
HOSTTEST_OP(PDModel, PDAnnotGetRect, void, (PDAnnot annot, FixedRect* rect), (annot, rect))
HOSTTEST_OP(PDModel, PDAnnotGetCosObj, CosObj, (PDAnnot annot), (annot))
HOSTTEST_OP(PDModel, PDPageAddNewAnnot, PDAnnot,
            (Handle page, ASInt32 addAfter, ASAtom subtype, const FixedRect* rect),
            (page, addAfter, subtype, rect))
HOSTTEST_OP(PDModel, PDPageRemoveAnnot, void, (Handle page, ASInt32 index), (page, index))
HOSTTEST_OP(PDModel, PDDocGetCosDoc, Handle, (Handle doc), (doc))
HOSTTEST_OP(PDModel, PDPageGetDoc, Handle, (Handle page), (page))
HOSTTEST_OP(PDModel, PDPageGetAnnotIndex, ASInt32, (Handle page, PDAnnot annot), (page, annot))

HOSTTEST_OP(AcroView, AVAlertNote, void, (const char* text), (text))
HOSTTEST_OP(AcroView, AVPageViewGetAVDoc, Handle, (Handle view), (view))
HOSTTEST_OP(AcroView, AVPageViewGetPage, Handle, (Handle view), (view))
HOSTTEST_OP(AcroView, AVPageViewGetAperture, void, (Handle view, DevRect* rect), (view, rect))
HOSTTEST_OP(AcroView, AVPageViewInvalidateRect, void, (Handle view, DevRect* rect), (view, rect))
HOSTTEST_OP(AcroView, AVPageViewGetAnnotRect, void, (Handle view, PDAnnot annot, DevRect* rect),
            (view, annot, rect))
HOSTTEST_OP(AcroView, AVPageViewRectToDevice, void,
            (Handle view, const FixedRect* rect, DevRect* device), (view, rect, device))
HOSTTEST_OP(AcroView, AVPageViewDeviceRectToPage, void,
            (Handle view, const DevRect* device, FixedRect* rect), (view, device, rect))
HOSTTEST_OP(AcroView, AVAppRegisterNotification, void,
            (ASInt32 selector, Handle owner, Callback proc, void* clientData),
            (selector, owner, proc, clientData))
HOSTTEST_OP(AcroView, AVAppRegisterAnnotHandler, ASBool, (const AnnotHandlerRec* handler),
            (handler))
HOSTTEST_OP(AcroView, AVPageViewDrawCosObj, void, (Handle view, CosObj obj, const DevRect* rect),
            (view, obj, rect))
HOSTTEST_OP(AcroView, AVSysSetCursor, void, (void* cursor), (cursor))
HOSTTEST_OP(AcroView, AVPageViewAcquireMachinePort, void*, (Handle view), (view))
HOSTTEST_OP(AcroView, AVPageViewReleaseMachinePort, void, (Handle view, void* port), (view, port))
HOSTTEST_OP(AcroView, AVAppShouldKeyDeleteObject, ASBool, (ASInt32 key, ASUns16 flags),
            (key, flags))
HOSTTEST_OP(AcroView, AVUndoNew, Handle,
            (Handle docView, const UndoHandlerRec* handler, void* data), (docView, handler, data))
HOSTTEST_OP(AcroView, AVUndoGetData, void*, (Handle undo), (undo))
HOSTTEST_OP(AcroView, AVAppGetMenubar, Handle, (), ())
HOSTTEST_OP(AcroView, AVMenubarAcquireMenuByName, Handle, (Handle menubar, const char* name),
            (menubar, name))
HOSTTEST_OP(AcroView, AVMenuRelease, void, (Handle menu), (menu))
HOSTTEST_OP(AcroView, AVMenuItemNew, Handle,
            (const char* title, const char* name, Handle submenu, ASBool longMenusOnly,
             char shortcut, ASUns16 flags, void* icon, Handle owner),
            (title, name, submenu, longMenusOnly, shortcut, flags, icon, owner))
HOSTTEST_OP(AcroView, AVMenuItemSetExecuteProc, void, (Handle item, Callback proc, void* data),
            (item, proc, data))
HOSTTEST_OP(AcroView, AVMenuAddMenuItem, void, (Handle menu, Handle item, ASInt32 position),
            (menu, item, position))

HOSTTEST_OP(ASExtra, ASTextSetScriptText, void, (Handle text, const char* narrow, ASInt32 encoding),
            (text, narrow, encoding))

#undef HOSTTEST_OP

// A host per test; Run calls into the host as the plug-in does, under the host's frame.
class HostTest : public ::testing::Test {
 protected:
  // The host error code that ended `call`, or 0 when it ran through. `call` must keep
  // no object with a destructor alive: a host error jumps over it.
  template <typename F>
  ASErrorCode Run(F&& call) {
    if (host_.CallPlugin("test", call)) return kErrNone;
    return host_.uncaughtErrors().back().code;
  }

  Host host_;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("refhost-test-" + std::to_string(tick) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline bool SameRect(const FixedRect& x, const FixedRect& y) {
  return x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom;
}
inline bool SameRect(const DevRect& x, const DevRect& y) {
  return x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom;
}

}  // namespace hosttest
