// Documents saved to and opened from real PDF files: what the plug-in writes must come
// back with the same meaning, and every saved file must pass qpdf's own check.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "Documents.h"
#include "HostTestSupport.h"
#include "Objects.h"
#include "RunProgram.h"
#include "StreamFilters.h"

namespace hosttest {
namespace {

// Canonical text of an object's meaning: dictionary keys sorted, names and strings as
// hex bytes, streams by their decoded data (Length and filters are the writer's), and
// indirect objects numbered by first visit so that sharing shows.
class Describer {
 public:
  std::string Of(CosObj obj) {
    std::ostringstream out;
    Write(obj, out);
    return out.str();
  }

 private:
  static std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
      hex += digits[c >> 4];
      hex += digits[c & 15];
    }
    return hex;
  }

  void Write(CosObj obj, std::ostringstream& out) {
    if (ObjIsIndirect(obj)) {
      const int number = ObjNumber(obj);
      auto seen = visits_.find(number);
      if (seen != visits_.end()) {
        out << "ref" << seen->second;
        return;
      }
      const int visit = static_cast<int>(visits_.size());
      visits_[number] = visit;
      out << "obj" << visit << ":";
    }
    switch (ObjType(obj)) {
      case kCosNull:
        out << "null";
        break;
      case kCosInteger:
        out << IntValue(obj);
        break;
      case kCosReal:
        out << NumberValue(obj);
        break;
      case kCosBoolean:
        out << (BoolValue(obj) ? "true" : "false");
        break;
      case kCosName:
        out << "/" << Hex(NameText(obj));
        break;
      case kCosString:
        out << "(" << Hex(StringBytes(obj)) << ")";
        break;
      case kCosArray:
        out << "[";
        for (int i = 0; i < ArrayLength(obj); ++i) {
          Write(ArrayItem(obj, i), out);
          out << " ";
        }
        out << "]";
        break;
      case kCosDict:
        WriteDict(obj, out, false);
        break;
      case kCosStream:
        WriteDict(StreamDictOf(obj), out, true);
        out << "stream" << Hex(StreamData(obj));
        break;
    }
  }

  void WriteDict(CosObj dict, std::ostringstream& out, bool ofStream) {
    std::vector<std::string> keys = DictKeys(dict);
    std::sort(keys.begin(), keys.end());
    out << "<<";
    for (const std::string& key : keys) {
      if (ofStream && (key == "Length" || key == "Filter" || key == "DecodeParms")) continue;
      out << "/" << Hex(key) << " ";
      Write(DictValue(dict, key), out);
      out << " ";
    }
    out << ">>";
  }

  std::map<int, int> visits_;
};

// Equal texts, or where they part (descriptions of megabyte streams are long).
::testing::AssertionResult SameText(const std::string& expected, const std::string& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  const size_t from = at < 80 ? 0 : at - 80;
  return ::testing::AssertionFailure()
         << "texts part at " << at << ":\n  expected ..." << expected.substr(from, 160)
         << "\n  actual   ..." << actual.substr(from, 160);
}

// qpdf itself: the program found when the build was configured, or the one built for
// this Windows target.
std::string QpdfProgram() {
#if defined(MIRVANE_QPDF_PROGRAM)
  return MIRVANE_QPDF_PROGRAM;
#else
  return testsupport::QpdfProgram();
#endif
}

class PdfFilesTest : public HostTest {
 protected:
  void SetUp() override {
    if (!PdfFilesSupported()) GTEST_SKIP() << "this build has no PDF files";
#if !defined(MIRVANE_QPDF_PROGRAM) && !defined(_WIN32)
    GTEST_SKIP() << "the qpdf program is not installed";
#endif
  }
  // Runs qpdf --check; answers its exit status and keeps its report for failures.
  int QpdfCheck(const std::string& path) {
    return testsupport::RunProgram(QpdfProgram(), {"--check", path}, &checkReport_);
  }
  // Makes a stream object from `data` through the tables, as the plug-in embeds a file.
  CosObj MakeStream(Handle cos, std::string& data, const char* filter) {
    CosObj stream{};
    EXPECT_EQ(Run([&] {
                CosObj dict = CosNewDict(cos, 0, 2);
                if (filter != nullptr)
                  CosDictPutKeyString(dict, "Filter", CosNewNameFromString(cos, 0, filter));
                Handle source = ASMemStmRdOpen(&data[0], static_cast<ASUns32>(data.size()));
                stream = CosNewStream(cos, 1, source, 0, 0, dict, CosNewNull(), -1);
                ASStmClose(source);
              }),
              kErrNone);
    return stream;
  }
  TempFolder folder_;
  std::string checkReport_;
};

TEST_F(PdfFilesTest, EverythingThePlugInWritesSurvivesSaveAndReopen) {
  const Handle doc = NewDocument(2, PageRect(0, 0, 595.5, 842));
  const Handle cos = DocumentCosDoc(doc);
  const FixedRect rect = PageRect(72, 100.25, 300, 400);
  PDAnnot annot{};
  CosObj dict{};
  ASSERT_EQ(Run([&] {
              annot = PDPageAddNewAnnot(DocumentPage(doc, 1), -2, ASAtomFromString("KXTRIVOPlayer"),
                                        &rect);
              dict = PDAnnotGetCosObj(annot);
              CosDictPutKeyString(dict, "F", CosNewInteger(cos, 0, 4));
              CosDictPutKeyString(dict, "Version", CosNewNameFromString(cos, 0, "1.0"));
            }),
            kErrNone);

  // Names whose bytes a writer must escape, and the empty name.
  const char* names[] = {"a b#c/(d)[e]<f>{g}%h", "\xE9t\xE9\x80\xFF", "", "Tab\tLine\nEnd",
                         "engine.rev"};
  const CosObj nameList = NewArray(doc);
  for (const char* text : names) {
    CosObj name{};
    ASSERT_EQ(Run([&] { name = CosNewNameFromString(cos, 0, text); }), kErrNone);
    ArrayAppend(nameList, name);
  }
  DictSet(dict, "Names", nameList);

  const CosObj integers = NewArray(doc);
  for (int32_t value : {0, -1, 1, INT_MAX, INT_MIN}) ArrayAppend(integers, NewInteger(doc, value));
  DictSet(dict, "Integers", integers);

  // Nesting, an object shared by reference from two places, and one referring to itself.
  const CosObj shared = NewDict(doc, true);
  DictSet(shared, "Self", shared);
  DictSet(shared, "Text", NewString(doc, std::string("bytes\0(\\)\r\n", 11)));
  const CosObj level2 = NewArray(doc);
  ArrayAppend(level2, shared);
  ArrayAppend(level2, NewBoolean(doc, false));
  ArrayAppend(level2, NewReal(doc, -0.125));
  ArrayAppend(level2, NewArray(doc));
  const CosObj level1 = NewDict(doc);
  DictSet(level1, "Level2", level2);
  DictSet(dict, "Level1", level1);
  DictSet(dict, "Shared", shared);

  // Streams of several sizes; one compressible, one named FlateDecode on creation.
  std::mt19937 random(11);
  std::vector<std::string> datas = {"", "x", std::string(100000, 'a'), std::string(3 << 20, '\0')};
  for (char& c : datas[3]) c = static_cast<char>(random() & 0xFF);
  const CosObj streams = NewArray(doc);
  for (std::string& data : datas) ArrayAppend(streams, MakeStream(cos, data, nullptr));
  if (FlateSupported()) {
    std::string text = "flate on creation " + std::string(5000, 'z');
    ArrayAppend(streams, MakeStream(cos, text, "FlateDecode"));
  }
  CosObj embedded = ArrayItem(streams, 2);
  DictSet(StreamDictOf(embedded), "Filename", NewName(doc, "engine.rev"));
  DictSet(dict, "KXTRIVOPlayerF", embedded);
  DictSet(dict, "Streams", streams);

  const std::string before = Describer().Of(dict);
  const std::string path = folder_.File("saved.pdf");
  SavePdfFile(doc, path);
  EXPECT_EQ(QpdfCheck(path), 0) << checkReport_;

  const Handle reopened = OpenPdfFile(path);
  ASSERT_EQ(PageCount(reopened), 2);
  EXPECT_TRUE(SameRect(PageMediaBox(DocumentPage(reopened, 0)), PageRect(0, 0, 595.5, 842)));
  const std::vector<PDAnnot> annots = PageAnnotations(DocumentPage(reopened, 1));
  ASSERT_EQ(annots.size(), 1u);
  EXPECT_TRUE(SameRect(AnnotationRect(annots[0]), PageRect(72, 100.25, 300, 400)));
  const CosObj back = AnnotationDict(annots[0]);
  EXPECT_TRUE(SameText(before, Describer().Of(back)));
  EXPECT_EQ(NameText(ArrayItem(DictValue(back, "Names"), 0)), names[0]);
  EXPECT_EQ(StreamData(ArrayItem(DictValue(back, "Streams"), 3)), datas[3]);
  EXPECT_TRUE(SameObject(DictValue(back, "Shared"),
                         ArrayItem(DictValue(DictValue(back, "Level1"), "Level2"), 0)));
  // The compressible stream was compressed by the writer and still reads back decoded.
  const CosObj compressible = DictValue(back, "KXTRIVOPlayerF");
  EXPECT_LT(StreamRawData(compressible).size(), datas[2].size());
  std::string decoded;
  Handle stm = nullptr;
  ASSERT_EQ(Run([&] { stm = CosStreamOpenStm(compressible, 2); }), kErrNone);
  decoded.resize(datas[2].size() + 1);
  ASTCount got = 0;
  ASSERT_EQ(Run([&] {
              got = ASStmRead(&decoded[0], 1, static_cast<ASTCount>(decoded.size()), stm);
              ASStmClose(stm);
            }),
            kErrNone);
  decoded.resize(static_cast<size_t>(got));
  EXPECT_EQ(decoded, datas[2]);
}

TEST_F(PdfFilesTest, OpenedFileKeepsObjectNumbersAndRefusesHostileValues) {
  // No cross-reference table and a dangling reference: qpdf rebuilds and reads it as null.
  const std::string path = folder_.File("handmade.pdf");
  std::ofstream(path, std::ios::binary)
      << "%PDF-1.6\n"
         "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
         "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 200 100] >> endobj\n"
         "3 0 obj << /Type /Page /Parent 2 0 R /Annots 4 0 R >> endobj\n"
         "4 0 obj [5 0 R 6 0 R 99 0 R] endobj\n"
         "5 0 obj << /Type /Annot /Subtype /KXTRIVOPlayer /Rect [0 0 (x) 99999999]"
         " /Name /A#20B >> endobj\n"
         "6 0 obj << /Type /Annot /Subtype /Square /Rect [30 40.25 10.5 20] >> endobj\n"
         "trailer << /Root 1 0 R >>\n%%EOF\n";
  const Handle doc = OpenPdfFile(path);
  ASSERT_EQ(PageCount(doc), 1);
  const Handle page = DocumentPage(doc, 0);
  EXPECT_TRUE(SameRect(PageMediaBox(page), PageRect(0, 0, 200, 100)));  // inherited
  const std::vector<PDAnnot> annots = PageAnnotations(page);
  ASSERT_EQ(annots.size(), 2u);
  EXPECT_EQ(ObjNumber(AnnotationDict(annots[0])), 5);
  EXPECT_EQ(ObjNumber(AnnotationDict(annots[1])), 6);
  EXPECT_EQ(NameText(DictValue(AnnotationDict(annots[0]), "Name")), "A B");
  FixedRect rect{};
  EXPECT_EQ(Run([&] { PDAnnotGetRect(annots[0], &rect); }), kErrBadAnnot);
  ASSERT_EQ(Run([&] { PDAnnotGetRect(annots[1], &rect); }), kErrNone);
  EXPECT_TRUE(SameRect(rect, PageRect(10.5, 20, 30, 40.25)));
  // New objects continue after the file's numbers.
  EXPECT_GT(ObjNumber(NewDict(doc, true)), 6);

  // Saved over the file it came from, it still passes the check.
  SavePdfFile(doc, path);
  EXPECT_EQ(QpdfCheck(path), 0) << checkReport_;
  CloseDocument(doc);
  EXPECT_EQ(PageAnnotations(DocumentPage(OpenPdfFile(path), 0)).size(), 2u);
}

TEST_F(PdfFilesTest, FilesThatAreNotPdfFailWithTheirName) {
  const std::string garbage = folder_.File("garbage.pdf");
  std::ofstream(garbage, std::ios::binary) << "this is not a PDF file";
  // A catalog that is a page: the document has no pages a view could show.
  const std::string pageAsRoot = folder_.File("page-as-root.pdf");
  std::ofstream(pageAsRoot, std::ios::binary)
      << "%PDF-1.7\n1 0 obj\n<< /Type /Page /MediaBox [0 0 612 792] >>\nendobj\n"
         "trailer\n<< /Size 2 /Root 1 0 R >>\n%%EOF\n";
  // A folder is no file either.
  std::vector<std::string> paths = {folder_.File("missing.pdf"), garbage, pageAsRoot,
                                    folder_.File("")};
#if defined(_WIN32)
  paths.push_back("NUL");  // a device, in every folder
#else
  // Opening a FIFO would wait for a writer.
  const std::string fifo = folder_.File("fifo.pdf");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  paths.push_back(fifo);
#endif
  for (const std::string& path : paths) {
    try {
      OpenPdfFile(path);
      ADD_FAILURE() << "opened " << path;
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
  }
  EXPECT_TRUE(OpenDocuments().empty());
  const Handle doc = NewDocument(1, PageRect(0, 0, 10, 10));
  EXPECT_THROW(SavePdfFile(doc, folder_.File("no-folder/out.pdf")), std::runtime_error);
}

TEST_F(PdfFilesTest, AFailedSaveLeavesTheFileThatWasThere) {
  const std::string path = folder_.File("kept.pdf");
  SavePdfFile(NewDocument(1, PageRect(0, 0, 100, 100)), path);
  auto bytes = [&] {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string before = bytes();
  ASSERT_FALSE(before.empty());

  // One document fails while its objects are written out (a name with a zero byte); the
  // other while its file is written, past the size this process may give a file.
  const Handle unwritable = NewDocument(2, PageRect(0, 0, 200, 200));
  DictSet(DocumentCatalog(unwritable), "Bad", NewName(unwritable, std::string("a\0b", 3)));
  const Handle tooLarge = NewDocument(3, PageRect(0, 0, 300, 300));
  for (const Handle doc : {unwritable, tooLarge}) {
#if defined(_WIN32)
    if (doc == tooLarge) continue;
#else
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    if (doc == tooLarge) small.rlim_cur = 64;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
#endif
    try {
      SavePdfFile(doc, path);
      ADD_FAILURE() << "saved";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
#if !defined(_WIN32)
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
#endif
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.File("")),
                            std::filesystem::directory_iterator()),
              1)
        << "a new file was left behind";
  }
}

TEST_F(PdfFilesTest, SavingLeavesWhatOthersPlacedNextToTheFile) {
  const std::string path = folder_.File("out.pdf");
  const std::string planted = path + ".part";
  const std::string victim = folder_.File("victim.txt");
  std::ofstream(victim, std::ios::binary) << "victim";
  const Handle fine = NewDocument(1, PageRect(0, 0, 100, 100));
  const Handle unwritable = NewDocument(1, PageRect(0, 0, 100, 100));
  DictSet(DocumentCatalog(unwritable), "Bad", NewName(unwritable, std::string("a\0b", 3)));
  auto read = [](const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };

  // A link to someone's file, or a file, at the name a save once wrote to first.
  for (const bool link : {true, false}) {
    std::filesystem::remove(planted);
    std::error_code noLinks;  // Windows without the right to make them, wine
    if (link) std::filesystem::create_symlink(victim, planted, noLinks);
    if (link && noLinks) continue;
    if (!link) std::ofstream(planted, std::ios::binary) << "planted";
    SavePdfFile(fine, path);
    EXPECT_THROW(SavePdfFile(unwritable, path), std::runtime_error);
    EXPECT_EQ(std::filesystem::is_symlink(planted), link);
    EXPECT_EQ(read(planted), link ? "victim" : "planted");
    EXPECT_EQ(read(victim), "victim");
    EXPECT_EQ(PageCount(OpenPdfFile(path)), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.File("")),
                            std::filesystem::directory_iterator()),
              3)
        << "a new file was left behind";
  }
}

// A one-page PDF whose catalog lists the given streams under Data (objects 4 on), each
// written after its dictionary's own text (Length included, right or wrong).
void WriteStreamsPdf(const std::string& path,
                     const std::vector<std::pair<std::string, std::string>>& streams) {
  std::string data = "[";
  for (size_t i = 0; i < streams.size(); ++i) data += " " + std::to_string(i + 4) + " 0 R";
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R /Data " + data + " ] >>",
                                      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 99 99] >>"};
  for (const auto& stream : streams)
    objects.push_back(stream.first + "\nstream\n" + stream.second + "\nendstream");
  std::string file = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(file.size());
    file += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = file.size();
  file += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    file += line;
  }
  file += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
          " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
  // An old modification time, so that a change made in the same clock tick still shows.
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 20));
}

std::string Bytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string Dict(const std::string& entries, size_t length) {
  return "<< " + entries + " /Length " + std::to_string(length) + " >>";
}

// Reads a stream in 4000-byte pieces until its end or a host error, which it answers;
// `Run` is the fixture's.
template <typename Runner>
ASErrorCode ReadPieces(Runner Run, CosObj stream, ASInt32 mode, std::string* got) {
  Handle stm = nullptr;
  ASErrorCode code = Run([&] { stm = CosStreamOpenStm(stream, mode); });
  std::vector<char> piece(4000);
  ASTCount n = 1;
  while (code == kErrNone && n > 0) {
    code = Run([&] { n = ASStmRead(piece.data(), 1, static_cast<ASTCount>(piece.size()), stm); });
    if (code == kErrNone) got->append(piece.data(), static_cast<size_t>(n));
  }
  if (stm != nullptr) {
    EXPECT_EQ(Run([&] { ASStmClose(stm); }), kErrNone);
  }
  return code;
}

// qpdf's own reading of object `number`: "raw" or "filtered" stream data.
std::string QpdfStreamData(const std::string& path, int number, const char* which) {
  std::string data;
  EXPECT_NE(testsupport::RunProgram(QpdfProgram(),
                                    {"--show-object=" + std::to_string(number),
                                     std::string("--") + which + "-stream-data", path},
                                    &data, false),
            -1);
  return data;
}

TEST_F(PdfFilesTest, StreamDataReadsAndSavesAsQpdfReadsItFromTheFile) {
  const auto run = [this](auto&& call) { return Run(call); };
  // Plain data across several of the host's read pieces, compressed data, a Length that
  // qpdf has to repair (that stream is copied at the opening), and an empty stream.
  const std::string plain = Bytes(700000, 1);
  const std::string text = std::string(300000, 'q') + plain.substr(0, 300000);
  const std::string flate = FlateSupported() ? FlateEncode(text) : std::string();
  const std::string path = folder_.File("streams.pdf");
  WriteStreamsPdf(path, {{Dict("", plain.size()), plain},
                         {Dict("/Filter /FlateDecode", flate.size()), flate},
                         {Dict("", 10), "longer than its Length says"},
                         {Dict("", 0), ""}});
  const Handle doc = OpenPdfFile(path);
  const CosObj data = DictValue(DocumentCatalog(doc), "Data");
  ASSERT_EQ(ArrayLength(data), 4);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const std::string raw = QpdfStreamData(path, i + 4, "raw");
    EXPECT_EQ(StreamRawData(ArrayItem(data, i)), raw);
    std::string got;
    EXPECT_EQ(ReadPieces(run, ArrayItem(data, i), 0, &got), kErrNone);
    EXPECT_TRUE(got == raw);
  }
  std::string decoded;
  if (FlateSupported()) {
    EXPECT_EQ(ReadPieces(run, ArrayItem(data, 1), 2, &decoded), kErrNone);
    EXPECT_TRUE(decoded == text);
  }

  // Saved, every stream keeps its bytes; saved over its own file, the open document still
  // reads the file it was opened from.
  std::vector<std::string> filtered;
  for (int i = 0; i < 4; ++i)
    filtered.push_back(QpdfStreamData(path, i + 4, FlateSupported() ? "filtered" : "raw"));
  const std::string saved = folder_.File("saved.pdf");
  for (const std::string& target : {saved, path}) {
#if defined(_WIN32)
    // Windows replaces no file that is open, and the document holds its own open.
    if (target == path) {
      EXPECT_THROW(SavePdfFile(doc, target), std::runtime_error);
      continue;
    }
#endif
    SavePdfFile(doc, target);
    EXPECT_EQ(QpdfCheck(target), 0) << checkReport_;
  }
  EXPECT_TRUE(StreamRawData(ArrayItem(data, 0)) == plain);
  const CosObj back = DictValue(DocumentCatalog(OpenPdfFile(saved)), "Data");
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(StreamData(ArrayItem(back, i)) == filtered[static_cast<size_t>(i)]);
  }
}

TEST_F(PdfFilesTest, DataOfAFileChangedOnDiskIsRefusedAndDamageRaisesAtItsRead) {
  const auto run = [this](auto&& call) { return Run(call); };
  const std::string plain = Bytes(1 << 20, 2);
  const std::string path = folder_.File("changing.pdf");
  struct Change {
    const char* what;
    void (*apply)(const std::string& path);
  };
  const Change changes[] = {
      {"rewritten in place, same size",
       [](const std::string& file) {
         std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
         out.seekp(600000);
         out << std::string(1000, 'X');
       }},
      {"truncated", [](const std::string& file) { std::filesystem::resize_file(file, 500000); }},
      {"grown", [](const std::string& file) { std::ofstream(file, std::ios::app) << "more"; }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    WriteStreamsPdf(path, {{Dict("", plain.size()), plain}});
    const Handle doc = OpenPdfFile(path);
    const CosObj stream = ArrayItem(DictValue(DocumentCatalog(doc), "Data"), 0);
    Handle stm = nullptr;
    char first[4000];
    ASSERT_EQ(Run([&] {
                stm = CosStreamOpenStm(stream, 0);
                ASStmRead(first, 1, sizeof first, stm);
              }),
              kErrNone);
    change.apply(path);
    // What was read before the change is the file's; nothing is read after it.
    std::string got(first, sizeof first);
    std::vector<char> piece(4000);
    ASErrorCode code = kErrNone;
    for (ASTCount n = 1; code == kErrNone && n > 0;) {
      code = Run([&] { n = ASStmRead(piece.data(), 1, static_cast<ASTCount>(piece.size()), stm); });
      if (code == kErrNone) got.append(piece.data(), static_cast<size_t>(n));
    }
    EXPECT_EQ(code, kErrFileRead);
    EXPECT_LT(got.size(), plain.size());
    EXPECT_TRUE(got == plain.substr(0, got.size()));
    EXPECT_EQ(Run([&] { ASStmClose(stm); }), kErrNone);
    std::string again;
    EXPECT_EQ(ReadPieces(run, stream, 0, &again), kErrFileRead);
    EXPECT_TRUE(again.empty());
    EXPECT_THROW(SavePdfFile(doc, folder_.File("copy.pdf")), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(folder_.File("copy.pdf")));
    CloseDocument(doc);
  }

  // Compressed data damaged halfway: the stream opens and reads up to the damage, and a
  // read that meets it raises (inflate may hand out some wrong bytes before it can tell).
  if (!FlateSupported()) return;
  const std::string text = Bytes(1 << 20, 3);
  std::string flate = FlateEncode(text);
  for (size_t i = flate.size() / 2; i < flate.size() / 2 + 64; ++i) flate[i] = '\xFF';
  WriteStreamsPdf(path, {{Dict("/Filter /FlateDecode", flate.size()), flate}});
  std::string got;
  EXPECT_EQ(
      ReadPieces(run, ArrayItem(DictValue(DocumentCatalog(OpenPdfFile(path)), "Data"), 0), 2, &got),
      kErrBadStreamData);
  EXPECT_GT(got.size(), text.size() / 4);
  EXPECT_LT(got.size(), text.size());
  EXPECT_TRUE(got.substr(0, text.size() / 4) == text.substr(0, text.size() / 4));
}

}  // namespace
}  // namespace hosttest
