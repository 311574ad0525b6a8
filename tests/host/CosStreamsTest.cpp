// Stream objects: creation from a read stream of the host, filters on creation and on
// reading, and the reading modes of CosStreamOpenStm.
#include <algorithm>
#include <cstdint>
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

// Text that compresses, but not to nothing: random numbers as words.
std::string Words(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += std::to_string(random() % 5000) + ' ';
  return text;
}

// A zlib stream, written bit by bit, that decodes to 1 + 258 * `copies` zero bytes: one
// block of fixed codes holding a literal zero and then `copies` copies of 258 bytes from
// one byte back. Quick to make and to decode at any size.
std::string ZerosStream(size_t copies) {
  std::string out = {'\x78', '\x01'};
  uint32_t bits = 0;
  int held = 0;
  const auto put = [&](uint32_t value, int count) {  // least significant bit first
    bits |= value << held;
    for (held += count; held >= 8; held -= 8, bits >>= 8) out += static_cast<char>(bits & 0xFF);
  };
  const auto code = [&](uint32_t value, int count) {  // codes go most significant bit first
    for (int i = count - 1; i >= 0; --i) put((value >> i) & 1, 1);
  };
  put(1, 1);      // last block
  put(1, 2);      // of fixed codes
  code(0x30, 8);  // literal 0
  for (size_t i = 0; i < copies; ++i) {
    code(0xC5, 8);  // length 258
    code(0, 5);     // distance 1
  }
  code(0, 7);  // end of block
  if (held > 0) put(0, 8 - held);
  const uint32_t adler = static_cast<uint32_t>((1 + 258 * copies) % 65521) << 16 | 1;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((adler >> shift) & 0xFF);
  return out;
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

  // Reads the stream decoded (mode 2) in pieces of the given sizes, in turn, to the end or
  // the first error, which it answers; what was read goes to `out`.
  ASErrorCode ReadDecoded(CosObj stream, const std::vector<ASTCount>& pieces, std::string* out) {
    Handle stm = nullptr;
    ASErrorCode code = Run([&] { stm = CosStreamOpenStm(stream, 2); });
    if (code != kErrNone) return code;
    std::vector<char> piece(static_cast<size_t>(*std::max_element(pieces.begin(), pieces.end())));
    ASTCount got = 0;
    for (size_t i = 0;; ++i) {
      const ASTCount size = pieces[i % pieces.size()];
      code = Run([&] { got = ASStmRead(piece.data(), 1, size, stm); });
      if (code != kErrNone || got == 0) break;
      out->append(piece.data(), static_cast<size_t>(got));
    }
    EXPECT_EQ(Run([&] { ASStmClose(stm); }), kErrNone);
    return code;
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

// Only inflating is offered: a predictor in the parameters, in whichever form they are
// given beside a single filter or an array of filters, refuses the stream rather than
// handing out bytes that are still encoded.
TEST_F(CosStreamsTest, PredictorInAnyFormOfParametersRaisesUnknownFilter) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  const std::string text = "scene bytes that were compressed once";
  const struct {
    bool filterArray, paramsArray;
    int predictor;
    ASErrorCode expected;
  } cases[] = {{false, false, 12, kErrUnknownFilter},
               {true, false, 12, kErrUnknownFilter},
               {false, true, 2, kErrUnknownFilter},
               {true, true, 12, kErrUnknownFilter},
               {true, false, 1, kErrNone},
               {false, true, 1, kErrNone}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.filterArray << c.paramsArray << c.predictor);
    std::string encoded = FlateEncode(text);
    const CosObj stream = MakeStream(encoded, "FlateDecode", 1);
    ASSERT_EQ(Run([&] {
                const CosObj dict = CosStreamDict(stream);
                if (c.filterArray) {
                  const CosObj filters = CosNewArray(cos_, 0, 1);
                  CosArrayInsert(filters, 0, CosNewNameFromString(cos_, 0, "FlateDecode"));
                  CosDictPutKeyString(dict, "Filter", filters);
                }
                CosObj params = CosNewDict(cos_, 0, 1);
                CosDictPutKeyString(params, "Predictor", CosNewInteger(cos_, 0, c.predictor));
                if (c.paramsArray) {
                  const CosObj list = CosNewArray(cos_, 0, 1);
                  CosArrayInsert(list, 0, params);
                  params = list;
                }
                CosDictPutKeyString(dict, "DecodeParms", params);
              }),
              kErrNone);
    std::string out;
    EXPECT_EQ(ReadDecoded(stream, {4096}, &out), c.expected);
    EXPECT_EQ(out, c.expected == kErrNone ? text : "");
  }
  EXPECT_EQ(LiveStreams(), 0u);
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

TEST_F(CosStreamsTest, DecodedStreamReadsInAnyPiecesThroughOneOrTwoFilters) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  // Larger than the host's decode window and, compressed once, than the buffer between
  // two passes.
  const std::string text = Words(300000, 11);
  std::string once = FlateEncode(text);
  std::string twice = FlateEncode(once);
  std::string empty;
  ASSERT_GT(once.size(), size_t(64) << 10);
  const CosObj one = MakeStream(once, "FlateDecode", 1);
  const CosObj two = MakeStream(twice, "FlateDecode", 1);
  const CosObj filters = NewArray(doc_);
  ArrayAppend(filters, NewName(doc_, "FlateDecode"));
  ArrayAppend(filters, NewName(doc_, "FlateDecode"));
  DictSet(StreamDictOf(two), "Filter", filters);
  const std::vector<std::vector<ASTCount>> piecings = {{1, 2, 3, 4093}, {1 << 20}};
  for (const CosObj stream : {one, two}) {
    for (const std::vector<ASTCount>& pieces : piecings) {
      std::string out;
      EXPECT_EQ(ReadDecoded(stream, pieces, &out), kErrNone);
      EXPECT_TRUE(out == text) << out.size();
    }
  }
  std::string out;
  EXPECT_EQ(ReadDecoded(MakeStream(empty, "FlateDecode", 1), {7}, &out), kErrNone);
  EXPECT_EQ(out, "");
  EXPECT_EQ(LiveStreams(), 0u);
}

TEST_F(CosStreamsTest, DecodedSizeIsNotLimitedByMemory) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  EXPECT_EQ(FlateDecode(ZerosStream(10)), std::string(1 + 258 * 10, '\0'));
  const size_t copies = 1219300;  // 300 MiB, beyond what a whole-buffer decode allowed
  const size_t size = 1 + 258 * copies;
  std::string encoded = ZerosStream(copies);
  const CosObj stream = MakeStream(encoded, "FlateDecode", 1);
  Handle stm = nullptr;
  ASSERT_EQ(Run([&] { stm = CosStreamOpenStm(stream, 2); }), kErrNone);
  static char piece[1 << 16];
  size_t total = 0;
  bool zeros = true;
  for (ASTCount got = 1; got > 0; total += static_cast<size_t>(got)) {
    ASSERT_EQ(Run([&] { got = ASStmRead(piece, 1, sizeof piece, stm); }), kErrNone);
    for (ASTCount i = 0; i < got; i += 4093) zeros = zeros && piece[i] == 0;
  }
  EXPECT_EQ(total, size);
  EXPECT_TRUE(zeros);
  EXPECT_EQ(Run([&] { ASStmClose(stm); }), kErrNone);
}

TEST_F(CosStreamsTest, DamageFoundLateRaisesAtTheReadThatMeetsIt) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  const std::string text = Words(1 << 20, 5);
  const std::string whole = FlateEncode(text);
  std::string truncated = whole.substr(0, whole.size() - 100);
  std::string flipped = whole;
  flipped[whole.size() / 2] = static_cast<char>(flipped[whole.size() / 2] ^ 0x5A);
  for (std::string* data : {&truncated, &flipped}) {
    const CosObj stream = MakeStream(*data, "FlateDecode", 1);
    std::string out;
    EXPECT_EQ(ReadDecoded(stream, {4096}, &out), kErrBadStreamData);
    // Opening and the reads before the damage went through (a flipped byte may decode
    // to wrong bytes that only the checksum at the end reveals).
    EXPECT_GT(out.size(), size_t(64) << 10);
    EXPECT_EQ(out.substr(0, 65536), text.substr(0, 65536));
  }
  EXPECT_EQ(LiveStreams(), 0u);
}

TEST_F(CosStreamsTest, DecodedStreamSeeksForwardAndBack) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  const std::string text = Words(300000, 2);
  std::string encoded = FlateEncode(text);
  const CosObj stream = MakeStream(encoded, "FlateDecode", 1);
  CosObj far{}, near{}, rest{};
  ASSERT_EQ(Run([&] {
              Handle source = CosStreamOpenStm(stream, 2);
              far = CosNewStream(cos_, 1, source, 200000, 0, CosNewNull(), CosNewNull(), 1000);
              near = CosNewStream(cos_, 1, source, 10, 0, CosNewNull(), CosNewNull(), 5);
              rest = CosNewStream(cos_, 1, source, -1, 0, CosNewNull(), CosNewNull(), -1);
              ASStmClose(source);
            }),
            kErrNone);
  EXPECT_EQ(StreamRawData(far), text.substr(200000, 1000));
  EXPECT_EQ(StreamRawData(near), text.substr(10, 5));
  EXPECT_TRUE(StreamRawData(rest) == text.substr(15));
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

TEST_F(CosStreamsTest, DecodedStreamOfAClosedDocumentRaisesBadObject) {
  if (!FlateSupported()) GTEST_SKIP() << "this build has no zlib";
  std::string encoded = FlateEncode(Words(200000, 4));
  const CosObj stream = MakeStream(encoded, "FlateDecode", 1);
  Handle stm = nullptr;
  ASSERT_EQ(Run([&] { stm = CosStreamOpenStm(stream, 2); }), kErrNone);
  CloseDocument(doc_);
  static char buffer[1 << 17];  // beyond what opening decoded
  EXPECT_EQ(Run([&] { ASStmRead(buffer, 1, sizeof buffer, stm); }), kErrBadObject);
  EXPECT_EQ(Run([&] { ASStmClose(stm); }), kErrNone);
  EXPECT_EQ(LiveStreams(), 0u);
}

}  // namespace
}  // namespace hosttest
