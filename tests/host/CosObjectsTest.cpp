// The object layer through the Cos table: types, direct and indirect objects,
// dictionaries, arrays, and what a forged or stale object does.
#include <climits>
#include <string>
#include <vector>

#include "Documents.h"
#include "HostTestSupport.h"
#include "Objects.h"

namespace hosttest {
namespace {

class CosObjectsTest : public HostTest {
 protected:
  void SetUp() override {
    doc_ = NewDocument(1, PageRect(0, 0, 612, 792));
    cos_ = DocumentCosDoc(doc_);
  }
  Handle doc_ = nullptr;
  Handle cos_ = nullptr;
};

TEST_F(CosObjectsTest, EveryKindOfObjectAnswersItsTypeCode) {
  char bytes[] = "data";
  CosObj made[6] = {};
  ASSERT_EQ(Run([&] {
              made[0] = CosNewNull();
              made[1] = CosNewInteger(cos_, 0, 7);
              made[2] = CosNewNameFromString(cos_, 0, "Name");
              made[3] = CosNewDict(cos_, 0, 2);
              made[4] = CosNewArray(cos_, 0, 2);
              Handle source = ASMemStmRdOpen(bytes, 4);
              made[5] = CosNewStream(cos_, 1, source, 0, 0, CosNewNull(), CosNewNull(), -1);
              ASStmClose(source);
            }),
            kErrNone);
  const struct {
    CosObj obj;
    int type;
  } cases[] = {{made[0], kCosNull},
               {made[1], kCosInteger},
               {made[2], kCosName},
               {made[3], kCosDict},
               {made[4], kCosArray},
               {made[5], kCosStream},
               {NewReal(doc_, 1.5), kCosReal},
               {NewBoolean(doc_, true), kCosBoolean},
               {NewString(doc_, "text"), kCosString}};
  for (const auto& c : cases) {
    ASInt32 type = -1;
    ASSERT_EQ(Run([&] { type = CosObjGetType(c.obj); }), kErrNone);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(ObjType(c.obj), c.type);
  }
}

TEST_F(CosObjectsTest, IndirectObjectsGetDistinctNumbersAndDirectOnesNone) {
  CosObj direct{}, first{}, second{}, integer{};
  ASSERT_EQ(Run([&] {
              direct = CosNewDict(cos_, 0, 1);
              first = CosNewDict(cos_, 1, 1);
              second = CosNewArray(cos_, 1, 1);
              integer = CosNewInteger(cos_, 1, 5);
            }),
            kErrNone);
  EXPECT_FALSE(ObjIsIndirect(direct));
  EXPECT_EQ(ObjNumber(direct), 0);
  const std::vector<CosObj> indirect = {first, second, integer};
  for (size_t i = 0; i < indirect.size(); ++i) {
    EXPECT_TRUE(ObjIsIndirect(indirect[i]));
    EXPECT_GT(ObjNumber(indirect[i]), 0);
    for (size_t j = 0; j < i; ++j) EXPECT_NE(ObjNumber(indirect[i]), ObjNumber(indirect[j]));
  }
  EXPECT_EQ(ObjDocument(first), doc_);
}

TEST_F(CosObjectsTest, DictionaryKeepsInsertionOrderAcrossAtomAndTextKeys) {
  CosObj dict{}, absent{};
  ASBool knownB = 0, knownGone = 1, knownText = 0;
  ASInt32 replaced = 0;
  ASSERT_EQ(Run([&] {
              dict = CosNewDict(cos_, 0, 4);
              CosDictPutKeyString(dict, "Length", CosNewInteger(cos_, 0, 1));
              CosDictPut(dict, ASAtomFromString("Type"), CosNewNameFromString(cos_, 0, "X"));
              CosDictPutKeyString(dict, "B", CosNewInteger(cos_, 0, 2));
              CosDictPut(dict, ASAtomFromString("Gone"), CosNewInteger(cos_, 0, 3));
              // Replacing keeps the key's place; the null object removes the key.
              CosDictPut(dict, ASAtomFromString("Length"), CosNewInteger(cos_, 0, 9));
              CosDictPutKeyString(dict, "Gone", CosNewNull());
              knownB = CosDictKnown(dict, ASAtomFromString("B"));
              knownGone = CosDictKnownKeyString(dict, "Gone");
              knownText = CosDictKnownKeyString(dict, "Type");
              replaced = CosIntegerValue(CosDictGetKeyString(dict, "Length"));
              absent = CosDictGet(dict, ASAtomFromString("Nothing"));
            }),
            kErrNone);
  EXPECT_EQ(DictKeys(dict), (std::vector<std::string>{"Length", "Type", "B"}));
  EXPECT_EQ(knownB, 1);
  EXPECT_EQ(knownGone, 0);
  EXPECT_EQ(knownText, 1);
  EXPECT_EQ(replaced, 9);
  EXPECT_EQ(ObjType(absent), kCosNull);
  EXPECT_EQ(NameText(DictValue(dict, "Type")), "X");
}

TEST_F(CosObjectsTest, ArrayPutAppendsAtTheEndAndInsertShifts) {
  CosObj array{};
  ASSERT_EQ(Run([&] {
              array = CosNewArray(cos_, 0, 4);
              CosArrayPut(array, 0, CosNewInteger(cos_, 0, 10));
              CosArrayPut(array, 1, CosNewInteger(cos_, 0, 30));
              CosArrayInsert(array, 1, CosNewInteger(cos_, 0, 20));
              CosArrayPut(array, 0, CosNewInteger(cos_, 0, 5));
            }),
            kErrNone);
  ASSERT_EQ(ArrayLength(array), 3);
  EXPECT_EQ(IntValue(ArrayItem(array, 0)), 5);
  EXPECT_EQ(IntValue(ArrayItem(array, 1)), 20);
  EXPECT_EQ(IntValue(ArrayItem(array, 2)), 30);
  EXPECT_EQ(Run([&] { CosArrayPut(array, 4, CosNewInteger(cos_, 0, 1)); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { CosArrayPut(array, -1, CosNewInteger(cos_, 0, 1)); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { CosArrayInsert(array, 4, CosNewInteger(cos_, 0, 1)); }), kErrBadParameter);
  EXPECT_EQ(ArrayLength(array), 3);
}

TEST_F(CosObjectsTest, ValuesOfTheWrongTypeRaiseTypeMismatch) {
  CosObj name{}, integer{}, dict{};
  ASAtom atom = kNullAtom;
  ASInt32 value = 0;
  ASSERT_EQ(Run([&] {
              name = CosNewNameFromString(cos_, 0, "1.0");
              integer = CosNewInteger(cos_, 0, INT_MIN);
              dict = CosNewDict(cos_, 0, 0);
              atom = CosNameValue(name);
              value = CosIntegerValue(integer);
            }),
            kErrNone);
  EXPECT_STREQ(host_.AtomText(atom), "1.0");
  EXPECT_EQ(value, INT_MIN);
  EXPECT_EQ(Run([&] { CosIntegerValue(name); }), kErrTypeMismatch);
  EXPECT_EQ(Run([&] { CosNameValue(integer); }), kErrTypeMismatch);
  EXPECT_EQ(Run([&] { CosDictGetKeyString(integer, "K"); }), kErrTypeMismatch);
  EXPECT_EQ(Run([&] { CosArrayPut(dict, 0, integer); }), kErrTypeMismatch);
  EXPECT_EQ(Run([&] { CosStreamDict(dict); }), kErrTypeMismatch);
}

TEST_F(CosObjectsTest, ForgedAndStaleObjectsRaiseBadObjectAndAreRecorded) {
  const CosObj live = NewDict(doc_);
  const Handle other = NewDocument(1, PageRect(0, 0, 100, 100));
  const CosObj stale = NewInteger(other, 4);
  CloseDocument(other);
  const CosObj forged[] = {{0x1234, 5}, {live.a + 1, live.b}, {live.a, live.b + 1000},
                           {0, live.b}, {live.a, 0},          {0xFFFFFFFF, 0xFFFFFFFF},
                           stale};
  for (const CosObj& obj : forged) {
    const size_t recorded = host_.uncaughtErrors().size();
    EXPECT_EQ(Run([&] { CosObjGetType(obj); }), kErrBadObject);
    EXPECT_EQ(Run([&] { CosDictGetKeyString(obj, "Type"); }), kErrBadObject);
    EXPECT_EQ(Run([&] { CosIntegerValue(obj); }), kErrBadObject);
    EXPECT_EQ(Run([&] { CosDictPutKeyString(live, "Key", obj); }), kErrBadObject);
    EXPECT_EQ(host_.uncaughtErrors().size(), recorded + 4);
  }
  EXPECT_TRUE(DictKeys(live).empty());
  EXPECT_THROW(ObjType(stale), HostError);
}

TEST_F(CosObjectsTest, ObjectsOfAnotherDocumentOrDirectCyclesAreRefused) {
  const Handle other = NewDocument(1, PageRect(0, 0, 100, 100));
  const Handle otherCos = DocumentCosDoc(other);
  CosObj outer{}, inner{}, indirect{};
  ASSERT_EQ(Run([&] {
              outer = CosNewDict(cos_, 0, 1);
              inner = CosNewArray(cos_, 0, 1);
              indirect = CosNewDict(cos_, 1, 1);
              CosDictPutKeyString(outer, "Inner", inner);
              // An indirect object may refer to itself: that is a reference, not nesting.
              CosDictPutKeyString(indirect, "Self", indirect);
            }),
            kErrNone);
  EXPECT_EQ(Run([&] { CosDictPutKeyString(outer, "X", CosNewInteger(otherCos, 0, 1)); }),
            kErrBadParameter);
  EXPECT_EQ(Run([&] { CosArrayPut(inner, 0, outer); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { CosDictPutKeyString(outer, "Me", outer); }), kErrBadParameter);
  EXPECT_EQ(ArrayLength(inner), 0);
  EXPECT_TRUE(SameObject(DictValue(indirect, "Self"), indirect));
  EXPECT_EQ(Run([&] { CosNewDict(reinterpret_cast<Handle>(0x1), 0, 1); }), kErrBadParameter);
}

TEST_F(CosObjectsTest, InjectedFaultRaisesOnTheChosenCallOnly) {
  host_.InjectFault(Table::Cos, slot::Cos::CosNewDict, 2, 0x40000777);
  CosObj first{}, third{};
  EXPECT_EQ(Run([&] { first = CosNewDict(cos_, 0, 1); }), kErrNone);
  EXPECT_EQ(Run([&] { CosNewDict(cos_, 0, 1); }), 0x40000777);
  EXPECT_EQ(Run([&] { third = CosNewDict(cos_, 0, 1); }), kErrNone);
  EXPECT_EQ(ObjType(first), kCosDict);
  EXPECT_EQ(ObjType(third), kCosDict);
  EXPECT_EQ(host_.CallCount(Table::Cos, slot::Cos::CosNewDict), 3);
}

TEST_F(CosObjectsTest, NullArgumentsRaiseBadParameter) {
  const CosObj dict = NewDict(doc_);
  EXPECT_EQ(Run([&] { CosNewNameFromString(cos_, 0, nullptr); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { CosDictGetKeyString(dict, nullptr); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { CosDictGet(dict, 0x7FFF); }), kErrBadParameter);  // no such atom
  EXPECT_EQ(Run([&] { CosNewArray(cos_, 0, -1); }), kErrBadParameter);
}

}  // namespace
}  // namespace hosttest
