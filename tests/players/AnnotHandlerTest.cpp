// The player annotation handler as the viewer sees it: its registration at start-up, the
// appearance it draws, its answers, its selection behaviour and its trace lines.
#include "PlayersHost.h"

#include <functional>
#include <set>
#include <utility>

namespace playerstest {
namespace {

using namespace refhost;

class AnnotHandler : public PlayersHost {
 protected:
  void SetUp() override {
    PlayersHost::SetUp();
    doc_ = OpenDocument(3);
    page_ = DocumentPage(doc_, 0);
    view_ = NewPageView(doc_, 0, Geometry());
    annot_ = AddAnnotation(page_, "KXTRIVOPlayer", PageRect(100, 100, 300, 250));
    handler_ = AnnotHandlerFor("KXTRIVOPlayer");
    ASSERT_NE(nullptr, handler_);
  }
  template <typename Proc, typename... Args>
  auto Call(int position, Args... args) {
    using Result = decltype(std::declval<Proc>()(handler_, args...));
    Result result{};
    EXPECT_TRUE(host_->CallPlugin("handler", [&] {
      result = reinterpret_cast<Proc>(HandlerProc(handler_, position))(handler_, args...);
    }));
    return result;
  }
  template <typename Proc, typename... Args>
  void CallVoid(int position, Args... args) {
    EXPECT_TRUE(host_->CallPlugin("handler", [&] {
      reinterpret_cast<Proc>(HandlerProc(handler_, position))(handler_, args...);
    }));
  }

  Handle doc_ = nullptr, page_ = nullptr, view_ = nullptr;
  PDAnnot annot_{};
  const AnnotHandlerRec* handler_ = nullptr;
};

TEST_F(AnnotHandler, RecordHasItsSizeFlagsAndExactlyElevenProcedures) {
  EXPECT_EQ(sizeof(AnnotHandlerRec), handler_->size);
  EXPECT_EQ(0x00010000u, handler_->flags);
  const std::set<int> filled = {6, 7, 10, 14, 19, 20, 23, 26, 27, 29, 31};
  for (int position = 2; position < 43; ++position) {
    SCOPED_TRACE(position);
    const Callback proc = HandlerProc(handler_, position);
    EXPECT_EQ(filled.count(position) != 0, proc != nullptr);
    EXPECT_TRUE(proc == nullptr || host_->IsCallback(proc));
  }
}

TEST_F(AnnotHandler, AnswersTypeLayerInformationCursorAndKeys) {
  EXPECT_STREQ("KXTRIVOPlayer", host_->AtomText(Call<GetTypeProc>(kGetType)));
  EXPECT_EQ(0x00010000, Call<GetLayerProc>(kGetLayer, annot_));
  const AnnotHandlerInfoRec* info = Call<GetInfoProc>(kGetInfo);
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(sizeof(AnnotHandlerInfoRec), info->size);
  EXPECT_STREQ("KXTRIVOPlayer", info->uiName);
  EXPECT_EQ(nullptr, info->bitmap);
  CallVoid<DeleteInfoProc>(kDeleteInfo, info);
  EXPECT_EQ(1, Call<AdjustCursorProc>(kAdjustCursor, annot_, view_, 0, 0));
  EXPECT_EQ(std::vector<void*>{nullptr}, CursorCalls());
  const int allocations = static_cast<int>(host_->LiveAllocations());
  EXPECT_EQ(0, Call<KeyDownProc>(kKeyDown, annot_, view_, 0x2E, 0));
  EXPECT_EQ(allocations, static_cast<int>(host_->LiveAllocations()));
  const DevRect box = AnnotationViewBox(view_, 0);
  const DevRect expected = PageRectToDevice(view_, AnnotationRect(annot_));
  EXPECT_EQ(expected.left, box.left);
  EXPECT_EQ(expected.top, box.top);
  EXPECT_EQ(expected.right, box.right);
  EXPECT_EQ(expected.bottom, box.bottom);
  // The click is taken as handled on every path: a later click of a series, the click that
  // opens the player, a click on a live player, a click in a view without a window.
  const Handle windowless = NewPageViewWithoutWindow(doc_, 0, Geometry());
  const struct {
    const char* path;
    Handle view;
    int count;
  } clicks[] = {{"count 2", view_, 2},
                {"opens the player", view_, 1},
                {"player live already", view_, 1},
                {"view without a window", windowless, 1}};
  for (const auto& click : clicks) {
    SCOPED_TRACE(click.path);
    EXPECT_EQ(1, Call<DoClickProc>(kDoClick, annot_, click.view, 0, 0, 0, click.count));
  }
}

TEST_F(AnnotHandler, StartUpLooksForTheTraceTableAndRegistersThreeNotificationsInOrder) {
  ASSERT_FALSE(host_->lookups().empty());
  EXPECT_EQ("ADBE:DebugWindow", host_->lookups().back().name);
  EXPECT_EQ(1u, host_->lookups().back().version);
  EXPECT_FALSE(host_->lookups().back().found);
  const std::vector<NotificationRegistration>& notifications = NotificationRegistrations();
  ASSERT_EQ(3u, notifications.size());
  const ASInt32 selectors[] = {14, 77, 89};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(selectors[i], notifications[i].selector);
    EXPECT_EQ(host_->extensionId(), notifications[i].owner);
    EXPECT_EQ(nullptr, notifications[i].clientData);
  }
}

struct AppearanceCase {
  const char* what;
  // Sets AS and AP on the annotation dictionary; answers what must be drawn (null: the
  // null object).
  std::function<CosObj(Handle doc, CosObj annotDict)> build;
};

CosObj Form(Handle doc) {
  return NewStream(doc, "0 0 m");
}

TEST_F(AnnotHandler, DrawsTheNormalAppearanceOfTheState) {
  const AppearanceCase cases[] = {
      {"no AS, N is a state dictionary: drawn as it is",
       [](Handle d, CosObj a) {
         CosObj ap = NewDict(d), n = NewDict(d);
         DictSet(n, "On", Form(d));
         DictSet(ap, "N", n);
         DictSet(a, "AP", ap);
         return n;
       }},
      {"no AS, N is a stream",
       [](Handle d, CosObj a) {
         CosObj ap = NewDict(d), n = Form(d);
         DictSet(ap, "N", n);
         DictSet(a, "AP", ap);
         return n;
       }},
      {"AS names a state, N is a stream: the stream",
       [](Handle d, CosObj a) {
         CosObj ap = NewDict(d), n = Form(d);
         DictSet(ap, "N", n);
         DictSet(a, "AP", ap);
         DictSet(a, "AS", NewName(d, "On"));
         return n;
       }},
      {"AS names a state of N",
       [](Handle d, CosObj a) {
         CosObj ap = NewDict(d), n = NewDict(d), on = Form(d);
         DictSet(n, "Off", Form(d));
         DictSet(n, "On", on);
         DictSet(ap, "N", n);
         DictSet(a, "AP", ap);
         DictSet(a, "AS", NewName(d, "On"));
         return on;
       }},
      {"AS names a state N lacks",
       [](Handle d, CosObj a) {
         CosObj ap = NewDict(d), n = NewDict(d);
         DictSet(n, "On", Form(d));
         DictSet(ap, "N", n);
         DictSet(a, "AP", ap);
         DictSet(a, "AS", NewName(d, "Off"));
         return NullObject();
       }},
      {"AP missing", [](Handle, CosObj) { return NullObject(); }},
      {"AP is not a dictionary",
       [](Handle d, CosObj a) {
         DictSet(a, "AP", NewInteger(d, 1));
         return NullObject();
       }},
      {"AP without N",
       [](Handle d, CosObj a) {
         CosObj ap = NewDict(d);
         DictSet(ap, "D", Form(d));
         DictSet(a, "AP", ap);
         return NullObject();
       }},
      {"AS is not a name: the lookup fails and counts as no state",
       [](Handle d, CosObj a) {
         CosObj ap = NewDict(d), n = Form(d);
         DictSet(ap, "N", n);
         DictSet(a, "AP", ap);
         DictSet(a, "AS", NewInteger(d, 5));
         return n;
       }},
  };
  for (const AppearanceCase& c : cases) {
    SCOPED_TRACE(c.what);
    const PDAnnot annot = AddAnnotation(page_, "KXTRIVOPlayer", PageRect(10, 10, 50, 50));
    const CosObj expected = c.build(doc_, AnnotationDict(annot));
    ClearViewerRecords();
    CallVoid<DrawProc>(kDraw, annot, view_);
    ASSERT_EQ(1u, DrawCalls().size());
    const DrawCall& draw = DrawCalls()[0];
    EXPECT_EQ(view_, draw.view);
    if (ObjIsNull(expected)) {
      EXPECT_TRUE(ObjIsNull(draw.object));
    } else {
      EXPECT_TRUE(SameObject(expected, draw.object));
    }
    const DevRect rect = PageRectToDevice(view_, AnnotationRect(annot));
    EXPECT_EQ(rect.left, draw.rect.left);
    EXPECT_EQ(rect.bottom, draw.rect.bottom);
    EXPECT_EQ(0u, host_->FrameDepth());
  }
  EXPECT_TRUE(host_->uncaughtErrors().empty());
  EXPECT_TRUE(PlayerCalls().empty());
}

TEST_F(AnnotHandler, SelectionRedrawsOnlyAnAnnotationOfTheShownPage) {
  // Page 3 lies outside the view in every layout (in the continuous one page 2 shows).
  const PDAnnot elsewhere =
      AddAnnotation(DocumentPage(doc_, 2), "KXTRIVOPlayer", PageRect(10, 10, 50, 50));
  ClearViewerRecords();
  CallVoid<SelectionProc>(kNotifyAddedToSelection, elsewhere, view_);
  CallVoid<SelectionProc>(kNotifyRemovedFromSelection, elsewhere, view_);
  EXPECT_TRUE(DrawCalls().empty());
  SelectAnnotation(view_, 0);
  DeselectAnnotation(view_, 0);
  EXPECT_EQ(2u, DrawCalls().size());
}

TEST_F(AnnotHandler, SendsNoTraceWithoutTheTraceTable) {
  CallVoid<DrawProc>(kDraw, annot_, view_);
  Call<GetTypeProc>(kGetType);
  Call<DoClickProc>(kDoClick, annot_, view_, 0, 0, 0, 2);
  EXPECT_TRUE(host_->traceLines().empty());
}

class TracedAnnotHandler : public AnnotHandler {
 protected:
  Profile HostProfile() const override {
    Profile profile = PlayersHost::HostProfile();
    profile.debugWindow = true;
    return profile;
  }
};

TEST_F(TracedAnnotHandler, EachProcedureSendsItsOwnNameOncePerCall) {
  struct TraceCase {
    const char* what;
    std::function<void()> call;
    std::vector<std::string> lines;
  };
  const TraceCase cases[] = {
      {"draw", [&] { CallVoid<DrawProc>(kDraw, annot_, view_); }, {"AVAnnotHandlerDrawProc"}},
      {"type", [&] { Call<GetTypeProc>(kGetType); }, {"AVAnnotHandlerGetTypeProc"}},
      {"layer", [&] { Call<GetLayerProc>(kGetLayer, annot_); }, {"AVAnnotHandlerGetLayerProc"}},
      {"cursor",
       [&] { Call<AdjustCursorProc>(kAdjustCursor, annot_, view_, 0, 0); },
       {"AVAnnotHandlerAdjustCursorProc"}},
      {"view box",
       [&] {
         DevRect r;
         CallVoid<GetViewBBoxProc>(kGetAnnotViewBBox, view_, annot_, &r);
       },
       {"AVAnnotHandlerGetAnnotViewBBoxProc"}},
      {"click",
       [&] { Call<DoClickProc>(kDoClick, annot_, view_, 0, 0, 0, 2); },
       {"AVAnnotHandlerDoClickProc"}},
      {"added to selection, then its redraw",
       [&] { CallVoid<SelectionProc>(kNotifyAddedToSelection, annot_, view_); },
       {"AVAnnotHandlerNotifyAnnotAddedToSelectionProc", "AVAnnotHandlerDrawProc"}},
      {"removed from selection, then its redraw",
       [&] { CallVoid<SelectionProc>(kNotifyRemovedFromSelection, annot_, view_); },
       {"AVAnnotHandlerNotifyAnnotRemovedFromSelectionProc", "AVAnnotHandlerDrawProc"}},
      {"information, its release and key-down send nothing",
       [&] {
         CallVoid<DeleteInfoProc>(kDeleteInfo, Call<GetInfoProc>(kGetInfo));
         Call<KeyDownProc>(kKeyDown, annot_, view_, 0x41, 0);
       },
       {}},
  };
  for (const TraceCase& c : cases) {
    SCOPED_TRACE(c.what);
    const size_t before = host_->traceLines().size();
    c.call();
    const std::vector<std::string> sent(host_->traceLines().begin() + before,
                                        host_->traceLines().end());
    EXPECT_EQ(c.lines, sent);
  }
}

class RefusingHost : public PlayersHost {
 protected:
  Profile HostProfile() const override {
    Profile profile = PlayersHost::HostProfile();
    profile.refuseAnnotHandlers = true;
    return profile;
  }
};

TEST_F(RefusingHost, InitSucceedsWhenTheHandlerIsRefused) {
  EXPECT_FALSE(HasAnnotHandler("KXTRIVOPlayer"));
  EXPECT_EQ(3u, NotificationRegistrations().size());
  EXPECT_TRUE(host_->uncaughtErrors().empty());
}

}  // namespace
}  // namespace playerstest
