// The simulated window system: what the plug-in's window objects do and what the host and
// the tests observe of it.
#include <gtest/gtest.h>

#include "PlatformControl.h"

namespace {

using namespace platform;
using control::WindowOp;

WindowHandle Handle(uintptr_t value) {
  return reinterpret_cast<WindowHandle>(value);
}

control::WindowInfo Info(WindowHandle window) {
  control::WindowInfo info;
  EXPECT_TRUE(control::LookUpWindow(window, &info));
  return info;
}

std::vector<int> Rect(const WindowRect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// Operations and handles of the journal since the last clear.
std::vector<std::pair<WindowOp, WindowHandle>> Journal() {
  std::vector<std::pair<WindowOp, WindowHandle>> events;
  for (const auto& e : control::WindowJournal()) events.emplace_back(e.op, e.handle);
  return events;
}

class SimWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    control::Reset();
    SetCurrentInstanceHandle(Handle(0x4000));
    page_.Attach(control::CreateHostWindow(nullptr, "page view", {0, 0, 800, 600}));
  }
  void TearDown() override { page_.Detach(); }

  void MakeChild(CStatic* child, unsigned long style, CWnd* parent = nullptr) {
    ASSERT_TRUE(child->Create("player", style, {10, 20, 110, 220}, parent ? parent : &page_, 7));
  }

  CWnd page_;  // borrows the host's window
};

TEST_F(SimWindowsTest, HandlesCountFrom0x1000AndRestartWithReset) {
  EXPECT_EQ(page_.GetSafeHwnd(), Handle(0x1000));
  control::DestroyHostWindow(control::CreateHostWindow(nullptr, "b", {}));
  EXPECT_EQ(control::CreateHostWindow(nullptr, "c", {}), Handle(0x1002));
  control::Reset();
  EXPECT_TRUE(control::AllWindows().empty() && control::WindowJournal().empty());
  EXPECT_EQ(control::CreateHostWindow(nullptr, "again", {}), Handle(0x1000));
}

TEST_F(SimWindowsTest, StaticIsAChildWithItsAttributesAndNeedsALiveParent) {
  const unsigned long style = kWindowStyleChild | kWindowStyleVisible;
  CStatic child, hidden;
  MakeChild(&child, style);
  MakeChild(&hidden, kWindowStyleChild);
  const control::WindowInfo info = Info(child.GetSafeHwnd());
  EXPECT_EQ(info.parent, page_.GetSafeHwnd());
  EXPECT_EQ(info.text, "player");
  EXPECT_EQ(info.style, style);
  EXPECT_EQ(info.id, 7u);
  EXPECT_EQ(Rect(info.rect), (std::vector<int>{10, 20, 110, 220}));
  EXPECT_TRUE(info.visible && info.alive);
  EXPECT_EQ(info.instance, Handle(0x4000));
  EXPECT_FALSE(Info(hidden.GetSafeHwnd()).visible);
  EXPECT_EQ(control::LiveChildWindows(page_.GetSafeHwnd()).size(), 2u);
  EXPECT_EQ(Journal().back(), std::make_pair(WindowOp::Create, hidden.GetSafeHwnd()));

  CWnd none, unknown, closed;
  unknown.Attach(Handle(0x5000));
  closed.Attach(control::CreateHostWindow(nullptr, "closed", {}));
  control::DestroyHostWindow(closed.GetSafeHwnd());
  const size_t windows = control::AllWindows().size();
  control::ClearWindowJournal();
  for (CWnd* parent : {static_cast<CWnd*>(nullptr), &none, &unknown, &closed}) {
    CStatic orphan;
    EXPECT_FALSE(orphan.Create("x", kWindowStyleChild, {}, parent, 1));
    EXPECT_EQ(orphan.GetSafeHwnd(), nullptr);
  }
  EXPECT_EQ(control::AllWindows().size(), windows);
  EXPECT_TRUE(control::WindowJournal().empty());
  unknown.Detach();
  closed.Detach();
}

TEST_F(SimWindowsTest, ShowAnswersThePreviousStateAndMoveSetsTheRect) {
  CStatic child;
  MakeChild(&child, kWindowStyleChild);
  control::ClearWindowJournal();
  EXPECT_FALSE(child.ShowWindow(kShowWindowShow));
  EXPECT_TRUE(child.ShowWindow(kShowWindowShow));
  EXPECT_TRUE(child.ShowWindow(kShowWindowHide));
  EXPECT_FALSE(child.ShowWindow(kShowWindowHide));
  child.MoveWindow(5, 6, 100, 50, false);
  child.MoveWindow(-3, 4, 10, 20);
  const auto& journal = control::WindowJournal();
  const WindowOp ops[] = {WindowOp::Show, WindowOp::Show, WindowOp::Hide,
                          WindowOp::Hide, WindowOp::Move, WindowOp::Move};
  ASSERT_EQ(journal.size(), 6u);
  for (size_t i = 0; i < journal.size(); ++i) EXPECT_EQ(journal[i].op, ops[i]) << i;
  EXPECT_EQ(Rect(journal[4].rect), (std::vector<int>{5, 6, 105, 56}));
  EXPECT_FALSE(journal[4].repaint);
  EXPECT_TRUE(journal[5].repaint);
  EXPECT_EQ(Rect(Info(child.GetSafeHwnd()).rect), (std::vector<int>{-3, 4, 7, 24}));
}

// Remembers, for each time its window was destroyed, whether the handle still named a live
// window then.
class WatchedStatic : public CStatic {
 public:
  std::vector<bool> destroyed;

 protected:
  void OnDestroy() override { destroyed.push_back(Info(GetSafeHwnd()).alive); }
};

TEST_F(SimWindowsTest, DestroyTakesDescendantsFirstAndTheirObjectsLetGo) {
  WatchedStatic a, b, c;
  MakeChild(&a, kWindowStyleChild | kWindowStyleVisible);
  MakeChild(&b, kWindowStyleChild, &a);
  MakeChild(&c, kWindowStyleChild);
  const WindowHandle order[] = {b.GetSafeHwnd(), a.GetSafeHwnd(), c.GetSafeHwnd(),
                                page_.GetSafeHwnd()};
  control::ClearWindowJournal();
  control::DestroyHostWindow(page_.GetSafeHwnd());
  ASSERT_EQ(Journal().size(), 4u);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(Journal()[i], std::make_pair(WindowOp::Destroy, order[i]));
  // Each object heard once, while its window was still there, and holds no handle now.
  for (const WatchedStatic* object : {&a, &b, &c}) {
    EXPECT_EQ(object->destroyed, std::vector<bool>{true});
    EXPECT_EQ(object->GetSafeHwnd(), nullptr);
  }

  control::ClearWindowJournal();
  EXPECT_FALSE(a.ShowWindow(kShowWindowHide));
  a.MoveWindow(1, 2, 3, 4);
  EXPECT_EQ(Rect(Info(order[1]).rect), (std::vector<int>{10, 20, 110, 220}));
  EXPECT_FALSE(a.DestroyWindow());
  EXPECT_TRUE(control::WindowJournal().empty());
  EXPECT_EQ(a.destroyed.size(), 1u);
}

TEST_F(SimWindowsTest, AWindowObjectHearsOfItsOwnDestroyOnce) {
  WatchedStatic a;
  MakeChild(&a, kWindowStyleChild);
  EXPECT_TRUE(a.DestroyWindow());
  EXPECT_FALSE(a.DestroyWindow());
  EXPECT_EQ(a.destroyed, std::vector<bool>{true});
  // A detached window is no longer the object's business.
  WatchedStatic b;
  MakeChild(&b, kWindowStyleChild);
  const WindowHandle window = b.Detach();
  control::DestroyHostWindow(window);
  EXPECT_TRUE(b.destroyed.empty());
}

TEST_F(SimWindowsTest, AWindowObjectDestroysOnlyTheWindowItStillHolds) {
  WindowHandle owned;
  {
    CStatic child;
    MakeChild(&child, kWindowStyleChild);
    owned = child.GetSafeHwnd();
    CWnd borrowed;
    borrowed.Attach(page_.GetSafeHwnd());
    borrowed.Detach();
  }
  EXPECT_FALSE(Info(owned).alive);
  EXPECT_TRUE(Info(page_.GetSafeHwnd()).alive);
  EXPECT_EQ(Journal().back(), std::make_pair(WindowOp::Destroy, owned));
}

}  // namespace
