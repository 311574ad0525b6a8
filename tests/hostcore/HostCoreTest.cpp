// The reference host's core against the plug-in's view of it: slots, atoms, callbacks,
// the allocator, exception frames and fault injection.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <string>

#include "Host.h"
#include "HostInterface/HostInterface.h"
#include "PlugInEntry.h"
#include "PluginLoader.h"
#include "ViewerFacts.h"

namespace {

class HostCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const refhost::StartupReport report = refhost::RunStartup(host_, &PlugInMain, nullptr);
    ASSERT_TRUE(report.ok()) << report.failure;
  }
  refhost::Host host_;
};

// A guarded sequence as the plug-in writes one: the handler sees the host's error code.
ASErrorCode GuardedAtom(const char* text, ASAtom* atom) {
  HostExceptionFrame frame;
  volatile ASErrorCode caught = 0;
  HOST_DURING(frame)
  *atom = ASAtomFromString(text);
  HOST_HANDLER
  caught = ASGetExceptionErrorCode();
  HOST_END_HANDLER
  return caught;
}

TEST_F(HostCoreTest, AtomsAreStableAndNeverTheNullAtom) {
  ASAtom first = 0, again = 0, other = 0;
  ASSERT_TRUE(host_.CallPlugin("atoms", [&] {
    first = ASAtomFromString("KXTRIVOPlayerF");
    again = ASAtomFromString("KXTRIVOPlayerF");
    other = ASAtomFromString("Filename");
  }));
  EXPECT_EQ(first, again);
  EXPECT_NE(first, other);
  EXPECT_NE(first, ASAtomNull);
  const char* text = nullptr;
  ASSERT_TRUE(host_.CallPlugin("text", [&] { text = ASAtomGetString(other); }));
  EXPECT_STREQ(text, "Filename");
}

TEST_F(HostCoreTest, UnknownAtomRaisesInsteadOfAnsweringGarbage) {
  EXPECT_FALSE(host_.CallPlugin("bad atom", [] { ASAtomGetString(0x7FFF); }));
  ASSERT_EQ(host_.uncaughtErrors().size(), 1u);
  EXPECT_EQ(host_.uncaughtErrors()[0].code, refhost::kErrBadParameter);
}

TEST_F(HostCoreTest, GuardedSequenceCatchesAnInjectedFaultAndBalancesFrames) {
  host_.InjectFault(refhost::Table::Core, refhost::slot::Core::ASAtomFromString, 2, 0x40000123);
  ASAtom atom = ASAtomNull;
  ASErrorCode first = -1, second = -1, third = -1;
  ASSERT_TRUE(host_.CallPlugin("guarded", [&] {
    first = GuardedAtom("one", &atom);
    second = GuardedAtom("two", &atom);
    third = GuardedAtom("three", &atom);
  }));
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 0x40000123);  // the second call from now on raised
  EXPECT_EQ(third, 0);
  EXPECT_STREQ(host_.AtomText(atom), "three");
  EXPECT_TRUE(host_.uncaughtErrors().empty());
  EXPECT_EQ(host_.FrameDepth(), 0u);
}

TEST_F(HostCoreTest, ErrorOutsideAGuardIsRecordedByTheHostFrame) {
  host_.InjectFault(refhost::Table::Core, refhost::slot::Core::ASAtomFromString, 1, 0x40000321);
  bool after = false;
  EXPECT_FALSE(host_.CallPlugin("unguarded", [&] {
    ASAtomFromString("x");
    after = true;
  }));
  EXPECT_FALSE(after) << "a host error must end the callback";
  ASSERT_EQ(host_.uncaughtErrors().size(), 1u);
  EXPECT_EQ(host_.uncaughtErrors()[0].where, "unguarded");
  EXPECT_EQ(host_.uncaughtErrors()[0].code, 0x40000321);
  EXPECT_EQ(host_.FrameDepth(), 0u);
}

TEST_F(HostCoreTest, ASRaiseReachesTheInnermostFrame) {
  ASErrorCode caught = 0;
  ASSERT_TRUE(host_.CallPlugin("raise", [&] {
    HostExceptionFrame frame;
    volatile ASErrorCode code = 0;
    HOST_DURING(frame)
    ASRaise(0x40000999);
    HOST_HANDLER
    code = ASGetExceptionErrorCode();
    HOST_END_HANDLER
    caught = code;
  }));
  EXPECT_EQ(caught, 0x40000999);
}

TEST_F(HostCoreTest, AllocatorCountsLiveBlocksAndRejectsForeignOnes) {
  void* block = nullptr;
  ASSERT_TRUE(host_.CallPlugin("alloc", [&] { block = ASmalloc(24); }));
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(host_.LiveAllocations(), 1u);
  int local = 0;
  EXPECT_FALSE(host_.CallPlugin("foreign free", [&] { ASfree(&local); }));
  EXPECT_EQ(host_.LiveAllocations(), 1u);
  ASSERT_TRUE(host_.CallPlugin("free", [&] { ASfree(block); }));
  EXPECT_EQ(host_.LiveAllocations(), 0u);
}

TEST_F(HostCoreTest, ErrorTextFitsTheCallersBuffer) {
  char small[8];
  char large[512];
  ASSERT_TRUE(host_.CallPlugin("text", [&] {
    ASGetErrorString(refhost::kErrFileOpen, small, sizeof small);
    ASGetErrorString(refhost::kErrFileOpen, large, sizeof large);
  }));
  EXPECT_EQ(std::string(small), std::string(large).substr(0, 7));
  EXPECT_STREQ(large, refhost::Host::ErrorText(refhost::kErrFileOpen));
}

TEST_F(HostCoreTest, CallbacksNeedTheExtensionIdAndAProcedure) {
  EXPECT_FALSE(
      host_.CallPlugin("no proc", [] { ASCallbackCreate(gHostBinding.extensionId, nullptr); }));
  EXPECT_FALSE(host_.CallPlugin("wrong owner", [] {
    ASCallbackCreate(reinterpret_cast<ASExtension>(0x1234), reinterpret_cast<void*>(&PlugInInit));
  }));
  EXPECT_EQ(host_.uncaughtErrors().size(), 2u);
}

TEST_F(HostCoreTest, DebugWindowIsNullWithoutTheTable) {
  EXPECT_EQ(gHostBinding.debugWindow, nullptr);
}

// Every record the viewer and the plug-in hand each other, as the plug-in declares it and
// as the host declares it on its own: sizes and member offsets must agree on every target,
// or one side reads the other's members at the wrong place.
struct LayoutRow {
  const char* record;
  const char* member;  // "(size)" for the record's size
  size_t plugin;
  size_t host;
};

#define SIZE_ROW(P, H) \
  { #P, "(size)", sizeof(P), sizeof(refhost::H) }
#define MEMBER_ROW(P, H, pm, hm) \
  { #P, #pm, offsetof(P, pm), offsetof(refhost::H, hm) }
// The host reads a handler procedure by its word position in the record.
#define HANDLER_ROW(pm, position)                               \
  {                                                             \
    "AVAnnotHandlerRec", #pm, offsetof(AVAnnotHandlerRec, pm),  \
        offsetof(refhost::AnnotHandlerRec, procs) +             \
            (refhost::position - 2) * sizeof(refhost::Callback) \
  }

const LayoutRow kLayouts[] = {
    SIZE_ROW(ASBool, ASBool),
    SIZE_ROW(ASAtom, ASAtom),
    SIZE_ROW(ASFixed, ASFixed),
    SIZE_ROW(ASSize_t, AnnotHandlerInfoRec::size),
    SIZE_ROW(ASCallback, Callback),
    SIZE_ROW(PlatformRecord, PlatformRecord),
    MEMBER_ROW(PlatformRecord, PlatformRecord, hostDefined, hostDefined),
    MEMBER_ROW(PlatformRecord, PlatformRecord, moduleInstance, moduleInstance),
    SIZE_ROW(HostSetupRecord, SetupRecord),
    MEMBER_ROW(HostSetupRecord, SetupRecord, handshakeVersion, handshakeVersion),
    MEMBER_ROW(HostSetupRecord, SetupRecord, extensionId, extensionId),
    MEMBER_ROW(HostSetupRecord, SetupRecord, coreTable, coreTable),
    MEMBER_ROW(HostSetupRecord, SetupRecord, handshakeCallback, handshakeCallback),
    SIZE_ROW(HostHandshakeRecord, HandshakeRecord),
    MEMBER_ROW(HostHandshakeRecord, HandshakeRecord, handshakeVersion, handshakeVersion),
    MEMBER_ROW(HostHandshakeRecord, HandshakeRecord, hostField, hostField),
    MEMBER_ROW(HostHandshakeRecord, HandshakeRecord, extensionName, extensionName),
    MEMBER_ROW(HostHandshakeRecord, HandshakeRecord, exportHFTsCallback, exportHFTs),
    MEMBER_ROW(HostHandshakeRecord, HandshakeRecord, importReplaceAndRegisterCallback,
               importReplaceAndRegister),
    MEMBER_ROW(HostHandshakeRecord, HandshakeRecord, initCallback, init),
    MEMBER_ROW(HostHandshakeRecord, HandshakeRecord, unloadCallback, unload),
    SIZE_ROW(AVAnnotHandlerRec, AnnotHandlerRec),
    MEMBER_ROW(AVAnnotHandlerRec, AnnotHandlerRec, size, size),
    MEMBER_ROW(AVAnnotHandlerRec, AnnotHandlerRec, flags, flags),
    HANDLER_ROW(notifyAnnotRemovedFromSelection, kNotifyRemovedFromSelection),
    HANDLER_ROW(notifyAnnotAddedToSelection, kNotifyAddedToSelection),
    HANDLER_ROW(getType, kGetType),
    HANDLER_ROW(getLayer, kGetLayer),
    HANDLER_ROW(getInfo, kGetInfo),
    HANDLER_ROW(deleteInfo, kDeleteInfo),
    HANDLER_ROW(keyDown, kKeyDown),
    HANDLER_ROW(doClick, kDoClick),
    HANDLER_ROW(adjustCursor, kAdjustCursor),
    HANDLER_ROW(getAnnotViewBBox, kGetAnnotViewBBox),
    HANDLER_ROW(draw, kDraw),
    SIZE_ROW(AVAnnotHandlerInfoRec, AnnotHandlerInfoRec),
    MEMBER_ROW(AVAnnotHandlerInfoRec, AnnotHandlerInfoRec, size, size),
    MEMBER_ROW(AVAnnotHandlerInfoRec, AnnotHandlerInfoRec, uiName, uiName),
    MEMBER_ROW(AVAnnotHandlerInfoRec, AnnotHandlerInfoRec, bitmap, bitmap),
    SIZE_ROW(AVUndoHandlerRec, UndoHandlerRec),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, size, size),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, type, type),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, canUndo, canUndo),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, undo, undo),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, canRedo, canRedo),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, redo, redo),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, undoTitle, undoTitle),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, redoTitle, redoTitle),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, release, release),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, notify8, notify8),
    MEMBER_ROW(AVUndoHandlerRec, UndoHandlerRec, notify9, notify9),
    SIZE_ROW(WinPort, MachinePort),
    MEMBER_ROW(WinPort, MachinePort, hWnd, window),
    MEMBER_ROW(WinPort, MachinePort, hDC, drawingContext),
    SIZE_ROW(ASFixedRect, FixedRect),
    MEMBER_ROW(ASFixedRect, FixedRect, left, left),
    MEMBER_ROW(ASFixedRect, FixedRect, top, top),
    MEMBER_ROW(ASFixedRect, FixedRect, right, right),
    MEMBER_ROW(ASFixedRect, FixedRect, bottom, bottom),
    SIZE_ROW(AVDevRect, DevRect),
    MEMBER_ROW(AVDevRect, DevRect, left, left),
    MEMBER_ROW(AVDevRect, DevRect, top, top),
    MEMBER_ROW(AVDevRect, DevRect, right, right),
    MEMBER_ROW(AVDevRect, DevRect, bottom, bottom),
    SIZE_ROW(PDAnnot, PDAnnot),
    MEMBER_ROW(PDAnnot, PDAnnot, a, a),
    MEMBER_ROW(PDAnnot, PDAnnot, b, b),
    SIZE_ROW(CosObj, CosObj),
    MEMBER_ROW(CosObj, CosObj, a, a),
    MEMBER_ROW(CosObj, CosObj, b, b),
};

TEST(RecordLayouts, PlugInAndHostAgreeOnEverySizeAndMemberOffset) {
  for (const LayoutRow& row : kLayouts)
    EXPECT_EQ(row.plugin, row.host) << row.record << "." << row.member;
}

// Every operation of the plug-in's own list is at the slot where the viewer publishes it
// under that name, live, and within the table version the plug-in requires, or else one of
// the newer operations that it calls only behind the version test.
TEST(PlugInOperations, EachIsTheViewersOperationAtItsPublishedSlotAndVersion) {
  struct Row {
    const char* table;
    int slot;
    const char* name;
    ASUns32 since;  // 0: called on every table the plug-in accepts
  };
#define PLUGIN_ROW(table, slot, ret, name, params, args) {#table, slot, #name, 0},
#define PLUGIN_NEWER_ROW(table, slot, since, ret, name, params, args) {#table, slot, #name, since},
  const Row rows[] = {MIRVANE_HOST_OPERATIONS(PLUGIN_ROW)
                          MIRVANE_HOST_NEWER_OPERATIONS(PLUGIN_NEWER_ROW)};
#undef PLUGIN_ROW
#undef PLUGIN_NEWER_ROW
  ASSERT_GT(sizeof rows / sizeof rows[0], 60u);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.table) + " " + std::to_string(row.slot) + " " + row.name);
    const viewerfacts::TableFacts* facts = nullptr;
    for (const viewerfacts::TableFacts& table : viewerfacts::kTables)
      if (std::string(table.name) == row.table) facts = &table;
    ASSERT_NE(facts, nullptr);
    ASSERT_GE(row.slot, 1);
    ASSERT_LE(row.slot, facts->slotCount);
    const viewerfacts::SlotFact& fact = facts->slots[row.slot];
    EXPECT_STREQ(fact.operation, row.name);
    EXPECT_TRUE(fact.live);
    ASUns32 required = 0;
    for (const RequiredHostTable& table : kRequiredHostTables)
      if (std::string(table.name) == row.table) required = table.version;
    ASSERT_NE(required, 0u);
    if (row.since == 0) {
      EXPECT_LE(fact.from, required) << "newer than the table version the plug-in requires";
    } else {
      EXPECT_GT(row.since, required) << "needs no version test";
      EXPECT_LE(fact.from, row.since) << "called on tables that do not have it";
    }
  }
}

// A slot the host does not fill, or one past the end of the table at the version offered,
// ends the session with status 4 and says what was called.
TEST(HostTrapDeathTest, CallsTheViewerDoesNotOfferEndTheSessionNamingWhatWasCalled) {
  const struct {
    int viewer;
    HostTableId table;
    int slot;
    const char* message;
  } cases[] = {
      {9, kHostPDModel, 50,
       "the plug-in called PDModel slot 50 \\(PDBookmarkGetFirstChild\\), which this host "
       "does not offer"},
      {9, kHostCos, 3, "Cos slot 3 \\(CosObjIsIndirect\\), which this host does not offer"},
      {6, kHostPDSRead, 1, "PDSRead slot 1 \\(PDDocGetStructTreeRoot\\), which"},
      {6, kHostCos, 85,
       "Cos slot 85 \\(CosDictGetKeyString\\) past the end of the table: Cos version "
       "0x00060000 has 76 slots"},
      {6, kHostAcroView, 548,
       "AcroView slot 548 \\(AVAppShouldKeyDeleteObject\\) past the end of the table: "
       "AcroView version 0x00060000 has 545 slots"},
      {9, kHostPDModel, 647,
       "PDModel slot 647 \\(PDApplyFunctionEx\\) past the end of the table: PDModel version "
       "0x00090000 has 646 slots"},
      {9, kHostCore, 15, "Core slot 15 past the end of the table: Core version 0x00090000 has 14"},
  };
  typedef void(HOSTCALL * AnyProc)();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EXIT(
        {
          refhost::Host host(refhost::Profile::Viewer(c.viewer));
          if (!refhost::RunStartup(host, &PlugInMain, nullptr).ok()) std::exit(1);
          reinterpret_cast<AnyProc>(HostTable(c.table)[c.slot])();
        },
        ::testing::ExitedWithCode(4), c.message);
  }
}

}  // namespace
