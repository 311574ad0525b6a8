// The reference host's core against the plug-in's view of it: slots, atoms, callbacks,
// the allocator, exception frames and fault injection.
#include <gtest/gtest.h>

#include "Host.h"
#include "HostInterface/HostInterface.h"
#include "PlugInEntry.h"
#include "PluginLoader.h"

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

using HostCoreDeathTest = HostCoreTest;

TEST_F(HostCoreDeathTest, SlotTheHostDoesNotOfferFailsLoudlyNamingTableAndSlot) {
  typedef void(HOSTCALL * AnyProc)();
  EXPECT_DEATH(reinterpret_cast<AnyProc>(HostTable(kHostCos)[3])(), "Cos slot 3");
  EXPECT_DEATH(reinterpret_cast<AnyProc>(HostTable(kHostPDSRead)[1])(), "PDSRead slot 1");
}

}  // namespace
