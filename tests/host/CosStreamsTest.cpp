// Stream objects: creation from a read stream of the host, filters on creation and on
// reading, and the reading modes of CosStreamOpenStm.
#include <random>
#include <string>
#include <vector>

#include "Documents.h"
#include "Files.h"
#include "HostTestSupport.h"
#include "Objects.h"
#include "StreamFilters.h"

namespace hosttest {
namespace {

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

class CosStreamsTest : public HostTest {
 protected:
  void SetUp() override {
    doc_ = NewDocument(1, PageRect(0, 0, 612, 792));
    cos_ = DocumentCosDoc(doc_);
  }

  // Makes a stream object from `data` as the plug-in does: a memory stream over its own
  // buffer, an attributes dictionary with Length first and the given Filter.
  CosObj MakeStream(std::string& data, const char* filter, ASBool encoded) {
    CosObj stream{};
    const ASErrorCode code = Run([&] {
      CosObj attributes = CosNewDict(cos_, 0, 3);
      CosDictPutKeyString(attributes, "Length",
                          CosNewInteger(cos_, 0, static_cast<ASInt32>(data.size())));
      CosDictPutKeyString(attributes, "Type", CosNewNameFromString(cos_, 0, "EmbeddedFile"));
      if (filter != nullptr)
        CosDictPutKeyString(attributes, "Filter", CosNewNameFromString(cos_, 0, filter));
      Handle source = ASMemStmRdOpen(&data[0], static_cast<ASUns32>(data.size()));
      stream = CosNewStream(cos_, 1, source, 0, encoded, attributes, CosNewNull(),
                            static_cast<ASInt32>(data.size()));
      ASStmClose(source);
    });
    EXPECT_EQ(code, kErrNone);
    return stream;
  }

  // Reads a stream object through CosStreamOpenStm and ASStmRead, in odd-sized pieces.
  std::string ReadThroughTables(CosObj stream, ASInt32 mode) {
    std::vector<char> out;
    char piece[1000];
    ASTCount got = 0;
    Handle stm = nullptr;
    EXPECT_EQ(Run([&] { stm = CosStreamOpenStm(stream, mode); }), kErrNone);
    do {
      EXPECT_EQ(Run([&] { got = ASStmRead(piece, 1, sizeof piece, stm); }), kErrNone);
      out.insert(out.end(), piece, piece + got);
    } while (got > 0);
    EXPECT_EQ(Run([&] { ASStmClose(stm); }), kErrNone);
    return std::string(out.begin(), out.end());
  }

  Handle doc_ = nullptr;
  Handle cos_ = nullptr;
};

TEST_F(CosStreamsTest, UnfilteredStreamKeepsTheBytesOnceAndItsDictionary) {
  for (size_t size : {size_t(0), size_t(1), size_t(65537), size_t(3) << 20}) {
    std::string data = RandomBytes(size, static_cast<unsigned>(size));
    const CosObj stream = MakeStream(data, nullptr, 0);
    CosObj dict{};
    ASSERT_EQ(Run([&] { dict = CosStreamDict(stream); }), kErrNone);
    EXPECT_TRUE(ObjIsIndirect(stream));
    EXPECT_FALSE(ObjIsIndirect(dict));
    EXPECT_EQ(StreamRawData(stream), data);
    EXPECT_EQ(IntValue(DictValue(dict, "Length")), static_cast<int32_t>(size));
    EXPECT_EQ(DictKeys(dict), (std::vector<std::string>{"Length", "Type"}));
    EXPECT_EQ(ReadThroughTables(stream, 2), data);
    EXPECT_EQ(ReadThroughTables(stream, 0), data);
    // The host copied the bytes: the caller's buffer may change or go.
    if (size > 0) {
      data[0] = static_cast<char>(data[0] ^ 0x55);
      EXPECT_NE(StreamRawData(stream), data);
    }
  }
  EXPECT_EQ(LiveStreams(), 0u);
}

TEST_F(CosStreamsTest, NamedFlateFilterIsAppliedOnCreationAndUndoneInDecodedModes) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  std::string text(200000, 'a');
  text += RandomBytes(1000, 7);
  const CosObj stream = MakeStream(text, "FlateDecode", 0);
  const std::string raw = StreamRawData(stream);
  EXPECT_LT(raw.size(), text.size());
  EXPECT_EQ(FlateDecode(raw), text);
  EXPECT_EQ(IntValue(DictValue(StreamDictOf(stream), "Length")), static_cast<int32_t>(raw.size()));
  EXPECT_EQ(ReadThroughTables(stream, 2), text);
  EXPECT_EQ(ReadThroughTables(stream, 1), text);
  EXPECT_EQ(ReadThroughTables(stream, 0), raw);
  EXPECT_EQ(StreamData(stream), text);
}

TEST_F(CosStreamsTest, EncodedSourceIsTakenAsItIs) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  const std::string text = "already compressed elsewhere";
  std::string encoded = FlateEncode(text);
  const CosObj stream = MakeStream(encoded, "FlateDecode", 1);
  EXPECT_EQ(StreamRawData(stream), encoded);
  EXPECT_EQ(ReadThroughTables(stream, 2), text);
}

TEST_F(CosStreamsTest, FiltersTheHostCannotApplyRaiseUnknownFilter) {
  std::string data = "payload";
  EXPECT_EQ(Run([&] {
              CosObj attributes = CosNewDict(cos_, 0, 1);
              CosDictPutKeyString(attributes, "Filter", CosNewNameFromString(cos_, 0, "LZWDecode"));
              Handle source = ASMemStmRdOpen(&data[0], 7);
              CosNewStream(cos_, 1, source, 0, 0, attributes, CosNewNull(), 7);
            }),
            kErrUnknownFilter);
  // Taken as encoded, it is stored; decoding it is what fails.
  const CosObj stored = MakeStream(data, "DCTDecode", 1);
  EXPECT_EQ(StreamRawData(stored), data);
  EXPECT_EQ(Run([&] { CosStreamOpenStm(stored, 2); }), kErrUnknownFilter);
  EXPECT_EQ(Run([&] { CosStreamOpenStm(stored, 3); }), kErrBadParameter);
  EXPECT_EQ(ReadThroughTables(stored, 0), data);
}

TEST_F(CosStreamsTest, DamagedCompressedDataRaisesInsteadOfReadingShort) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  std::string whole = FlateEncode(RandomBytes(5000, 3));
  std::string truncated = whole.substr(0, whole.size() / 2);
  std::string garbage = "this is not zlib data at all";
  for (std::string* data : {&truncated, &garbage}) {
    const CosObj stream = MakeStream(*data, "FlateDecode", 1);
    EXPECT_EQ(Run([&] { CosStreamOpenStm(stream, 2); }), kErrBadStreamData);
  }
}

TEST_F(CosStreamsTest, SourcePositionAndLengthChooseTheBytes) {
  std::string data = "0123456789";
  CosObj fromCurrent{}, middle{};
  ASSERT_EQ(Run([&] {
              char skipped[3];
              Handle source = ASMemStmRdOpen(&data[0], 10);
              ASStmRead(skipped, 1, 3, source);
              fromCurrent = CosNewStream(cos_, 1, source, -1, 0, CosNewNull(), CosNewNull(), -1);
              middle = CosNewStream(cos_, 1, source, 2, 0, CosNewNull(), CosNewNull(), 4);
              ASStmClose(source);
            }),
            kErrNone);
  EXPECT_EQ(StreamRawData(fromCurrent), "3456789");
  EXPECT_EQ(StreamRawData(middle), "2345");
  // A source that ends before the promised length is a failure, not a shorter stream.
  EXPECT_EQ(Run([&] {
              Handle source = ASMemStmRdOpen(&data[0], 10);
              CosNewStream(cos_, 1, source, 0, 0, CosNewNull(), CosNewNull(), 11);
            }),
            kErrFileRead);
  EXPECT_EQ(Run([&] {
              Handle source = ASMemStmRdOpen(&data[0], 10);
              CosNewStream(cos_, 0, source, 0, 0, CosNewNull(), CosNewNull(), -1);
            }),
            kErrBadParameter);
}

TEST_F(CosStreamsTest, AStreamDictionaryBelongsToOneStream) {
  std::string data = "abc";
  CosObj first{};
  ASSERT_EQ(Run([&] {
              CosObj attributes = CosNewDict(cos_, 0, 1);
              Handle source = ASMemStmRdOpen(&data[0], 3);
              first = CosNewStream(cos_, 1, source, 0, 0, attributes, CosNewNull(), 3);
              ASStmClose(source);
            }),
            kErrNone);
  // Reusing it would give the first stream the second one's Length.
  EXPECT_EQ(Run([&] {
              Handle source = ASMemStmRdOpen(&data[0], 1);
              CosNewStream(cos_, 1, source, 0, 0, CosStreamDict(first), CosNewNull(), 1);
            }),
            kErrBadParameter);
  EXPECT_EQ(IntValue(DictValue(StreamDictOf(first), "Length")), 3);
  // So would an indirect dictionary, which a stream's dictionary never is.
  EXPECT_EQ(Run([&] {
              Handle source = ASMemStmRdOpen(&data[0], 1);
              CosNewStream(cos_, 1, source, 0, 0, CosNewDict(cos_, 1, 1), CosNewNull(), 1);
            }),
            kErrBadParameter);
}

TEST_F(CosStreamsTest, ObjectStreamOfAClosedDocumentRaisesBadObject) {
  std::string data = "bytes of a document that goes away";
  const CosObj stream = MakeStream(data, nullptr, 0);
  Handle stm = nullptr;
  ASSERT_EQ(Run([&] { stm = CosStreamOpenStm(stream, 0); }), kErrNone);
  CloseDocument(doc_);
  char buffer[8];
  EXPECT_EQ(Run([&] { ASStmRead(buffer, 1, sizeof buffer, stm); }), kErrBadObject);
  EXPECT_EQ(Run([&] { ASStmClose(stm); }), kErrNone);
  EXPECT_EQ(LiveStreams(), 0u);
}

}  // namespace
}  // namespace hosttest
