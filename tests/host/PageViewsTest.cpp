// Page views through the AcroView table: the device transform, annotation rectangles,
// the aperture, invalidations and alerts.
#include <string>
#include <vector>

#include "Documents.h"
#include "HostTestSupport.h"
#include "Objects.h"
#include "PageViews.h"

namespace hosttest {
namespace {

class PageViewsTest : public HostTest {
 protected:
  void SetUp() override {
    // A media box that does not start at the origin, so the transform must use it.
    doc_ = NewDocument(2, PageRect(10, 20, 610, 820));
  }
  DevRect ToDevice(Handle view, const FixedRect& rect) {
    DevRect device{};
    EXPECT_EQ(Run([&] { AVPageViewRectToDevice(view, &rect, &device); }), kErrNone);
    return device;
  }
  FixedRect ToPage(Handle view, const DevRect& device) {
    FixedRect rect{};
    EXPECT_EQ(Run([&] { AVPageViewDeviceRectToPage(view, &device, &rect); }), kErrNone);
    return rect;
  }
  Handle doc_ = nullptr;
};

TEST_F(PageViewsTest, PageRectanglesMapToDeviceSpaceWithYDown) {
  ViewGeometry shifted;
  shifted.zoom = 2.0;
  shifted.scrollX = 30;
  shifted.scrollY = 40;
  shifted.pageX = 100;
  shifted.pageY = 5;
  ViewGeometry small;
  small.zoom = 0.5;
  const struct {
    ViewGeometry geometry;
    FixedRect page;
    DevRect device;
  } cases[] = {
      // The page's top left corner (10, 820) is at the page origin.
      {ViewGeometry(), PageRect(10, 720, 110, 820), DevRect{0, 0, 100, 100}},
      {ViewGeometry(), PageRect(110, 820, 10, 720), DevRect{0, 0, 100, 100}},  // normalised
      {shifted, PageRect(20, 800, 60, 810), DevRect{90, -15, 170, 5}},
      // To the nearest integer, halves away from zero: 0.25 * 0.5 -> 0, 13 * 0.5 -> 7.
      {small, PageRect(10.25, 807, 23, 819.75), DevRect{0, 0, 7, 7}},
  };
  for (const auto& c : cases) {
    const Handle view = NewPageView(doc_, 0, c.geometry);
    EXPECT_TRUE(SameRect(ToDevice(view, c.page), c.device));
    EXPECT_TRUE(SameRect(PageRectToDevice(view, c.page), c.device));
  }
}

TEST_F(PageViewsTest, DeviceRectanglesMapBackToThePage) {
  const double zooms[] = {1.0, 2.0, 4.0};
  for (double zoom : zooms) {
    ViewGeometry geometry;
    geometry.zoom = zoom;
    geometry.scrollX = 13;
    geometry.scrollY = -7;
    geometry.pageX = 50;
    geometry.pageY = 60;
    const Handle view = NewPageView(doc_, 1, geometry);
    const DevRect device{120, 80, 300, 250};
    const FixedRect page = ToPage(view, device);
    EXPECT_LT(page.left, page.right);
    EXPECT_GT(page.top, page.bottom);  // page space: top is the larger y
    EXPECT_TRUE(SameRect(ToDevice(view, page), device)) << "zoom " << zoom;
    // Corners given the other way round give the same page rectangle.
    EXPECT_TRUE(SameRect(ToPage(view, DevRect{300, 250, 120, 80}), page));
  }
}

TEST_F(PageViewsTest, AnnotationRectIsTheDeviceRectOfItsRect) {
  ViewGeometry geometry;
  geometry.zoom = 1.5;
  geometry.pageX = 20;
  const Handle view = NewPageView(doc_, 0, geometry);
  const PDAnnot annot = AddAnnotation(DocumentPage(doc_, 0), "Square", PageRect(50, 60, 250, 160));
  DevRect device{};
  ASSERT_EQ(Run([&] { AVPageViewGetAnnotRect(view, annot, &device); }), kErrNone);
  EXPECT_TRUE(SameRect(device, ToDevice(view, AnnotationRect(annot))));
  // An annotation of another document is not one this view can place.
  const Handle other = NewDocument(1, PageRect(0, 0, 100, 100));
  const PDAnnot foreign = AddAnnotation(DocumentPage(other, 0), "Square", PageRect(0, 0, 5, 5));
  EXPECT_EQ(Run([&] { AVPageViewGetAnnotRect(view, foreign, &device); }), kErrBadAnnot);
}

TEST_F(PageViewsTest, ViewsAnswerTheirPageApertureAndDocumentView) {
  ViewGeometry geometry;
  geometry.aperture = DevRect{5, 6, 700, 500};
  const Handle first = NewPageView(doc_, 1, geometry);
  const Handle second = NewPageView(doc_, 0);
  const Handle foreign = NewPageView(NewDocument(1, PageRect(0, 0, 100, 100)), 0);
  Handle page = nullptr, avFirst = nullptr, avSecond = nullptr, avForeign = nullptr;
  DevRect aperture{};
  ASSERT_EQ(Run([&] {
              page = AVPageViewGetPage(first);
              avFirst = AVPageViewGetAVDoc(first);
              avSecond = AVPageViewGetAVDoc(second);
              avForeign = AVPageViewGetAVDoc(foreign);
              AVPageViewGetAperture(first, &aperture);
            }),
            kErrNone);
  EXPECT_EQ(page, DocumentPage(doc_, 1));
  EXPECT_EQ(avFirst, avSecond);
  EXPECT_NE(avFirst, avForeign);
  EXPECT_EQ(DocViewDocument(avFirst), doc_);
  EXPECT_TRUE(SameRect(aperture, geometry.aperture));
  SetViewPage(first, 0);
  ASSERT_EQ(Run([&] { page = AVPageViewGetPage(first); }), kErrNone);
  EXPECT_EQ(page, DocumentPage(doc_, 0));

  CloseDocument(doc_);
  EXPECT_EQ(Run([&] { AVPageViewGetPage(first); }), kErrBadParameter);
  EXPECT_THROW(DocViewDocument(avFirst), HostError);
}

TEST_F(PageViewsTest, InvalidationsAndAlertsAreRecordedInOrder) {
  ViewGeometry geometry;
  geometry.aperture = DevRect{0, 0, 320, 240};
  const Handle view = NewPageView(doc_, 0, geometry);
  DevRect rect{1, 2, 3, 4};
  ASSERT_EQ(Run([&] {
              AVAlertNote("first");
              AVPageViewInvalidateRect(view, &rect);
              AVAlertNote("second");
              AVPageViewInvalidateRect(view, nullptr);
            }),
            kErrNone);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"first", "second"}));
  ASSERT_EQ(Invalidations().size(), 2u);
  EXPECT_EQ(Invalidations()[0].view, view);
  EXPECT_TRUE(SameRect(Invalidations()[0].rect, rect));
  EXPECT_TRUE(SameRect(Invalidations()[1].rect, geometry.aperture));
  EXPECT_EQ(Run([&] { AVAlertNote(nullptr); }), kErrBadParameter);
  ClearRecords();
  EXPECT_TRUE(Alerts().empty());
  EXPECT_TRUE(Invalidations().empty());
}

TEST_F(PageViewsTest, BadGeometryAndResultsOutOfRangeAreRefused) {
  ViewGeometry zero;
  zero.zoom = 0;
  EXPECT_THROW(NewPageView(doc_, 0, zero), HostError);
  EXPECT_THROW(NewPageView(doc_, 2), HostError);
  ViewGeometry huge;  // an aperture wider than a 32-bit size
  huge.aperture = DevRect{-2147483647 - 1, 0, 2147483647, 10};
  EXPECT_THROW(NewPageView(doc_, 0, huge), HostError);
  ViewGeometry far;
  far.zoom = 64;
  far.pageX = 2147483000;
  const Handle view = NewPageView(doc_, 0, far);
  const FixedRect rect = PageRect(10, 10, 600, 800);
  DevRect device{};
  EXPECT_EQ(Run([&] { AVPageViewRectToDevice(view, &rect, &device); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { AVPageViewRectToDevice(view, nullptr, &device); }), kErrBadParameter);
}

}  // namespace
}  // namespace hosttest
