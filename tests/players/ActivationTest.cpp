// Activation: the embedded scene is written, complete, to a safe name in the temporary
// folder before the player gets its path; damaged or hostile documents and failing
// writes leave no window, no stray file and nothing open.
#include "PlayersHost.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

#include <zlib.h>

#include "AnnotHandler/SceneExtraction.h"
#include "HostInterface/HostInterface.h"
#include "StreamFilters.h"

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

  // A player for each hostile name, side by side, so that each click hits its own.
  void AddHostilePlayers(bool compressed);

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
  std::string filename;
  std::string subtype;
  std::string written;
};

// Scene names a hostile document may carry, and the plain file each becomes: paths of
// either system, device names, characters Windows forbids, and the names only Windows
// treats specially (alternate data streams, long-path and UNC prefixes, drive-relative
// paths, devices with extensions, console devices, every COM and LPT port).
std::vector<HostileName> HostileNames() {
  std::vector<HostileName> names = {
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
      {"a.geom:x", "MVN", "a.geom_x.mvn"},
      {"b.geom::$DATA", "", "b.geom__$DATA"},
      {"\\\\?\\C:\\long", "MVN", "____C__long.mvn"},
      {"\\\\server\\share\\unc", "MVN", "__server_share_unc.mvn"},
      {"D:relative", "geom", "D_relative.geom"},
      {"aux.geom", "", "_aux.geom"},
      {"prn .geom", "mvn", "_prn .geom.mvn"},
      {"CONIN$", "mvn", "_CONIN$.mvn"},
      {"conout$", "GEOM", "_conout$.geom"},
      {"dots...", " . ", "dots"},
  };
  for (char digit = '0'; digit <= '9'; ++digit) {
    names.push_back({std::string("COM") + digit, "geom", std::string("_COM") + digit + ".geom"});
    names.push_back(
        {std::string("lpt") + digit + ".log", "", std::string("_lpt") + digit + ".log"});
  }
  return names;
}

// Plays each hostile name from a player of `page` shown in `view` (annotations `first` on)
// and checks that each became its plain file directly in `folder`, which holds nothing
// else: no file elsewhere, no alternate stream (its file would show), no device opened.
void ExpectHostileNamesPlayedSafely(refhost::Handle view, int first, const fs::path& folder) {
  const std::vector<HostileName> names = HostileNames();
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i].filename);
    mvnJournalClear();
    EXPECT_EQ(first + static_cast<int>(i),
              refhost::ClickAnnotation(view, first + static_cast<int>(i), 1));
    const std::vector<PlayerCall> calls = PlayerCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(folder, fs::path(calls[1].path).parent_path());
    EXPECT_EQ(names[i].written, fs::path(calls[1].path).filename().string());
    EXPECT_TRUE(calls[1].fileExists);
    EXPECT_EQ(7, calls[1].fileSize);  // "hostile"
  }
  EXPECT_EQ(names.size(), static_cast<size_t>(std::distance(fs::directory_iterator(folder),
                                                            fs::directory_iterator())));
}

void Activation::AddHostilePlayers(bool compressed) {
  const std::vector<HostileName> names = HostileNames();
  for (size_t i = 0; i < names.size(); ++i) {
    const double left = 20 + 70 * static_cast<double>(i % 8);
    const double bottom = 20 + 70 * static_cast<double>(i / 8);
    AddPlayer(page_, left, bottom, left + 60, bottom + 60,
              {names[i].filename, names[i].subtype, "hostile", compressed});
  }
}

TEST_F(Activation, HostileNamesNeverLeaveTheTemporaryFolder) {
  const fs::path folder = fs::path(temp_) / "t";
  fs::create_directories(folder);
  platform::control::SetTempFolder(folder.string());
  AddHostilePlayers(false);
  ExpectHostileNamesPlayedSafely(view_, 0, folder);
  // Nothing was written anywhere else: the test's folder holds the temporary folder alone.
  EXPECT_EQ((std::vector<std::string>{"t"}), TempFiles());
  EXPECT_TRUE(refhost::Alerts().empty());
  ExpectClean();
}

// The same names from a real PDF file, written by one document and opened as another, as a
// document from elsewhere arrives.
TEST_F(Activation, HostileNamesFromAPdfFileNeverLeaveTheTemporaryFolder) {
  const fs::path folder = fs::path(temp_) / "t";
  fs::create_directories(folder);
  platform::control::SetTempFolder(folder.string());
  AddHostilePlayers(true);
  const std::string pdf = TempPath("hostile.pdf");
  refhost::SavePdfFile(doc_, pdf);
  refhost::CloseDocument(doc_);
  doc_ = refhost::OpenPdfFile(pdf);
  view_ = refhost::NewPageView(doc_, 0, Geometry());
  ExpectHostileNamesPlayedSafely(view_, 0, folder);
  EXPECT_EQ((std::vector<std::string>{"hostile.pdf", "t"}), TempFiles());
  EXPECT_TRUE(refhost::Alerts().empty());
  ExpectClean();
  refhost::CloseDocument(doc_);  // Windows keeps an open file from being removed
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

// A zlib stream of `mebibytes` MiB of zero bytes, made by repeating one block that decodes
// on its own (a full flush forgets the history), so that making a bomb costs nothing.
std::string DeflatedZeros(int mebibytes) {
  z_stream z{};
  EXPECT_EQ(Z_OK, deflateInit(&z, 9));
  const std::string zeros(1 << 20, '\0');
  const auto run = [&z](const std::string& input, int flush) {
    std::string out;
    char buffer[1 << 16];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    do {
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      deflate(&z, flush);
      out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
    return out;
  };
  std::string stream = run(zeros, Z_FULL_FLUSH);  // the header and the first block
  const std::string block = run(zeros, Z_FULL_FLUSH);
  for (int i = 2; i < mebibytes; ++i) stream += block;
  std::string end = run(std::string(), Z_FINISH);
  deflateEnd(&z);
  // The checksum of all the zeros: its sum part stays 1, its other part is the count.
  const uint32_t count = static_cast<uint32_t>((uint64_t(mebibytes) << 20) % 65521);
  end.resize(end.size() - 4);
  for (int shift : {24, 16, 8, 0}) end += static_cast<char>((((count << 16) | 1u) >> shift) & 0xFF);
  return stream + end;
}

// A document from elsewhere, damaged: each either fails to open with a message naming the
// file, or opens and its players play or are refused; nothing is left open and nothing is
// written but scene files in the temporary folder.
TEST_F(Activation, DamagedPdfFilesFailCleanlyOrPlayInsideTheTemporaryFolder) {
  const fs::path folder = fs::path(temp_) / "t";
  fs::create_directories(folder);
  platform::control::SetTempFolder(folder.string());
  AddPlayer(page_, 100, 100, 300, 300, {"valve", "GEOM", SceneBytes(5000)});
  AddPlayer(page_, 320, 100, 500, 300, {"rotor", "MVN", SceneBytes(5000), true});
  refhost::SavePdfFile(doc_, TempPath("good.pdf"));
  refhost::CloseDocument(doc_);
  doc_ = nullptr;
  std::ifstream in(TempPath("good.pdf"), std::ios::binary);
  const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(good.size(), 10000u);
  const auto replaced = [&good](const std::string& from, const std::string& to) {
    std::string bytes = good;
    for (size_t at = bytes.find(from); at != std::string::npos;
         at = bytes.find(from, at + to.size()))
      bytes.replace(at, from.size(), to);
    return bytes;
  };
  const std::string handmade =
      "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "2 0 obj << /Type /Pages /Kids [3 0 R 3 0 R 2 0 R] /Count 3 >> endobj\n"
      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots 4 0 R >> endobj\n"
      "4 0 obj [4 0 R 5 0 R 6 0 R] endobj\n"
      "5 0 obj << /Type /Annot /Subtype /KXTRIVOPlayer /Rect [100 100 300 300]"
      " /KXTRIVOPlayerF 5 0 R >> endobj\n"
      "6 0 obj << /Type /Annot /Subtype /KXTRIVOPlayer /Rect [100 100 300 300]"
      " /KXTRIVOPlayerF 7 0 R >> endobj\n"
      "7 0 obj << /Filename /../../x /Subtype /MVN /Length 8 0 R /Filter /FlateDecode >>\n"
      "stream\nnot deflate data\nendstream endobj\n"
      "8 0 obj 7 0 R endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
  const struct {
    const char* what;
    std::string bytes;
  } damages[] = {
      {"cut in half", good.substr(0, good.size() / 2)},
      {"cut before its cross-reference table", good.substr(0, good.rfind("xref"))},
      {"cross-reference table elsewhere", replaced("startxref", "startxref\n99999999\n%")},
      {"streams longer than the file", replaced("/Length ", "/Length 9999999")},
      {"stream data overwritten", good.substr(0, good.find("stream") + 40) +
                                      std::string(3000, '\xFF') +
                                      good.substr(good.find("stream") + 3040)},
      {"garbage after the header", "%PDF-1.4\n" + std::string(20000, '\x01')},
      {"loops: pages, annotations and scenes that contain themselves", handmade},
      {"nested a hundred thousand times",
       "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R /X " + std::string(100000, '[') +
           " >> endobj\n2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
           "trailer << /Root 1 0 R >>\n%%EOF\n"},
  };
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.what);
    const std::string pdf = TempPath("damaged.pdf");
    std::ofstream(pdf, std::ios::binary | std::ios::trunc) << damage.bytes;
    platform::control::ClearAssertionReports();
    refhost::Handle doc = nullptr;
    try {
      doc = refhost::OpenPdfFile(pdf);
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string::npos, std::string(error.what()).find("damaged.pdf")) << error.what();
      continue;
    }
    const refhost::Handle view = refhost::NewPageView(doc, 0, Geometry());
    const int annots =
        static_cast<int>(refhost::PageAnnotations(refhost::DocumentPage(doc, 0)).size());
    for (int i = 0; i < annots; ++i) refhost::ClickAnnotation(view, i, 1);
    refhost::CloseDocument(doc);
    for (const std::string& name : TempFiles())
      EXPECT_TRUE(name == "t" || name == "good.pdf" || name == "damaged.pdf") << name;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
      EXPECT_TRUE(entry.path().filename() == "valve.geom" || entry.path().filename() == "rotor.mvn")
          << entry.path();
    EXPECT_TRUE(platform::control::AssertionReports().empty());
    ExpectClean(host_->uncaughtErrors().size());
  }
}

// A scene that expands a thousandfold twice over (two FlateDecode passes: 1 GiB from a
// couple of kilobytes) in a PDF file: its extraction stops at the limit, leaving no file.
TEST_F(Activation, DecompressionBombInAPdfFileStopsAtTheLimitWithoutAFile) {
  const std::string bomb = refhost::FlateEncode(DeflatedZeros(1024));
  ASSERT_LT(bomb.size(), 64u * 1024);
  const PDAnnot annot = AddPlayer(page_, 100, 100, 300, 300, {"bomb", "MVN", bomb});
  const CosObj filters = refhost::NewArray(doc_);
  refhost::ArrayAppend(filters, refhost::NewName(doc_, "FlateDecode"));
  refhost::ArrayAppend(filters, refhost::NewName(doc_, "FlateDecode"));
  refhost::DictSet(
      refhost::StreamDictOf(refhost::DictValue(refhost::AnnotationDict(annot), "KXTRIVOPlayerF")),
      "Filter", filters);
  refhost::SavePdfFile(doc_, TempPath("bomb.pdf"));
  refhost::CloseDocument(doc_);
  doc_ = refhost::OpenPdfFile(TempPath("bomb.pdf"));
  const PDAnnot opened = refhost::PageAnnotations(refhost::DocumentPage(doc_, 0)).at(0);
  ExtractResult result = ExtractResult::Written;
  char path[1024];
  EXPECT_TRUE(host_->CallPlugin("ExtractEmbeddedScene", [&] {
    ::CosObj scene;
    char base[kSceneNameSize], ext[kSceneNameSize];
    ASSERT_TRUE(ReadSceneNames(::PDAnnot{opened.a, opened.b}, &scene, base, ext));
    result = ExtractEmbeddedScene(scene, "bomb.mvn", path, sizeof path, 1 << 20);
  }));
  EXPECT_EQ(ExtractResult::TooLarge, result);
  EXPECT_EQ((std::vector<std::string>{"bomb.pdf"}), TempFiles());
  ExpectClean();
  refhost::CloseDocument(doc_);  // Windows keeps an open file from being removed
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
