// The viewer's side of the host: annotation handlers and notifications registered through
// the AcroView table, and the viewer events delivered to them; drawing, cursors and
// machine ports.
#include <string>
#include <vector>

#include "Documents.h"
#include "HostTestSupport.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlatformControl.h"
#include "Viewer.h"

namespace hosttest {
namespace {
namespace notify = refhost::slot::notify;

// What the fake handlers and notification procedures saw, in order.
std::vector<std::string> gLog;

// A handler record with the subtype its getType answers; the record comes first, so the
// record pointer the host passes back is the fake's.
struct FakeHandler {
  AnnotHandlerRec rec;
  const char* subtype;
};
const FakeHandler& Fake(const AnnotHandlerRec* rec) {
  return *reinterpret_cast<const FakeHandler*>(rec);
}
// The handler's view box: the annotation's device rectangle grown by this much, so that
// hits show whether the host asked the handler or read the Rect itself.
constexpr ASInt32 kViewBoxMargin = 10;

std::string Entry(const AnnotHandlerRec* rec, const char* what, PDAnnot annot, Handle view) {
  const int index = PDPageGetAnnotIndex(AVPageViewGetPage(view), annot);
  return std::string(Fake(rec).subtype) + " " + what + " " + std::to_string(index);
}

ASAtom REFHOST_CALL FakeGetType(const AnnotHandlerRec* rec) {
  return ASAtomFromString(Fake(rec).subtype);
}
void REFHOST_CALL FakeDraw(const AnnotHandlerRec* rec, PDAnnot annot, Handle view) {
  gLog.push_back(Entry(rec, "draw", annot, view));
  DevRect rect{};
  AVPageViewGetAnnotRect(view, annot, &rect);
  AVPageViewDrawCosObj(view, CosNewNull(), &rect);
}
void REFHOST_CALL FakeViewBox(const AnnotHandlerRec*, Handle view, PDAnnot annot, DevRect* box) {
  AVPageViewGetAnnotRect(view, annot, box);
  *box = DevRect{box->left - kViewBoxMargin, box->top - kViewBoxMargin, box->right + kViewBoxMargin,
                 box->bottom + kViewBoxMargin};
}
ASBool REFHOST_CALL FakeClick(const AnnotHandlerRec* rec, PDAnnot annot, Handle view, ASInt32,
                              ASInt32, ASUns16, ASInt32 count) {
  gLog.push_back(Entry(rec, "click", annot, view) + " x" + std::to_string(count));
  return 1;
}
void REFHOST_CALL FakeAdded(const AnnotHandlerRec* rec, PDAnnot annot, Handle view) {
  gLog.push_back(Entry(rec, "selected", annot, view));
}
void REFHOST_CALL FakeRemoved(const AnnotHandlerRec* rec, PDAnnot annot, Handle view) {
  gLog.push_back(Entry(rec, "deselected", annot, view));
}
ASBool REFHOST_CALL FakeAdjustCursor(const AnnotHandlerRec*, PDAnnot, Handle, ASInt32, ASInt32) {
  AVSysSetCursor(&gLog);
  return 1;
}

void REFHOST_CALL OnDocOpened(Handle doc, ASInt32 error, void* data) {
  gLog.push_back(std::string(static_cast<const char*>(data)) + " opened " +
                 std::to_string(PageCount(doc)) + " pages, error " + std::to_string(error));
}
// PDDocWillClose and PDDocDidClose: the document's pages are still there, its page views
// are gone.
void REFHOST_CALL OnDocClosing(Handle doc, void* data) {
  gLog.push_back(std::string(static_cast<const char*>(data)) + " closing " +
                 std::to_string(PageCount(doc)) + " pages, " +
                 std::to_string(DocumentPageViews(doc).size()) + " views");
}
// AVDocWillClose: its document's views are all still there.
void REFHOST_CALL OnDocViewClosing(Handle docView, void* data) {
  size_t views = 0;
  for (Handle doc : OpenDocuments())
    if (DocumentView(doc) == docView) views = DocumentPageViews(doc).size();
  gLog.push_back(std::string(static_cast<const char*>(data)) + " document view closing, " +
                 std::to_string(views) + " views");
}
void REFHOST_CALL OnViewChanged(Handle view, ASInt16 how, void* data) {
  gLog.push_back(std::string(static_cast<const char*>(data)) + " view of page " +
                 std::to_string(PageIndex(PageViewPage(view)) + 1) + " changed, how " +
                 std::to_string(how));
}

Callback MakeCallback(void* proc) {
  return ASCallbackCreate(Host::Current().extensionId(), proc);
}

void FillHandler(FakeHandler* fake, const char* subtype) {
  fake->rec = AnnotHandlerRec{};
  fake->rec.size = sizeof(AnnotHandlerRec);
  fake->subtype = subtype;
  const struct {
    int position;
    void* proc;
  } procs[] = {{kGetType, reinterpret_cast<void*>(&FakeGetType)},
               {kDraw, reinterpret_cast<void*>(&FakeDraw)},
               {kGetAnnotViewBBox, reinterpret_cast<void*>(&FakeViewBox)},
               {kDoClick, reinterpret_cast<void*>(&FakeClick)},
               {kNotifyAddedToSelection, reinterpret_cast<void*>(&FakeAdded)},
               {kNotifyRemovedFromSelection, reinterpret_cast<void*>(&FakeRemoved)},
               {kAdjustCursor, reinterpret_cast<void*>(&FakeAdjustCursor)}};
  for (const auto& p : procs) fake->rec.procs[p.position - 2] = MakeCallback(p.proc);
}

class ViewerTest : public HostTest {
 protected:
  void SetUp() override { gLog.clear(); }
  // Registers a fake handler for `subtype`; false when the host refused it.
  bool Register(FakeHandler* fake, const char* subtype) {
    ASBool accepted = 0;
    EXPECT_EQ(Run([&] {
                FillHandler(fake, subtype);
                accepted = AVAppRegisterAnnotHandler(&fake->rec);
              }),
              kErrNone);
    return accepted != 0;
  }
  // A two-page document whose second page holds annotations of `subtypes` at `rects`
  // (points), shown in a view at zoom 1 with the page's top left corner at device (0, 0).
  Handle ShowPage(const std::vector<std::pair<const char*, FixedRect>>& annots) {
    doc_ = NewDocument(2, PageRect(0, 0, 612, 792));
    for (const auto& annot : annots)
      AddAnnotation(DocumentPage(doc_, 1), annot.first, annot.second);
    return NewPageView(doc_, 1);
  }

  FakeHandler fake_{}, other_{};
  Handle doc_ = nullptr;
};

TEST_F(ViewerTest, HandlersAreKeptByTheSubtypeTheirGetTypeAnswers) {
  ASSERT_TRUE(Register(&fake_, "Fake"));
  ASSERT_TRUE(Register(&other_, "Other"));
  EXPECT_EQ(AnnotHandlerFor("Fake"), &fake_.rec);
  EXPECT_EQ(AnnotHandlerFor("Other"), &other_.rec);
  EXPECT_FALSE(HasAnnotHandler("Square"));

  // Records the host cannot use are refused as bad parameters.
  FakeHandler noType{}, plainProc{}, tooSmall{};
  ASSERT_EQ(Run([&] {
              FillHandler(&noType, "NoType");
              FillHandler(&plainProc, "PlainProc");
              FillHandler(&tooSmall, "TooSmall");
            }),
            kErrNone);
  noType.rec.procs[kGetType - 2] = nullptr;
  plainProc.rec.procs[kDraw - 2] = reinterpret_cast<void*>(&OnDocOpened);  // no ASCallbackCreate
  tooSmall.rec.size = 4;
  const AnnotHandlerRec* const refused[] = {nullptr, &noType.rec, &plainProc.rec, &tooSmall.rec};
  for (const AnnotHandlerRec* rec : refused)
    EXPECT_EQ(Run([&] { AVAppRegisterAnnotHandler(rec); }), kErrBadParameter);
  EXPECT_FALSE(HasAnnotHandler("NoType") || HasAnnotHandler("PlainProc") ||
               HasAnnotHandler("TooSmall"));
}

TEST(ViewerRefusalTest, AHostThatRefusesHandlersAnswersFalseAndKeepsNothing) {
  Profile profile;
  profile.refuseAnnotHandlers = true;
  Host host(profile);
  FakeHandler fake{};
  ASBool accepted = 1;
  ASSERT_TRUE(host.CallPlugin("test", [&] {
    FillHandler(&fake, "Fake");
    accepted = AVAppRegisterAnnotHandler(&fake.rec);
  }));
  EXPECT_EQ(accepted, 0);
  EXPECT_FALSE(HasAnnotHandler("Fake"));
}

TEST_F(ViewerTest, DrawingGoesToEachAnnotationsHandlerInAnnotsOrder) {
  ASSERT_TRUE(Register(&fake_, "Fake"));
  ASSERT_TRUE(Register(&other_, "Other"));
  const Handle view = ShowPage({{"Fake", PageRect(0, 0, 10, 10)},
                                {"Square", PageRect(0, 0, 10, 10)},
                                {"Other", PageRect(0, 0, 10, 10)},
                                {"Fake", PageRect(100, 692, 200, 792)}});
  DrawPageView(view);
  EXPECT_EQ(gLog, (std::vector<std::string>{"Fake draw 0", "Other draw 2", "Fake draw 3"}));
  ASSERT_EQ(DrawCalls().size(), 3u);
  EXPECT_EQ(DrawCalls()[2].view, view);
  EXPECT_TRUE(ObjIsNull(DrawCalls()[2].object));
  EXPECT_TRUE(SameRect(DrawCalls()[2].rect, DevRect{100, 0, 200, 100}));
  ClearViewerRecords();
  EXPECT_TRUE(DrawCalls().empty());
}

TEST_F(ViewerTest, DrawCosObjTakesAnObjectOfTheViewsDocumentIntoARectangle) {
  const Handle view = ShowPage({});
  const CosObj form = NewStream(doc_, "q Q");
  const CosObj dict = NewDict(doc_, true);
  const CosObj foreign = NewStream(NewDocument(1, PageRect(0, 0, 10, 10)), "q Q");
  const DevRect rect{1, 2, 3, 4};
  const struct {
    CosObj obj;
    const DevRect* rect;
    ASErrorCode expected;
  } cases[] = {{form, &rect, kErrNone},
               {dict, &rect, kErrNone},  // draws nothing
               {foreign, &rect, kErrBadObject},
               {CosObj{0x7777, 5}, &rect, kErrBadObject},
               {form, nullptr, kErrBadParameter}};
  for (const auto& c : cases)
    EXPECT_EQ(Run([&] { AVPageViewDrawCosObj(view, c.obj, c.rect); }), c.expected);
  ASSERT_EQ(DrawCalls().size(), 2u);
  EXPECT_TRUE(SameObject(DrawCalls()[0].object, form));
  EXPECT_TRUE(SameObject(DrawCalls()[1].object, dict));
}

TEST_F(ViewerTest, ClickGoesToTheTopmostAnnotationWhoseViewBoxHoldsThePoint) {
  ASSERT_TRUE(Register(&fake_, "Fake"));
  // Device rectangles at zoom 1: 0 is (0,0,200,200), 1 is (150,150,350,350); the Square
  // on top of everything has no handler and takes no clicks.
  const Handle view = ShowPage({{"Fake", PageRect(0, 592, 200, 792)},
                                {"Fake", PageRect(150, 442, 350, 642)},
                                {"Square", PageRect(0, 0, 612, 792)}});
  const struct {
    ASInt32 x, y;
    int expected;
  } cases[] = {
      {50, 50, 0},    {175, 175, 1},
      {300, 300, 1},  {205, 100, 0},  // outside the Rect, inside the handler's view box
      {210, 100, -1},                 // right edge of the view box, which it does not hold
      {500, 500, -1},
  };
  for (const auto& c : cases) {
    gLog.clear();
    EXPECT_EQ(ClickAt(view, c.x, c.y, 1), c.expected) << c.x << "," << c.y;
    const std::vector<std::string> clicked = {"Fake click " + std::to_string(c.expected) + " x1"};
    EXPECT_EQ(gLog, c.expected < 0 ? std::vector<std::string>() : clicked);
  }
  gLog.clear();
  EXPECT_EQ(ClickAnnotation(view, 0, 2), 0);
  EXPECT_EQ(gLog, std::vector<std::string>{"Fake click 0 x2"});
  EXPECT_TRUE(SameRect(AnnotationViewBox(view, 1), DevRect{140, 140, 360, 360}));
  EXPECT_THROW(ClickAnnotation(view, 2, 1), HostError);  // no handler
  EXPECT_THROW(ClickAnnotation(view, 3, 1), HostError);  // no such annotation
}

TEST_F(ViewerTest, SelectionTellsTheHandlerOfEachChange) {
  ASSERT_TRUE(Register(&fake_, "Fake"));
  const Handle view = ShowPage({{"Fake", PageRect(0, 0, 10, 10)}, {"Fake", PageRect(0, 0, 5, 5)}});
  SelectAnnotation(view, 0);
  SelectAnnotation(view, 0);  // already selected
  SelectAnnotation(view, 1);
  DeselectAnnotation(view, 0);
  DeselectAnnotation(view, 0);  // no longer selected
  EXPECT_EQ(gLog,
            (std::vector<std::string>{"Fake selected 0", "Fake selected 1", "Fake deselected 0"}));
  EXPECT_THROW(SelectAnnotation(view, 2), HostError);
}

TEST_F(ViewerTest, CursorsAreRecordedInOrder) {
  ASSERT_TRUE(Register(&fake_, "Fake"));
  const Handle view = ShowPage({{"Fake", PageRect(0, 0, 10, 10)}});
  ASSERT_EQ(Run([&] { AVSysSetCursor(nullptr); }), kErrNone);
  EXPECT_TRUE(AdjustCursorOver(view, 0));
  EXPECT_EQ(CursorCalls(), (std::vector<void*>{nullptr, &gLog}));
}

TEST_F(ViewerTest, NotificationsReachEveryRegisteredProcedureInOrder) {
  static char first[] = "first", second[] = "second";
  ASSERT_EQ(
      Run([&] {
        AVAppRegisterNotification(notify::PDDocDidOpen, host_.extensionId(),
                                  MakeCallback(reinterpret_cast<void*>(&OnDocOpened)), first);
        // The closing ones in the reverse of the order they arrive in.
        AVAppRegisterNotification(notify::PDDocDidClose, host_.extensionId(),
                                  MakeCallback(reinterpret_cast<void*>(&OnDocClosing)), first);
        AVAppRegisterNotification(notify::PDDocWillClose, host_.extensionId(),
                                  MakeCallback(reinterpret_cast<void*>(&OnDocClosing)), second);
        AVAppRegisterNotification(notify::AVDocWillClose, host_.extensionId(),
                                  MakeCallback(reinterpret_cast<void*>(&OnDocViewClosing)), first);
        AVAppRegisterNotification(notify::AVPageViewDidChange, host_.extensionId(),
                                  MakeCallback(reinterpret_cast<void*>(&OnViewChanged)), first);
        AVAppRegisterNotification(notify::PDDocDidOpen, host_.extensionId(),
                                  MakeCallback(reinterpret_cast<void*>(&OnDocOpened)), second);
      }),
      kErrNone);
  ASSERT_EQ(NotificationRegistrations().size(), 6u);
  EXPECT_EQ(NotificationRegistrations()[5].clientData, second);

  const Handle doc = NewDocument(3, PageRect(0, 0, 612, 792));
  const Handle view = NewPageView(doc, 0);
  ViewGeometry geometry;
  SetViewGeometry(view, geometry);  // nothing changes
  geometry.zoom = 2;
  SetViewGeometry(view, geometry);
  geometry.scrollY = 40;
  geometry.aperture = DevRect{0, 0, 400, 300};
  SetViewGeometry(view, geometry);
  SetViewPage(view, 2);
  SetViewPage(view, 2);  // the same page
  CloseDocument(doc);
  EXPECT_EQ(gLog, (std::vector<std::string>{
                      "first opened 3 pages, error 0", "second opened 3 pages, error 0",
                      "first view of page 1 changed, how 8", "first view of page 1 changed, how 5",
                      "first view of page 3 changed, how 2", "first document view closing, 1 views",
                      "second closing 3 pages, 0 views", "first closing 3 pages, 0 views"}));

  if (PdfFilesSupported()) {
    TempFolder folder;
    SavePdfFile(NewDocument(1, PageRect(0, 0, 100, 100)), folder.File("one.pdf"));
    gLog.clear();
    OpenPdfFile(folder.File("one.pdf"));
    EXPECT_EQ(gLog, (std::vector<std::string>{"first opened 1 pages, error 0",
                                              "second opened 1 pages, error 0"}));
  }
}

TEST_F(ViewerTest, NotificationRegistrationsTheViewerCannotServeAreRefused) {
  const Handle self = host_.extensionId();
  void* const proc = reinterpret_cast<void*>(&OnDocOpened);
  Callback callback = nullptr;
  ASSERT_EQ(Run([&] { callback = MakeCallback(proc); }), kErrNone);
  const struct {
    ASInt32 selector;
    Handle owner;
    Callback proc;
  } cases[] = {{notify::PDDocDidOpen, nullptr, callback},
               {notify::PDDocDidOpen, self, reinterpret_cast<void*>(&OnViewChanged)},
               {notify::PDDocDidOpen, self, nullptr},
               {-1, self, callback},
               {notify::kCount, self, callback}};
  for (const auto& c : cases)
    EXPECT_EQ(Run([&] { AVAppRegisterNotification(c.selector, c.owner, c.proc, nullptr); }),
              kErrBadParameter);
  EXPECT_TRUE(NotificationRegistrations().empty());
}

TEST_F(ViewerTest, MachinePortsCarryTheViewsWindowAndMustBeReleasedByTheirView) {
  doc_ = NewDocument(1, PageRect(0, 0, 612, 792));
  ViewGeometry geometry;
  geometry.aperture = DevRect{10, 20, 330, 260};
  const Handle withWindow = NewPageView(doc_, 0, geometry);
  const Handle withoutWindow = NewPageViewWithoutWindow(doc_, 0, geometry);
  void *first = nullptr, *second = nullptr, *bare = nullptr;
  ASSERT_EQ(Run([&] {
              first = AVPageViewAcquireMachinePort(withWindow);
              second = AVPageViewAcquireMachinePort(withWindow);
              bare = AVPageViewAcquireMachinePort(withoutWindow);
            }),
            kErrNone);
  EXPECT_NE(first, second);
  EXPECT_EQ(static_cast<MachinePort*>(first)->window, PageViewWindow(withWindow));
  EXPECT_EQ(static_cast<MachinePort*>(bare)->window, nullptr);
  EXPECT_EQ(PageViewWindow(withoutWindow), nullptr);
  EXPECT_EQ(LiveMachinePorts(), 3u);

  EXPECT_EQ(Run([&] { AVPageViewReleaseMachinePort(withoutWindow, first); }), kErrBadParameter);
  EXPECT_EQ(Run([&] { AVPageViewReleaseMachinePort(withWindow, first); }), kErrNone);
  EXPECT_EQ(Run([&] { AVPageViewReleaseMachinePort(withWindow, first); }), kErrBadParameter);
  EXPECT_EQ(LiveMachinePorts(), 2u);  // a leak shows

  // The window's client area is the aperture; it follows the aperture and goes with the view.
  platform::control::WindowInfo info;
  ASSERT_TRUE(platform::control::LookUpWindow(PageViewWindow(withWindow), &info));
  EXPECT_TRUE(info.alive && info.visible);
#if defined(_WIN32)
  EXPECT_NE(info.parent, nullptr);  // a child of the host's top-level window
#else
  EXPECT_EQ(info.parent, nullptr);
#endif
  EXPECT_EQ(info.rect.right - info.rect.left, 320);
  EXPECT_EQ(info.rect.bottom - info.rect.top, 240);
  geometry.aperture = DevRect{0, 0, 500, 400};
  SetViewGeometry(withWindow, geometry);
  ASSERT_TRUE(platform::control::LookUpWindow(PageViewWindow(withWindow), &info));
  EXPECT_EQ(info.rect.right - info.rect.left, 500);
  const Handle closedWith = NewPageView(doc_, 0);
  void* const window = PageViewWindow(closedWith);
  ClosePageView(closedWith);
  ASSERT_TRUE(platform::control::LookUpWindow(window, &info));
  EXPECT_FALSE(info.alive);
  void* const docWindow = PageViewWindow(withWindow);
  CloseDocument(doc_);
  ASSERT_TRUE(platform::control::LookUpWindow(docWindow, &info));
  EXPECT_FALSE(info.alive);
}

}  // namespace
}  // namespace hosttest
