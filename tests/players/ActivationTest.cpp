// Activation: the embedded scene is written, complete, to a safe name in the temporary
// folder before the player gets its path; damaged or hostile documents and failing
// writes leave no window, no stray file and nothing open.
#include "PlayersHost.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "AnnotHandler/SceneExtraction.h"
#include "HostInterface/HostInterface.h"

namespace playerstest {
namespace {

namespace fs = std::filesystem;
using refhost::CosObj;
using refhost::Handle;
using refhost::PDAnnot;
using refhost::Table;

class Activation : public PlayersHost {
 protected:
  void SetUp() override {
    PlayersHost::SetUp();
    doc_ = OpenDocument(1);
    page_ = refhost::DocumentPage(doc_, 0);
    view_ = refhost::NewPageView(doc_, 0, Geometry());
  }
  // Adds a player with `scene` and clicks it once.
  PDAnnot Play(const Scene& scene) {
    const PDAnnot annot = AddPlayer(page_, 100, 100, 300, 300, scene);
    Click(view_, static_cast<int>(refhost::PageAnnotations(page_).size()) - 1);
    return annot;
  }
  // Nothing happened but one alert: no window, no player call, no file.
  void ExpectRefused(const std::string& alertPart) {
    EXPECT_TRUE(PlayerWindows(view_).empty());
    EXPECT_TRUE(PlayerCalls().empty());
    EXPECT_TRUE(TempFiles().empty());
    ASSERT_EQ(1u, refhost::Alerts().size());
    EXPECT_NE(std::string::npos, refhost::Alerts()[0].find(alertPart)) << refhost::Alerts()[0];
  }

  Handle doc_ = nullptr, page_ = nullptr, view_ = nullptr;
};

TEST_F(Activation, SceneIsCopiedExactlyInPiecesOfTheCopyBuffer) {
  const size_t sizes[] = {0, 1, 4095, 4096, 4097, 10000};
  for (size_t size : sizes) {
    SCOPED_TRACE(size);
    const int writes = host_->CallCount(Table::AcroSupport, 44);
    const std::string name = "s" + std::to_string(size);
    Play({name, "MVN", SceneBytes(size)});
    EXPECT_EQ(SceneBytes(size), TempFile(name + ".mvn"));
    EXPECT_EQ(static_cast<int>((size + 4095) / 4096),
              host_->CallCount(Table::AcroSupport, 44) - writes);
  }
  ExpectClean();
}

TEST_F(Activation, FlateCompressedSceneIsWrittenDecoded) {
  Play({"valve", "GEOM", SceneBytes(10000), true});
  EXPECT_EQ(SceneBytes(10000), TempFile("valve.geom"));
  ExpectClean();
}

TEST_F(Activation, ScenesOfTheSameNameShareOneFileAndTheLaterClickRewritesIt) {
  Play({"valve", "GEOM", "first scene, the longer one"});
  EXPECT_EQ("first scene, the longer one", TempFile("valve.geom"));
  Play({"valve", "geom", "second"});
  EXPECT_EQ("second", TempFile("valve.geom"));
  EXPECT_EQ((std::vector<std::string>{"valve.geom"}), TempFiles());
  const std::vector<PlayerCall> calls = PlayerCalls();
  ASSERT_EQ(4u, calls.size());
  EXPECT_EQ(calls[1].path, calls[3].path);
  ExpectClean();
}

TEST_F(Activation, ExtensionIsLowerCasedAndCodePage932NamesAreKept) {
  if (!platform::control::SetCodePage(932))
    GTEST_SKIP() << "the process follows code page " << platform::control::CodePage();
  Play({"a", "MvN"});
  Play({"\x95\x5C\x8E\xA6", "GEOM"});
  EXPECT_EQ((std::vector<std::string>{"a.mvn", "\x95\x5C\x8E\xA6.geom"}), TempFiles());
  ExpectClean();
}

struct HostileName {
  const char* filename;
  const char* subtype;
  const char* written;
};

TEST_F(Activation, HostileNamesNeverLeaveTheTemporaryFolder) {
  const HostileName cases[] = {
      {"../../escaped", "MVN", ".._.._escaped.mvn"},
      {"/tmp/absolute", "MVN", "_tmp_absolute.mvn"},
      {"..\\..\\windows", "MVN", ".._.._windows.mvn"},
      {"C:\\boot", "ini", "C__boot.ini"},
      {"ok", "/../../x", "ok._.._.._x"},
      {"..", "..", "scene"},
      {"NUL", "geom", "_NUL.geom"},
      {"com1.txt", "", "_com1.txt"},
      {"a\x01<b>|*?", "MVN", "a__b____.mvn"},
      {"trailing. . ", "MVN. ", "trailing.mvn"},
  };
  const fs::path folder = fs::path(temp_) / "t";
  fs::create_directories(folder);
  platform::control::SetTempFolder(folder.string());
  for (const HostileName& c : cases) {
    SCOPED_TRACE(c.filename);
    mvnJournalClear();
    Play({c.filename, c.subtype, "hostile"});
    const std::vector<PlayerCall> calls = PlayerCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(folder, fs::path(calls[1].path).parent_path());
    EXPECT_EQ(c.written, fs::path(calls[1].path).filename().string());
    EXPECT_TRUE(calls[1].fileExists);
  }
  // Nothing was written anywhere else: the test's folder holds the temporary folder alone.
  EXPECT_EQ((std::vector<std::string>{"t"}), TempFiles());
  EXPECT_EQ(
      sizeof cases / sizeof cases[0],
      static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator())));
  EXPECT_TRUE(refhost::Alerts().empty());
  ExpectClean();
}

struct Damage {
  const char* what;
  std::function<void(Handle doc, CosObj annotDict, CosObj scene)> apply;
};

TEST_F(Activation, DamagedSceneIsRefusedWithOneAlertAndNoWindow) {
  using namespace refhost;
  const Damage damages[] = {
      {"no scene entry", [](Handle, CosObj a, CosObj) { DictRemove(a, "KXTRIVOPlayerF"); }},
      {"scene is a dictionary",
       [](Handle d, CosObj a, CosObj) { DictSet(a, "KXTRIVOPlayerF", NewDict(d)); }},
      {"scene is an integer",
       [](Handle d, CosObj a, CosObj) { DictSet(a, "KXTRIVOPlayerF", NewInteger(d, 7)); }},
      {"Filename is a string",
       [](Handle d, CosObj, CosObj s) { DictSet(StreamDictOf(s), "Filename", NewString(d, "x")); }},
      {"Subtype missing", [](Handle, CosObj, CosObj s) { DictRemove(StreamDictOf(s), "Subtype"); }},
      {"Subtype is a number",
       [](Handle d, CosObj, CosObj s) { DictSet(StreamDictOf(s), "Subtype", NewInteger(d, 3)); }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    refhost::ClearRecords();
    const PDAnnot annot = AddPlayer(page_, 100, 100, 300, 300);
    const CosObj dict = AnnotationDict(annot);
    damage.apply(doc_, dict, DictValue(dict, "KXTRIVOPlayerF"));
    Click(view_, static_cast<int>(PageAnnotations(page_).size()) - 1);
    ExpectRefused("missing or damaged");
    ExpectClean();
  }
}

TEST_F(Activation, PlantedLinkAtTheFinalNameIsReplacedAndItsTargetUntouched) {
  const fs::path folder = fs::path(temp_) / "t";
  fs::create_directories(folder);
  const fs::path secret = fs::path(temp_) / "secret";
  std::ofstream(secret) << "precious";
  std::error_code linkError;
  fs::create_symlink(secret, folder / "valve.geom", linkError);
  if (linkError) std::ofstream(folder / "valve.geom") << "planted";  // no links here (mingw)
  std::ofstream(folder / "rotor.mvn") << std::string(50000, 'x');    // longer old file
  platform::control::SetTempFolder(folder.string());

  Play({"valve", "GEOM", "scene"});
  Play({"rotor", "MVN", "short"});
  EXPECT_FALSE(fs::is_symlink(folder / "valve.geom"));
  EXPECT_EQ("scene", TempFile("t/valve.geom"));
  EXPECT_EQ("short", TempFile("t/rotor.mvn"));
  EXPECT_EQ("precious", TempFile("secret"));
  EXPECT_EQ(2u, static_cast<size_t>(
                    std::distance(fs::directory_iterator(folder), fs::directory_iterator())));
  ExpectClean();
}

TEST_F(Activation, UnusableTemporaryFolderIsRefused) {
  platform::control::SetTempFolder(temp_ + "/missing");
  Play({});
  ExpectRefused("could not be written");
  ExpectClean();
}

TEST_F(Activation, TemporaryFolderTooLongForItsBufferIsRefused) {
  platform::control::SetTempFolder(temp_ + "/" + std::string(300, 'a'));
  Play({});
  ExpectRefused("temporary folder could not be determined");
  ExpectClean();
}

TEST_F(Activation, SceneLargerThanTheLimitIsRefusedWithoutAFile) {
  const PDAnnot annot = AddPlayer(page_, 100, 100, 300, 300, {"big", "MVN", SceneBytes(10000)});
  ExtractResult result = ExtractResult::Written;
  char path[1024];
  const auto extract = [&](int64_t limit) {
    EXPECT_TRUE(host_->CallPlugin("ExtractEmbeddedScene", [&] {
      ::CosObj scene;
      char base[kSceneNameSize], ext[kSceneNameSize];
      ASSERT_TRUE(ReadSceneNames(::PDAnnot{annot.a, annot.b}, &scene, base, ext));
      result = ExtractEmbeddedScene(scene, "big.mvn", path, sizeof path, limit);
    }));
  };
  extract(9999);
  EXPECT_EQ(ExtractResult::TooLarge, result);
  EXPECT_TRUE(TempFiles().empty());
  extract(10000);
  EXPECT_EQ(ExtractResult::Written, result);
  EXPECT_EQ(SceneBytes(10000), TempFile("big.mvn"));
  ExpectClean();
}

struct Fault {
  const char* what;
  Table table;
  int slot;
  int nthCall;
};

TEST_F(Activation, HostErrorWhileCopyingReleasesEverythingAndLeavesNoFile) {
  const Fault faults[] = {
      {"opening the scene stream", Table::Cos, 32, 1},
      {"making the path name", Table::AcroSupport, 52, 1},
      {"opening the write stream", Table::AcroSupport, 56, 1},
      {"first read", Table::AcroSupport, 43, 1},
      {"second write", Table::AcroSupport, 44, 2},
      {"flush", Table::AcroSupport, 100, 1},
      {"closing the scene stream", Table::AcroSupport, 45, 2},
      {"closing the file", Table::AcroSupport, 29, 1},
  };
  const PDAnnot annot = AddPlayer(page_, 100, 100, 300, 300, {"valve", "GEOM", SceneBytes(9000)});
  (void)annot;
  size_t errors = 0;
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    host_->InjectFault(fault.table, fault.slot, fault.nthCall, refhost::kErrFileWrite);
    Click(view_, 0);
    host_->ClearFaults();
    EXPECT_EQ(++errors, host_->uncaughtErrors().size());
    EXPECT_TRUE(PlayerWindows(view_).empty());
    EXPECT_TRUE(PlayerCalls().empty());
    EXPECT_TRUE(TempFiles().empty());
    ExpectClean(errors);
  }
  // The viewer goes on: the next click plays.
  Click(view_, 0);
  EXPECT_EQ(1u, PlayerWindows(view_).size());
  EXPECT_EQ(SceneBytes(9000), TempFile("valve.geom"));
}

TEST_F(Activation, CorruptCompressedSceneReachesTheViewerWithNothingLeft) {
  const PDAnnot annot = AddPlayer(page_, 100, 100, 300, 300, {"valve", "GEOM", "x", true});
  const CosObj dict = refhost::NewDict(doc_);
  refhost::DictSet(dict, "Filename", refhost::NewName(doc_, "valve"));
  refhost::DictSet(dict, "Subtype", refhost::NewName(doc_, "GEOM"));
  refhost::DictSet(dict, "Filter", refhost::NewName(doc_, "FlateDecode"));
  const CosObj broken = refhost::NewStream(doc_, "this is not deflate data", dict);
  refhost::DictSet(refhost::AnnotationDict(annot), "KXTRIVOPlayerF", broken);
  Click(view_, 0);
  EXPECT_TRUE(PlayerWindows(view_).empty());
  EXPECT_TRUE(TempFiles().empty());
  ExpectClean(1);
}

}  // namespace
}  // namespace playerstest
