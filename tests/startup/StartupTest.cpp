// Start-up of the real plug-in module as the viewer runs it, under different host
// profiles: handshake versions, missing tables, unknown table versions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Host.h"
#include "PageViews.h"
#include "PlatformControl.h"
#include "PluginLoader.h"
#include "TestPaths.h"
#include "Viewer.h"

namespace {

using refhost::HftLookup;
using refhost::Host;
using refhost::PluginModule;
using refhost::Profile;
using refhost::StartupReport;

struct Lookup {
  std::string name;
  uint32_t version;
  bool found;
};

std::vector<Lookup> Lookups(const Host& host) {
  std::vector<Lookup> out;
  for (const HftLookup& l : host.lookups()) out.push_back({l.name, l.version, l.found});
  return out;
}

void ExpectLookups(const Host& host, const std::vector<Lookup>& expected) {
  const std::vector<Lookup> actual = Lookups(host);
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[i].name, expected[i].name) << "lookup " << i;
    EXPECT_EQ(actual[i].version, expected[i].version) << "lookup " << i << " " << expected[i].name;
    EXPECT_EQ(actual[i].found, expected[i].found) << "lookup " << i << " " << expected[i].name;
  }
}

class StartupTest : public ::testing::Test {
 protected:
  StartupReport Start(const Profile& profile) {
    host_.reset(new Host(profile));
    std::string error;
    EXPECT_TRUE(module_.Open(testsupport::PluginPath(), &error)) << error;
    return refhost::RunStartup(*host_, module_);
  }
  void TearDown() override {
    module_.Close();
    host_.reset();
  }

  // The start-up ran through: every table imported at the version required, straight
  // from the viewer, no trace table, all three stages true, nothing left over.
  void ExpectStartedOnEveryTable(const StartupReport& report) {
    ASSERT_TRUE(report.ok()) << report.failure;
    EXPECT_EQ(report.agreedVersion, 0x00020000u);
    ExpectLookups(*host_, {{"AcroSupport", 0x00060000, true},
                           {"AcroSupport", 0x00060000, true},
                           {"Core", 0x00050000, true},
                           {"Cos", 0x00060000, true},
                           {"PDModel", 0x00060000, true},
                           {"AcroView", 0x00060000, true},
                           {"PDSRead", 0x00060000, true},
                           {"ASExtra", 0x00060000, true},
                           {"ADBE:DebugWindow", 1, false}});
    ASSERT_EQ(report.stages.size(), 3u);
    for (const refhost::StageResult& stage : report.stages) {
      EXPECT_TRUE(stage.completed) << stage.name;
      EXPECT_EQ(stage.result, 1) << stage.name;
    }
    EXPECT_TRUE(host_->uncaughtErrors().empty());
    EXPECT_EQ(host_->FrameDepth(), 0u);
  }

  std::unique_ptr<Host> host_;
  PluginModule module_;
};

// Every viewer the product supports: version 6, the oldest, to the newest (the default).
TEST_F(StartupTest, EverySupportedViewerHasEveryTableImportedDirectlyAndAllStagesRun) {
  for (int viewer = refhost::kOldestViewer; viewer <= refhost::kNewestViewer + 1; ++viewer) {
    SCOPED_TRACE(viewer);
    const StartupReport report =
        Start(viewer > refhost::kNewestViewer ? Profile() : Profile::Viewer(viewer));
    ExpectStartedOnEveryTable(report);
    TearDown();
  }
}

TEST_F(StartupTest, HandshakeRecordCarriesNameAndFourCallbacksAndKeepsHostField) {
  Profile profile;
  profile.handshakeHostField = 0x5A3C;
  const StartupReport report = Start(profile);
  ASSERT_TRUE(report.ok()) << report.failure;
  const refhost::HandshakeRecord& record = report.handshakeRecord;
  EXPECT_EQ(record.hostField, 0x5A3C);
  ASSERT_NE(record.extensionName, refhost::kNullAtom);
  EXPECT_STREQ(host_->AtomText(record.extensionName), "KXTRIVOPlayer");
  const refhost::Callback callbacks[] = {record.exportHFTs, record.importReplaceAndRegister,
                                         record.init, record.unload};
  for (refhost::Callback callback : callbacks) {
    EXPECT_NE(callback, nullptr);
    EXPECT_TRUE(host_->IsCallback(callback));
  }
  EXPECT_TRUE(host_->IsCallback(report.setupRecord.handshakeCallback));
}

struct MainVersionCase {
  uint32_t offered;
  uint32_t agreed;
};

class MainVersionTest : public StartupTest,
                        public ::testing::WithParamInterface<MainVersionCase> {};

TEST_P(MainVersionTest, AgreesOnTheLowerHandshakeVersion) {
  Profile profile;
  profile.mainVersion = GetParam().offered;
  const StartupReport report = Start(profile);
  EXPECT_EQ(report.mainResult, 1);
  EXPECT_EQ(report.agreedVersion, GetParam().agreed);
}

INSTANTIATE_TEST_SUITE_P(Versions, MainVersionTest,
                         ::testing::Values(MainVersionCase{0x00030000, 0x00020000},
                                           MainVersionCase{0x00020000, 0x00020000},
                                           MainVersionCase{0x00010000, 0x00010000},
                                           MainVersionCase{0xFFFFFFFF, 0x00020000}));

struct RefusedCase {
  const char* what;
  uint32_t setupVersion;
  uint32_t setupRecordVersion;
};

class SetupRefusalTest : public StartupTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(SetupRefusalTest, RefusesAndStoresNothing) {
  Profile profile;
  profile.setupVersion = GetParam().setupVersion;
  profile.setupRecordVersion = GetParam().setupRecordVersion;
  const StartupReport report = Start(profile);
  EXPECT_TRUE(report.setupCompleted);
  EXPECT_EQ(report.setupResult, 0);
  EXPECT_TRUE(host_->lookups().empty()) << "no table may be looked up";
  EXPECT_EQ(report.setupRecord.handshakeCallback, nullptr);
  EXPECT_FALSE(report.handshakeCompleted);
}

INSTANTIATE_TEST_SUITE_P(Versions, SetupRefusalTest,
                         ::testing::Values(RefusedCase{"newer argument", 0x00030000, 0x00020000},
                                           RefusedCase{"older argument", 0x00010000, 0x00020000},
                                           RefusedCase{"newer record", 0x00020000, 0x00030000},
                                           RefusedCase{"older record", 0x00020000, 0x00010000}));

TEST_F(StartupTest, HandshakeOfAnotherVersionIsRefusedAndLeavesTheRecordAlone) {
  for (uint32_t version : {0x00010000u, 0x00030000u}) {
    Profile profile;
    profile.handshakeVersion = version;
    const StartupReport report = Start(profile);
    EXPECT_TRUE(report.handshakeCompleted);
    EXPECT_EQ(report.handshakeResult, 0);
    EXPECT_EQ(report.handshakeRecord.extensionName, refhost::kNullAtom);
    EXPECT_EQ(report.handshakeRecord.exportHFTs, nullptr);
    EXPECT_EQ(report.handshakeRecord.unload, nullptr);
    EXPECT_TRUE(report.stages.empty());
    TearDown();
  }
}

TEST_F(StartupTest, TraceTableIsLookedUpAtVersionOneWhenTheHostOffersIt) {
  Profile profile;
  profile.debugWindow = true;
  const StartupReport report = Start(profile);
  ASSERT_TRUE(report.ok()) << report.failure;
  const std::vector<Lookup> lookups = Lookups(*host_);
  ASSERT_EQ(lookups.size(), 9u);
  EXPECT_EQ(lookups.back().name, "ADBE:DebugWindow");
  EXPECT_EQ(lookups.back().version, 1u);
  EXPECT_TRUE(lookups.back().found);
}

TEST_F(StartupTest, HostWithoutAcroSupportSixFailsAtTheFirstImport) {
  Profile profile;
  profile.tables["AcroSupport"] = 0x00050000;
  const StartupReport report = Start(profile);
  EXPECT_EQ(report.setupResult, 0);
  // Only the bootstrap lookup: every fallback version is below what AcroSupport needs,
  // and Core is never imported through the table list.
  ExpectLookups(*host_, {{"AcroSupport", 0x00060000, false}});
}

TEST_F(StartupTest, UnknownVersionsTurnTheDirectPathOffAfterAcroSupport) {
  Profile profile;
  profile.versionQueriesUnknown = true;
  const StartupReport report = Start(profile);
  EXPECT_EQ(report.setupResult, 0);
  // AcroSupport is kept at the first fallback version (0x00050001), below the direct
  // path's threshold: Core comes through the fallback list and Cos cannot be had.
  ExpectLookups(*host_, {{"AcroSupport", 0x00060000, true},
                         {"AcroSupport", 0x00060000, true},
                         {"Core", 0x00050001, true}});
  EXPECT_EQ(
      host_->CallCount(refhost::Table::AcroSupport, refhost::slot::AcroSupport::HFTGetVersion), 2);
}

TEST_F(StartupTest, CoreOfferedAtExactlyItsRequiredVersionIsObtainedDirectly) {
  Profile profile;
  profile.tables["Core"] = 0x00050000;
  const StartupReport report = Start(profile);
  ASSERT_TRUE(report.ok()) << report.failure;
  EXPECT_EQ(Lookups(*host_)[2].name, "Core");
  EXPECT_EQ(Lookups(*host_)[2].version, 0x00050000u);
}

TEST_F(StartupTest, MissingPDSReadFailsStartUpAlthoughNothingOfItIsUsed) {
  Profile profile;
  profile.tables.erase("PDSRead");
  const StartupReport report = Start(profile);
  EXPECT_EQ(report.setupResult, 0);
  const std::vector<Lookup> lookups = Lookups(*host_);
  ASSERT_FALSE(lookups.empty());
  EXPECT_EQ(lookups.back().name, "PDSRead");
  EXPECT_FALSE(lookups.back().found);
  EXPECT_EQ(report.setupRecord.handshakeCallback, nullptr);
}

TEST_F(StartupTest, HostErrorOutsideAnyGuardReachesTheHostFrameAndTheHostSurvives) {
  host_.reset(new Host(Profile()));
  // The handshake's second callback creation raises: nothing in the plug-in guards it.
  host_->InjectFault(refhost::Table::Core, refhost::slot::Core::ASCallbackCreate, 3, 0x40000077);
  std::string error;
  ASSERT_TRUE(module_.Open(testsupport::PluginPath(), &error)) << error;
  const StartupReport report = refhost::RunStartup(*host_, module_);
  EXPECT_FALSE(report.handshakeCompleted);
  ASSERT_EQ(host_->uncaughtErrors().size(), 1u);
  EXPECT_EQ(host_->uncaughtErrors()[0].where, "PlugInHandshake");
  EXPECT_EQ(host_->uncaughtErrors()[0].code, 0x40000077);
  EXPECT_EQ(host_->FrameDepth(), 0u);
  // The host goes on: the handshake can be run again.
  refhost::HandshakeRecord record{0x00020000, 0,      refhost::kNullAtom, nullptr, nullptr,
                                  nullptr,    nullptr};
  refhost::ASBool result = 0;
  auto handshake = reinterpret_cast<refhost::HandshakeProc>(report.setupRecord.handshakeCallback);
  EXPECT_TRUE(host_->CallPlugin("again", [&] { result = handshake(0x00020000, &record); }));
  EXPECT_EQ(result, 1);
}

TEST_F(StartupTest, UnloadSucceedsAndTheModuleCanBeLoadedAgain) {
  StartupReport report = Start(Profile());
  ASSERT_TRUE(report.ok());
  const refhost::StageResult unload = refhost::RunUnload(*host_, report);
  EXPECT_TRUE(unload.completed);
  EXPECT_EQ(unload.result, 1);
  module_.Close();
  host_.reset();

  report = Start(Profile());
  EXPECT_TRUE(report.ok()) << report.failure;
}

// The viewer's products. Acrobat (Pro or Standard) starts the module whatever its build; in
// Reader, and in the 64-bit viewer's Reader mode, only a build enabled for Reader starts: one
// that is not declines its handshake before it registers anything, with no alert and no
// assertion report, as Reader asks of it. Each case runs both builds of this tree.
struct ProductCase {
  const char* product;
  bool enabledForReader;  // which build: enabled for Reader or not
  bool starts;
};

class ProductTest : public StartupTest, public ::testing::WithParamInterface<ProductCase> {};

TEST_P(ProductTest, OnlyABuildEnabledForReaderStartsInReader) {
  Profile profile;
  profile.product = GetParam().product;
  host_.reset(new Host(profile));
  const std::string path =
      GetParam().enabledForReader == MIRVANE_MAIN_BUILD_ENABLED_FOR_READER
          ? testsupport::PluginPath()
          : testsupport::ExecutableFolder() + "/KXTRIVOPlayer-other-reader-build.api";
  std::string error;
  ASSERT_TRUE(module_.Open(path, &error)) << error;
  const StartupReport report = refhost::RunStartup(*host_, module_);
  if (GetParam().starts) {
    ExpectStartedOnEveryTable(report);
    EXPECT_TRUE(refhost::HasAnnotHandler("KXTRIVOPlayer"));
    EXPECT_FALSE(refhost::MenuItemsAdded().empty());
    return;
  }
  EXPECT_EQ(report.setupResult, 1);
  EXPECT_TRUE(report.handshakeCompleted);
  EXPECT_EQ(report.handshakeResult, 0);
  EXPECT_FALSE(report.ok());
  EXPECT_EQ(report.handshakeRecord.extensionName, refhost::kNullAtom);
  EXPECT_EQ(report.handshakeRecord.init, nullptr);
  EXPECT_TRUE(report.stages.empty());
  EXPECT_FALSE(refhost::HasAnnotHandler("KXTRIVOPlayer"));
  EXPECT_TRUE(refhost::MenuItemsAdded().empty());
  EXPECT_TRUE(refhost::NotificationRegistrations().empty());
  EXPECT_TRUE(refhost::Alerts().empty());
  EXPECT_TRUE(platform::control::AssertionReports().empty());
  EXPECT_TRUE(host_->uncaughtErrors().empty());
  EXPECT_EQ(host_->FrameDepth(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Products, ProductTest,
                         ::testing::Values(ProductCase{"Reader", false, false},
                                           ProductCase{"Reader", true, true},
                                           ProductCase{"Exchange", false, true},
                                           ProductCase{"Exchange", true, true},
                                           ProductCase{"Exchange-Pro", false, true},
                                           ProductCase{"Exchange-Pro", true, true}));

}  // namespace

#if !defined(_WIN32)
#include "PlatformControl.h"

namespace {

TEST_F(StartupTest, ModuleStaticsLiveFromLoadToUnload) {
  EXPECT_EQ(platform::CurrentApp(), nullptr);
  const StartupReport report = Start(Profile());
  ASSERT_TRUE(report.ok());
  EXPECT_NE(platform::CurrentApp(), nullptr) << "the application object is built at load";
  module_.Close();
  EXPECT_EQ(platform::CurrentApp(), nullptr) << "and destroyed at unload";
}

}  // namespace
#endif
