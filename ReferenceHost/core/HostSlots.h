// Slot numbers of the tables the host offers, written from the interface list. The
// plug-in has its own list; both must agree for the tests to pass.
#pragma once

namespace refhost {
namespace slot {

namespace Core {
enum : int {
  ASRaise = 1,
  ASPushExceptionFrame = 2,
  ASPopExceptionFrame = 3,
  ASGetExceptionErrorCode = 4,
  ASAtomFromString = 5,
  ASAtomGetString = 7,
  ASCallbackCreate = 8,
  ASExtensionMgrGetHFT = 10,
  Size = 16
};
}

namespace AcroSupport {
enum : int {
  ASmalloc = 1,
  ASfree = 3,
  ASGetErrorString = 4,
  ASFileSysReleasePath = 25,
  ASFileSysOpenFile = 26,
  ASFileClose = 29,
  ASFileGetEOF = 33,
  ASFileStmRdOpen = 40,
  ASMemStmRdOpen = 41,
  ASStmRead = 43,
  ASStmWrite = 44,
  ASStmClose = 45,
  ASFileSysCreatePathName = 52,
  ASFileStmWrOpen = 56,
  ASStmFlush = 100,
  HFTGetVersion = 103,
  Size = 110
};
}

namespace Cos {
enum : int {
  CosObjGetType = 2,
  CosNewNull = 6,
  CosNewInteger = 7,
  CosNewArray = 12,
  CosNewDict = 13,
  CosNewStream = 14,
  CosIntegerValue = 16,
  CosNameValue = 19,
  CosDictGet = 21,
  CosDictPut = 22,
  CosDictKnown = 24,
  CosArrayInsert = 26,
  CosArrayPut = 27,
  CosStreamDict = 31,
  CosStreamOpenStm = 32,
  CosDictGetKeyString = 85,
  CosDictKnownKeyString = 86,
  CosDictPutKeyString = 87,
  CosNewNameFromString = 95,
  Size = 100
};
}

namespace PDModel {
enum : int {
  PDAnnotIsValid = 15,
  PDAnnotGetRect = 17,
  PDAnnotGetCosObj = 26,
  PDPageAddNewAnnot = 50,  // the host's own slot for creating an annotation on a page
  PDPageRemoveAnnot = 51,  // the host's own slot for removing one (page, index)
  PDDocGetCosDoc = 78,
  PDPageGetDoc = 139,
  PDPageGetAnnotIndex = 156,
  Size = 160
};
}

namespace AcroView {
enum : int {
  AVAlertNote = 5,
  AVAppGetMenubar = 16,
  AVAppRegisterNotification = 41,
  AVMenubarAcquireMenuByName = 71,
  AVMenuRelease = 80,
  AVMenuAddMenuItem = 89,
  AVMenuItemNew = 90,
  AVMenuItemSetExecuteProc = 99,
  AVPageViewGetAVDoc = 107,
  AVPageViewGetPage = 109,
  AVPageViewAcquireMachinePort = 148,
  AVPageViewReleaseMachinePort = 149,
  AVSysSetCursor = 160,
  AVPageViewGetAperture = 406,
  AVPageViewInvalidateRect = 408,
  AVPageViewGetAnnotRect = 412,
  AVPageViewRectToDevice = 413,
  AVPageViewDeviceRectToPage = 414,
  AVPageViewDrawCosObj = 415,
  AVAppRegisterAnnotHandler = 442,
  AVUndoNew = 497,
  AVUndoGetData = 499,
  AVAppIsDeleteKeyStroke = 548,
  Size = 560
};
}

namespace PDSRead {
enum : int { Size = 8 };
}

namespace ASExtra {
enum : int { ASTextSetEncoded = 17, Size = 24 };
}

namespace DebugWindow {
enum : int { Trace = 3, Size = 8 };
}

}  // namespace slot
}  // namespace refhost
