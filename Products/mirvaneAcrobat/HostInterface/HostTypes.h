// Value types of the viewer's plug-in interface, as the plug-in sees them.
#pragma once

#include <cstddef>
#include <cstdint>

// The viewer calls plug-ins and is called by them with the C calling convention.
#if defined(_WIN32) && !defined(_WIN64)
#define HOSTCALL __cdecl
#else
#define HOSTCALL
#endif

typedef uint16_t ASBool;  // 16-bit truth value: 1 true, 0 false
typedef uint16_t ASAtom;  // 16-bit name token
typedef int16_t ASInt16;
typedef uint16_t ASUns16;
typedef int32_t ASInt32;
typedef uint32_t ASUns32;
typedef int32_t ASFixed;  // 16.16 fixed point, 1.0 == 0x00010000
typedef int32_t ASErrorCode;
typedef int32_t ASTCount;
typedef size_t ASSize_t;
typedef ASInt32 CosType;
typedef ASInt32 NSelector;
typedef ASUns16 AVFlagBits16;
typedef ASInt32 AVKeyCode;
typedef ASInt32 ASScript;  // a writing system; 0 is the Roman script

constexpr ASAtom ASAtomNull = 0xFFFF;
constexpr ASBool ASTrue = 1;
constexpr ASBool ASFalse = 0;
constexpr ASFixed fixedOne = 0x00010000;

// Page-space rectangle in default user space.
struct ASFixedRect {
  ASFixed left, top, right, bottom;
};

// Device rectangle of a page view; y grows downwards.
struct AVDevRect {
  ASInt32 left, top, right, bottom;
};

// Two-word values passed by value. The null annotation is all zero.
struct PDAnnot {
  ASUns32 a, b;
};
struct CosObj {
  ASUns32 a, b;
};

inline bool operator==(const PDAnnot& x, const PDAnnot& y) {
  return x.a == y.a && x.b == y.b;
}
inline bool operator!=(const PDAnnot& x, const PDAnnot& y) {
  return !(x == y);
}
inline bool IsNullAnnot(const PDAnnot& x) {
  return x.a == 0 && x.b == 0;
}

// A host function table: an array of entry points called by slot number.
typedef void* HFTEntry;
typedef HFTEntry* HFT;

// A procedure handed to the host, made by ASCallbackCreate.
typedef void* ASCallback;

// Opaque host handles.
typedef struct _t_ASExtension* ASExtension;
typedef struct _t_PDDoc* PDDoc;
typedef struct _t_PDPage* PDPage;
typedef struct _t_AVDoc* AVDoc;
typedef struct _t_AVPageView* AVPageView;
typedef struct _t_CosDoc* CosDoc;
typedef struct _t_ASFileSys* ASFileSys;
typedef struct _t_ASPathName* ASPathName;
typedef struct _t_ASFile* ASFile;
typedef struct _t_ASStm* ASStm;
typedef struct _t_AVMenubar* AVMenubar;
typedef struct _t_AVMenu* AVMenu;
typedef struct _t_AVMenuItem* AVMenuItem;
typedef struct _t_AVIcon* AVIcon;
typedef struct _t_AVCursor* AVCursor;
typedef struct _t_AVUndo* AVUndo;
typedef struct _t_ASText* ASText;
typedef void* AVUndoHandlerData;

// What AVPageViewAcquireMachinePort hands out on the viewer's platform.
struct WinPort {
  void* hWnd;  // the page view's window, null when it has none
  void* hDC;
};

// Object type codes of the object layer.
enum : CosType {
  CosNull = 0,
  CosInteger = 1,
  CosFixed = 2,
  CosBoolean = 3,
  CosName = 4,
  CosString = 5,
  CosDict = 6,
  CosArray = 7,
  CosStream = 8
};

// CosStreamOpenStm modes.
enum : ASInt32 { cosOpenRaw = 0, cosOpenUnfiltered = 1, cosOpenFiltered = 2 };

// ASFileSysOpenFile modes.
enum : ASUns16 { ASFILE_READ = 1, ASFILE_WRITE = 2, ASFILE_CREATE = 4 };

// The viewer's file-system error codes (always severity, file system), raised by the
// plug-in for failures it finds itself so that the alert shows the viewer's own text.
constexpr ASErrorCode fileErrOpenFailed = 0x40010001;
constexpr ASErrorCode fileErrTooBig = 0x40010004;

// Notification selectors used by the plug-in, as the viewer numbers them. PDDocDidClose
// comes last as the viewer closes a document, after its views and their windows are gone.
enum : NSelector { AVPageViewDidChangeNSEL = 14, PDDocDidCloseNSEL = 77, PDDocDidOpenNSEL = 89 };

// The viewer's key codes of the deleting keys (Windows).
enum : AVKeyCode { kAVKeyBackspace = 8, kAVKeyDelete = 127 };

constexpr ASScript kASRomanScript = 0;

// Where PDPageAddNewAnnot puts the new annotation in the page's annotations.
constexpr ASInt32 kAddAnnotAtEnd = -2;
