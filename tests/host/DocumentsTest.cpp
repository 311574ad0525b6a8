// Documents, pages and annotations through the PDModel table.
#include <string>
#include <vector>

#include "Documents.h"
#include "HostTestSupport.h"
#include "Objects.h"

namespace hosttest {
namespace {

class DocumentsTest : public HostTest {
 protected:
  void SetUp() override {
    doc_ = NewDocument(3, PageRect(0, 0, 612, 792));
    page_ = DocumentPage(doc_, 1);
  }
  PDAnnot Add(const char* subtype, const FixedRect& rect) {
    PDAnnot annot{};
    EXPECT_EQ(Run([&] { annot = PDPageAddNewAnnot(page_, -2, ASAtomFromString(subtype), &rect); }),
              kErrNone);
    return annot;
  }
  Handle doc_ = nullptr;
  Handle page_ = nullptr;
};

TEST_F(DocumentsTest, PagesBelongToTheirDocumentAndItsObjectStore) {
  ASSERT_EQ(PageCount(doc_), 3);
  Handle pageDoc = nullptr, cosDoc = nullptr;
  ASSERT_EQ(Run([&] {
              pageDoc = PDPageGetDoc(page_);
              cosDoc = PDDocGetCosDoc(pageDoc);
            }),
            kErrNone);
  EXPECT_EQ(pageDoc, doc_);
  EXPECT_EQ(cosDoc, DocumentCosDoc(doc_));
  EXPECT_EQ(PageIndex(page_), 1);
  EXPECT_TRUE(SameRect(PageMediaBox(page_), PageRect(0, 0, 612, 792)));
  const CosObj kids = DictValue(DictValue(DocumentCatalog(doc_), "Pages"), "Kids");
  EXPECT_TRUE(SameObject(ArrayItem(kids, 1), PageDict(page_)));
  EXPECT_EQ(NameText(DictValue(PageDict(page_), "Type")), "Page");
  EXPECT_EQ(Run([&] { PDPageGetDoc(reinterpret_cast<Handle>(0x77)); }), kErrBadParameter);
}

TEST_F(DocumentsTest, NewAnnotationIsAnIndirectDictionaryWithANormalisedRect) {
  // Given with left > right and bottom > top; stored normalised, fractions as reals.
  const FixedRect given = PageRect(300.5, 500, 100, 200.25);
  const PDAnnot annot = Add("KXTRIVOPlayer", given);
  CosObj dict{};
  FixedRect rect{};
  ASInt32 index = -2;
  ASBool valid = 0;
  ASSERT_EQ(Run([&] {
              dict = PDAnnotGetCosObj(annot);
              PDAnnotGetRect(annot, &rect);
              index = PDPageGetAnnotIndex(page_, annot);
              valid = PDAnnotIsValid(annot);
            }),
            kErrNone);
  EXPECT_TRUE(ObjIsIndirect(dict));
  EXPECT_EQ(DictKeys(dict), (std::vector<std::string>{"Type", "Subtype", "Rect"}));
  EXPECT_EQ(NameText(DictValue(dict, "Type")), "Annot");
  EXPECT_EQ(NameText(DictValue(dict, "Subtype")), "KXTRIVOPlayer");
  const CosObj stored = DictValue(dict, "Rect");
  const double expected[] = {100, 200.25, 300.5, 500};
  ASSERT_EQ(ArrayLength(stored), 4);
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(NumberValue(ArrayItem(stored, i)), expected[i]);
  EXPECT_EQ(ObjType(ArrayItem(stored, 0)), kCosInteger);
  EXPECT_EQ(ObjType(ArrayItem(stored, 1)), kCosReal);
  EXPECT_TRUE(SameRect(rect, PageRect(100, 200.25, 300.5, 500)));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(valid, 1);
  EXPECT_TRUE(SameObject(ArrayItem(DictValue(PageDict(page_), "Annots"), 0), dict));
  EXPECT_TRUE(PageAnnotations(DocumentPage(doc_, 0)).empty());
}

TEST_F(DocumentsTest, RemovedAnnotationStaysValidUntilItsDocumentCloses) {
  const PDAnnot first = Add("Square", PageRect(0, 0, 10, 10));
  const PDAnnot second = Add("KXTRIVOPlayer", PageRect(20, 20, 40, 40));
  ASInt32 index = -2;
  ASSERT_EQ(Run([&] { index = PDPageGetAnnotIndex(page_, second); }), kErrNone);
  EXPECT_EQ(index, 1);
  RemoveAnnotation(page_, first);
  ASBool valid = 0;
  ASSERT_EQ(Run([&] {
              index = PDPageGetAnnotIndex(page_, first);
              valid = PDAnnotIsValid(first);
            }),
            kErrNone);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(valid, 1);
  ASSERT_EQ(PageAnnotations(page_).size(), 1u);
  EXPECT_TRUE(SameAnnot(PageAnnotations(page_)[0], second));

  CloseDocument(doc_);
  for (const PDAnnot& annot : {first, second}) {
    ASSERT_EQ(Run([&] { valid = PDAnnotIsValid(annot); }), kErrNone);
    EXPECT_EQ(valid, 0);
    EXPECT_EQ(Run([&] { PDAnnotGetCosObj(annot); }), kErrBadAnnot);
  }
}

// A document's Annots array may hold things that are no annotation; an index counts the
// annotations only, and an annotation is on no page of another document.
TEST_F(DocumentsTest, AnnotationIndexCountsOnlyAnnotationsOfThisPage) {
  const PDAnnot first = Add("Square", PageRect(0, 0, 10, 10));
  const PDAnnot second = Add("KXTRIVOPlayer", PageRect(20, 20, 40, 40));
  const Handle otherDoc = NewDocument(1, PageRect(0, 0, 612, 792));
  const Handle otherPage = DocumentPage(otherDoc, 0);
  ASInt32 before = -2, after = -2, onOtherPage = -2, onSiblingPage = -2;
  ASSERT_EQ(Run([&] {
              const CosObj annots = CosDictGetKeyString(PageDict(page_), "Annots");
              CosArrayInsert(annots, 0, CosNewNull());
              CosArrayInsert(annots, 2, CosNewInteger(DocumentCosDoc(doc_), 0, 7));
              before = PDPageGetAnnotIndex(page_, first);
              after = PDPageGetAnnotIndex(page_, second);
              onOtherPage = PDPageGetAnnotIndex(otherPage, second);
              onSiblingPage = PDPageGetAnnotIndex(DocumentPage(doc_, 0), second);
            }),
            kErrNone);
  EXPECT_EQ(before, 0);
  EXPECT_EQ(after, 1);
  EXPECT_EQ(onOtherPage, -1);
  EXPECT_EQ(onSiblingPage, -1);
  CloseDocument(otherDoc);
}

TEST_F(DocumentsTest, UnknownAnnotationHandlesAreInvalid) {
  const PDAnnot real = Add("Square", PageRect(0, 0, 10, 10));
  const PDAnnot unknown[] = {{0, 0}, {real.a, real.b + 1}, {real.a ^ 1, real.b}, {1, 1}};
  for (const PDAnnot& annot : unknown) {
    ASBool valid = 1;
    ASInt32 index = 0;
    ASSERT_EQ(Run([&] {
                valid = PDAnnotIsValid(annot);
                index = PDPageGetAnnotIndex(page_, annot);
              }),
              kErrNone);
    EXPECT_EQ(valid, 0);
    EXPECT_EQ(index, -1);
    FixedRect rect{};
    EXPECT_EQ(Run([&] { PDAnnotGetRect(annot, &rect); }), kErrBadAnnot);
  }
  // The words of an annotation handle are not an object, and the other way round.
  const CosObj dict = AnnotationDict(real);
  EXPECT_EQ(Run([&] { CosObjGetType(CosObj{real.a, real.b}); }), kErrBadObject);
  ASBool valid = 1;
  ASSERT_EQ(Run([&] { valid = PDAnnotIsValid(PDAnnot{dict.a, dict.b}); }), kErrNone);
  EXPECT_EQ(valid, 0);
}

TEST_F(DocumentsTest, HostileRectRaisesBadAnnot) {
  const PDAnnot annot = Add("Square", PageRect(0, 0, 10, 10));
  const CosObj dict = AnnotationDict(annot);
  auto array = [&](std::vector<CosObj> items) {
    const CosObj made = NewArray(doc_);
    for (const CosObj& item : items) ArrayAppend(made, item);
    return made;
  };
  const CosObj zero = NewInteger(doc_, 0);
  const CosObj hostile[] = {NullObject(),
                            NewName(doc_, "Rect"),
                            array({zero, zero, zero}),
                            array({zero, zero, zero, NewString(doc_, "10")}),
                            array({zero, zero, zero, NewReal(doc_, 1e10)}),
                            array({zero, zero, zero, NewReal(doc_, -32768.5)}),
                            array({zero, zero, zero, zero, zero})};
  for (const CosObj& rect : hostile) {
    DictSet(dict, "Rect", rect);
    FixedRect out{};
    EXPECT_EQ(Run([&] { PDAnnotGetRect(annot, &out); }), kErrBadAnnot);
    EXPECT_THROW(AnnotationRect(annot), HostError);
  }
  DictSet(dict, "Rect", array({NewReal(doc_, -32768), zero, NewReal(doc_, 32767.5), zero}));
  EXPECT_TRUE(SameRect(AnnotationRect(annot), PageRect(-32768, 0, 32767.5, 0)));
}

TEST_F(DocumentsTest, NewAnnotationGoesWhereAddAfterSays) {
  // The page holds Circle and Square, with a stray number between them that is no
  // annotation and is not counted.
  const struct {
    ASInt32 addAfter;
    ASErrorCode error;
    std::vector<std::string> order;
  } cases[] = {
      {-2, kErrNone, {"Circle", "Square", "Line"}}, {-1, kErrNone, {"Line", "Circle", "Square"}},
      {0, kErrNone, {"Circle", "Line", "Square"}},  {1, kErrNone, {"Circle", "Square", "Line"}},
      {2, kErrBadParameter, {"Circle", "Square"}},  {-3, kErrBadParameter, {"Circle", "Square"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.addAfter);
    const Handle doc = NewDocument(1, PageRect(0, 0, 612, 792));
    const Handle page = DocumentPage(doc, 0);
    AddAnnotation(page, "Circle", PageRect(0, 0, 10, 10));
    ArrayAppend(DictValue(PageDict(page), "Annots"), NewInteger(doc, 7));
    AddAnnotation(page, "Square", PageRect(0, 0, 10, 10));
    const FixedRect rect = PageRect(20, 20, 40, 40);
    EXPECT_EQ(Run([&] { PDPageAddNewAnnot(page, c.addAfter, ASAtomFromString("Line"), &rect); }),
              c.error);
    std::vector<std::string> order;
    for (PDAnnot annot : PageAnnotations(page)) order.push_back(AnnotationSubtype(annot));
    EXPECT_EQ(order, c.order);
  }
}

TEST_F(DocumentsTest, HostileAnnotsEntryIsNotOverwritten) {
  DictSet(PageDict(page_), "Annots", NewName(doc_, "Nonsense"));
  const FixedRect rect = PageRect(0, 0, 10, 10);
  EXPECT_EQ(Run([&] { PDPageAddNewAnnot(page_, -2, ASAtomFromString("Square"), &rect); }),
            kErrBadParameter);
  EXPECT_EQ(NameText(DictValue(PageDict(page_), "Annots")), "Nonsense");
  EXPECT_TRUE(PageAnnotations(page_).empty());
}

}  // namespace
}  // namespace hosttest
