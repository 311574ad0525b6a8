// The viewer's editing hooks: the deleting-key test and the viewer's own deletion, undo
// records on the undo and redo stacks of a document view with their titles, menus and their
// items, and the plug-in's removal of an annotation by index.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Documents.h"
#include "HostTestSupport.h"
#include "Objects.h"
#include "PageViews.h"
#include "Viewer.h"

namespace hosttest {
namespace {

// What the fake procedures saw, in order.
std::vector<std::string> gLog;

// The data of a fake undo record: what its procedures answer and log. The procedures read
// it before they make any text, so that a host error leaves nothing behind.
struct FakeUndo {
  const char* name;
  Handle doc = nullptr;
  bool canUndo = true, canRedo = true;
  const char* undoTitle = nullptr;  // set with ASTextSetScriptText when not null
  ASInt32 titleEncoding = 0;
};
FakeUndo& Data(Handle undo) {
  return *static_cast<FakeUndo*>(AVUndoGetData(undo));
}
ASBool REFHOST_CALL FakeCanUndo(Handle undo) {
  const FakeUndo& data = Data(undo);
  gLog.push_back(std::string("can undo ") + data.name);
  return data.canUndo ? 1 : 0;
}
ASBool REFHOST_CALL FakeUndoAction(Handle undo) {
  const FakeUndo& data = Data(undo);
  gLog.push_back(std::string("undo ") + data.name);
  return 1;
}
ASBool REFHOST_CALL FakeCanRedo(Handle undo) {
  const FakeUndo& data = Data(undo);
  gLog.push_back(std::string("can redo ") + data.name);
  return data.canRedo ? 1 : 0;
}
ASBool REFHOST_CALL FakeRedoAction(Handle undo) {
  const FakeUndo& data = Data(undo);
  gLog.push_back(std::string("redo ") + data.name);
  return 1;
}
void REFHOST_CALL FakeUndoTitle(Handle undo, Handle text) {
  const FakeUndo& data = Data(undo);
  if (data.undoTitle != nullptr) ASTextSetScriptText(text, data.undoTitle, data.titleEncoding);
}
void REFHOST_CALL FakeRedoTitle(Handle undo, Handle text) {
  ASTextSetScriptText(text, Data(undo).name, 0);
}
// Its document is still there: this raises once it has gone.
void REFHOST_CALL FakeRelease(Handle undo) {
  const FakeUndo& data = Data(undo);
  PDDocGetCosDoc(data.doc);
  gLog.push_back(std::string("release ") + data.name);
}

// A procedure no test makes a callback of.
ASBool REFHOST_CALL NotACallback(Handle) {
  return 1;
}

Callback MakeCallback(void* proc) {
  return ASCallbackCreate(Host::Current().extensionId(), proc);
}

UndoHandlerRec MakeUndoHandler() {
  UndoHandlerRec rec{};
  rec.size = sizeof rec;
  rec.type = "Fake Undo";
  rec.canUndo = MakeCallback(reinterpret_cast<void*>(&FakeCanUndo));
  rec.undo = MakeCallback(reinterpret_cast<void*>(&FakeUndoAction));
  rec.canRedo = MakeCallback(reinterpret_cast<void*>(&FakeCanRedo));
  rec.redo = MakeCallback(reinterpret_cast<void*>(&FakeRedoAction));
  rec.undoTitle = MakeCallback(reinterpret_cast<void*>(&FakeUndoTitle));
  rec.redoTitle = MakeCallback(reinterpret_cast<void*>(&FakeRedoTitle));
  rec.release = MakeCallback(reinterpret_cast<void*>(&FakeRelease));
  return rec;
}

int Count(const std::string& entry) {
  int count = 0;
  for (const std::string& line : gLog) count += line == entry ? 1 : 0;
  return count;
}

class UndoTest : public HostTest {
 protected:
  void SetUp() override {
    gLog.clear();
    ASSERT_EQ(Run([&] { handler_ = MakeUndoHandler(); }), kErrNone);
    doc_ = NewDocument(1, PageRect(0, 0, 612, 792));
  }
  // The documents close while the fakes' data is still there: that releases every record.
  void TearDown() override {
    for (const Handle doc : OpenDocuments()) CloseDocument(doc);
  }
  // The data of a new fake record, kept by the fixture.
  FakeUndo& Fake(const char* name) {
    data_.push_back(FakeUndo{name});
    return data_.back();
  }
  // A record of `data` on the document's undo stack, made as the plug-in makes one.
  Handle NewRecord(FakeUndo* data) {
    data->doc = doc_;
    Handle undo = nullptr;
    EXPECT_EQ(Run([&] { undo = AVUndoNew(DocumentView(doc_), &handler_, data); }), kErrNone);
    return undo;
  }

  UndoHandlerRec handler_{};
  Handle doc_ = nullptr;
  std::deque<FakeUndo> data_;
};

TEST_F(UndoTest, UndoAndRedoMoveTheTopRecordBetweenTheStacks) {
  FakeUndo &a = Fake("a"), &b = Fake("b");
  a.undoTitle = "Undo a";
  b.undoTitle = "Undo b";
  const Handle first = NewRecord(&a);
  NewRecord(&b);
  void* data = nullptr;
  ASSERT_EQ(Run([&] { data = AVUndoGetData(first); }), kErrNone);
  EXPECT_EQ(data, &a);
  EXPECT_EQ(UndoCount(doc_), 2u);
  EXPECT_EQ(UndoTitle(doc_), "Undo b");
  EXPECT_EQ(RedoTitle(doc_), "");

  ASSERT_TRUE(Undo(doc_));
  EXPECT_EQ(UndoTitle(doc_), "Undo a");
  EXPECT_EQ(RedoTitle(doc_), "b");
  ASSERT_TRUE(Undo(doc_));
  EXPECT_FALSE(Undo(doc_));  // nothing left to undo
  EXPECT_FALSE(CanUndo(doc_));
  EXPECT_EQ(RedoCount(doc_), 2u);
  ASSERT_TRUE(Redo(doc_));  // the last one undone comes back first
  EXPECT_EQ(gLog, (std::vector<std::string>{"can undo b", "undo b", "can undo a", "undo a",
                                            "can redo a", "redo a"}));
  EXPECT_EQ(UndoCount(doc_), 1u);
  EXPECT_EQ(RedoCount(doc_), 1u);
  EXPECT_EQ(ReleasedUndoRecords(), 0u);
  EXPECT_EQ(Run([&] { AVUndoGetData(doc_); }), kErrBadParameter);
}

TEST_F(UndoTest, ARecordWhoseTestAnswersFalseIsNeitherRunNorMoved) {
  FakeUndo& stuck = Fake("stuck");
  stuck.canUndo = false;
  NewRecord(&stuck);
  EXPECT_FALSE(CanUndo(doc_));
  EXPECT_FALSE(Undo(doc_));
  EXPECT_EQ(UndoCount(doc_), 1u);

  stuck.canUndo = true;
  stuck.canRedo = false;
  ASSERT_TRUE(Undo(doc_));
  EXPECT_FALSE(Redo(doc_));
  EXPECT_EQ(RedoCount(doc_), 1u);
  EXPECT_EQ(Count("undo stuck"), 1);
  EXPECT_EQ(Count("redo stuck"), 0);

  // A record without tests can always be taken.
  handler_.canUndo = nullptr;
  FakeUndo& untested = Fake("untested");
  NewRecord(&untested);
  EXPECT_TRUE(Undo(doc_));
  EXPECT_EQ(Count("undo untested"), 1);
}

TEST_F(UndoTest, ANewRecordReleasesTheRedoStack) {
  FakeUndo &a = Fake("a"), &b = Fake("b"), &c = Fake("c");
  const Handle first = NewRecord(&a);
  NewRecord(&b);
  ASSERT_TRUE(Undo(doc_));
  ASSERT_TRUE(Undo(doc_));
  gLog.clear();
  NewRecord(&c);
  EXPECT_EQ(gLog, (std::vector<std::string>{"release a", "release b"}));
  EXPECT_EQ(RedoCount(doc_), 0u);
  EXPECT_EQ(UndoCount(doc_), 1u);
  EXPECT_EQ(ReleasedUndoRecords(), 2u);
  EXPECT_TRUE(host_.uncaughtErrors().empty());
  EXPECT_EQ(Run([&] { AVUndoGetData(first); }), kErrBadParameter);
}

TEST_F(UndoTest, ClosingTheDocumentReleasesEveryRecordOnceWhileTheDocumentIsThere) {
  FakeUndo &a = Fake("a"), &b = Fake("b"), &c = Fake("c");
  NewRecord(&a);
  NewRecord(&b);
  NewRecord(&c);
  ASSERT_TRUE(Undo(doc_));
  CloseDocument(doc_);
  for (const char* entry : {"release a", "release b", "release c"}) EXPECT_EQ(Count(entry), 1);
  EXPECT_EQ(ReleasedUndoRecords(), 3u);
  EXPECT_TRUE(host_.uncaughtErrors().empty());  // each release found its document
}

TEST(UndoHostTest, RecordsLeftAreReleasedOnceWhenTheHostGoes) {
  gLog.clear();
  FakeUndo a{"a"}, b{"b"};
  UndoHandlerRec handler{};
  {
    Host host;
    const Handle doc = NewDocument(1, PageRect(0, 0, 10, 10));
    a.doc = b.doc = doc;
    ASSERT_TRUE(host.CallPlugin("test", [&] {
      handler = MakeUndoHandler();
      AVUndoNew(DocumentView(doc), &handler, &a);
      AVUndoNew(DocumentView(doc), &handler, &b);
    }));
    ASSERT_TRUE(Undo(doc));
  }
  EXPECT_EQ(gLog, (std::vector<std::string>{"can undo b", "undo b", "release a", "release b"}));
}

TEST_F(UndoTest, ProceduresBeyondTheRecordsSizeAreNeverCalled) {
  handler_.size = offsetof(UndoHandlerRec, release);
  handler_.release = reinterpret_cast<void*>(&FakeRelease);  // no callback, and not read
  FakeUndo& a = Fake("a");
  NewRecord(&a);
  CloseDocument(doc_);
  EXPECT_EQ(Count("release a"), 0);
  EXPECT_EQ(ReleasedUndoRecords(), 1u);
}

TEST_F(UndoTest, RecordsTheHostCannotKeepAreRefused) {
  UndoHandlerRec plainProc = handler_, tooSmall = handler_;
  plainProc.redo = reinterpret_cast<void*>(&NotACallback);
  tooSmall.size = 4;
  FakeUndo& a = Fake("a");
  const struct {
    Handle docView;
    const UndoHandlerRec* handler;
  } cases[] = {{DocumentView(doc_), nullptr},
               {DocumentView(doc_), &plainProc},
               {DocumentView(doc_), &tooSmall},
               {doc_, &handler_}};  // a document, not its document view
  for (const auto& c : cases)
    EXPECT_EQ(Run([&] { AVUndoNew(c.docView, c.handler, &a); }), kErrBadParameter);
  EXPECT_EQ(UndoCount(doc_), 0u);
}

TEST_F(UndoTest, TitlesAreTheTextTheProcedureSetInTheHostsTextObject) {
  FakeUndo& a = Fake("a");
  const struct {
    const char* title;
    ASInt32 encoding;
    std::string expected;
    size_t errors;
  } cases[] = {{"Undo deletion", 0, "Undo deletion", 0},
               {"", 0, "", 0},
               {nullptr, 0, "", 0},           // the procedure set nothing
               {"Undo deletion", 1, "", 1}};  // an encoding this host does not have
  NewRecord(&a);
  for (const auto& c : cases) {
    a.undoTitle = c.title;
    a.titleEncoding = c.encoding;
    const size_t before = host_.uncaughtErrors().size();
    EXPECT_EQ(UndoTitle(doc_), c.expected);
    EXPECT_EQ(host_.uncaughtErrors().size() - before, c.errors);
  }
  // Text objects live for one title call only.
  EXPECT_EQ(Run([&] { ASTextSetScriptText(DocumentView(doc_), "x", 0); }), kErrBadParameter);
}

// --- Deleting keys -----------------------------------------------------------------------

ASBool gKeyAnswer = 0;
bool gKeyRaises = false;

struct KeyHandler {
  AnnotHandlerRec rec;
};
ASAtom REFHOST_CALL KeyGetType(const AnnotHandlerRec*) {
  return ASAtomFromString("Keyed");
}
ASBool REFHOST_CALL KeyDown(const AnnotHandlerRec*, PDAnnot annot, Handle view, ASInt32 key,
                            ASUns16 flags) {
  const ASInt32 index = PDPageGetAnnotIndex(AVPageViewGetPage(view), annot);
  gLog.push_back("key " + std::to_string(key) + " flags " + std::to_string(flags) + " on " +
                 std::to_string(index));
  if (gKeyRaises) ASRaise(kErrGeneral);
  return gKeyAnswer;
}
void REFHOST_CALL KeySelected(const AnnotHandlerRec*, PDAnnot annot, Handle view) {
  const ASInt32 index = PDPageGetAnnotIndex(AVPageViewGetPage(view), annot);
  gLog.push_back("selected " + std::to_string(index));
}
void REFHOST_CALL KeyDeselected(const AnnotHandlerRec*, PDAnnot annot, Handle view) {
  const ASInt32 index = PDPageGetAnnotIndex(AVPageViewGetPage(view), annot);
  gLog.push_back("deselected " + std::to_string(index));
}

class DeletionTest : public HostTest {
 protected:
  void SetUp() override {
    gLog.clear();
    gKeyAnswer = 0;
    gKeyRaises = false;
    ASSERT_EQ(Run([&] {
                handler_ = AnnotHandlerRec{};
                handler_.size = sizeof handler_;
                handler_.procs[kGetType - 2] = MakeCallback(reinterpret_cast<void*>(&KeyGetType));
                handler_.procs[kKeyDown - 2] = MakeCallback(reinterpret_cast<void*>(&KeyDown));
                handler_.procs[kNotifyAddedToSelection - 2] =
                    MakeCallback(reinterpret_cast<void*>(&KeySelected));
                handler_.procs[kNotifyRemovedFromSelection - 2] =
                    MakeCallback(reinterpret_cast<void*>(&KeyDeselected));
                AVAppRegisterAnnotHandler(&handler_);
              }),
              kErrNone);
    doc_ = NewDocument(2, PageRect(0, 0, 612, 792));
    page_ = DocumentPage(doc_, 1);
  }
  // Annotation 1 of three on page 2, shown in a new view.
  Handle ShowThree(const char* subtype = "Keyed") {
    for (int i = 0; i < 3; ++i)
      annots_.push_back(AddAnnotation(page_, subtype, PageRect(0, 0, 9, 9)));
    return NewPageView(doc_, 1);
  }

  AnnotHandlerRec handler_{};
  Handle doc_ = nullptr, page_ = nullptr;
  std::vector<PDAnnot> annots_;
};

TEST_F(DeletionTest, DeleteAndBackspaceWithoutModifiersAreTheDeletingKeys) {
  const struct {
    ASInt32 key;
    ASUns16 modifiers;
    bool deleting;
  } cases[] = {{kKeyDelete, 0, true},
               {kKeyBackspace, 0, true},
               {kKeyDelete, 1, false},
               {kKeyBackspace, 0x100, false},
               {0x2E, 0, false},  // the Delete key's Windows code
               {'a', 0, false},
               {0, 0, false},
               {kKeyDelete + 256, 0, false}};
  for (const auto& c : cases) {
    ASBool answer = 2;
    ASSERT_EQ(Run([&] { answer = AVAppShouldKeyDeleteObject(c.key, c.modifiers); }), kErrNone);
    EXPECT_EQ(answer, c.deleting ? 1 : 0) << c.key << " " << c.modifiers;

    // The viewer deletes on the same keys when the handler leaves the key to it.
    annots_.clear();
    const Handle view = ShowThree();
    EXPECT_EQ(PressKey(view, 1, c.key, c.modifiers), c.deleting) << c.key << " " << c.modifiers;
    EXPECT_EQ(PageAnnotations(page_).size(), c.deleting ? 2u : 3u);
    for (const PDAnnot& annot : annots_) RemoveAnnotation(page_, annot);
    ClosePageView(view);
  }
}

TEST_F(DeletionTest, TheViewerDeletesOnlyWhatTheHandlerLeavesToIt) {
  const Handle view = ShowThree();
  gKeyAnswer = 1;  // the handler took the key
  EXPECT_FALSE(PressKey(view, 1, kKeyDelete));
  gKeyAnswer = 0;
  gKeyRaises = true;
  EXPECT_FALSE(PressKey(view, 1, kKeyDelete));
  EXPECT_EQ(host_.uncaughtErrors().size(), 1u);
  EXPECT_EQ(PageAnnotations(page_).size(), 3u);
  gKeyRaises = false;
  gLog.clear();
  ASSERT_TRUE(PressKey(view, 1, kKeyDelete));
  // Selected already; out of the selection while still on the page; then gone.
  EXPECT_EQ(gLog, (std::vector<std::string>{"key 127 flags 0 on 1", "deselected 1"}));
  const std::vector<PDAnnot> left = PageAnnotations(page_);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_TRUE(SameAnnot(left[0], annots_[0]) && SameAnnot(left[1], annots_[2]));
  EXPECT_TRUE(AnnotationIsValid(annots_[1]));  // until the document closes
  ASSERT_EQ(AnnotRemovals().size(), 1u);
  EXPECT_EQ(AnnotRemovals()[0].pageIndex, 1);
  EXPECT_EQ(AnnotRemovals()[0].annotIndex, 1);
  EXPECT_EQ(AnnotRemovals()[0].subtype, "Keyed");
  EXPECT_TRUE(AnnotRemovals()[0].byViewer);
}

TEST_F(DeletionTest, AnAnnotationWithoutAKeyDownProcedureIsDeletedByTheViewer) {
  const Handle view = ShowThree("Square");
  EXPECT_TRUE(PressKey(view, 0, kKeyBackspace));
  EXPECT_EQ(PageAnnotations(page_).size(), 2u);
  EXPECT_TRUE(gLog.empty());
  EXPECT_THROW(PressKey(view, 2, kKeyDelete), HostError);  // no such annotation any more
}

TEST_F(DeletionTest, ThePlugInRemovesAnAnnotationByItsIndex) {
  ShowThree();
  const struct {
    ASInt32 index;
    ASErrorCode expected;
  } cases[] = {{-1, kErrBadParameter},
               {3, kErrBadParameter},
               {1, kErrNone},
               {2, kErrBadParameter},
               {1, kErrNone}};
  for (const auto& c : cases)
    EXPECT_EQ(Run([&] { PDPageRemoveAnnot(page_, c.index); }), c.expected) << c.index;
  const std::vector<PDAnnot> left = PageAnnotations(page_);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(SameAnnot(left[0], annots_[0]));
  EXPECT_TRUE(AnnotationIsValid(annots_[1]) && AnnotationIsValid(annots_[2]));
  ASSERT_EQ(AnnotRemovals().size(), 2u);
  EXPECT_FALSE(AnnotRemovals()[1].byViewer);
  EXPECT_EQ(AnnotRemovals()[1].annotIndex, 1);
  EXPECT_EQ(Run([&] { PDPageRemoveAnnot(doc_, 0); }), kErrBadParameter);  // not a page
}

// --- Menus -------------------------------------------------------------------------------

void REFHOST_CALL FakeExecute(void* data) {
  gLog.push_back(std::string("execute ") + static_cast<const char*>(data));
}
void REFHOST_CALL RaisingExecute(void*) {
  ASRaise(kErrGeneral);
}

class MenuTest : public HostTest {
 protected:
  void SetUp() override { gLog.clear(); }
  // A new item, with an execute procedure when `proc`, in `menu` at `position`.
  ASErrorCode AddItem(Handle menu, const char* name, void* proc, ASInt32 position) {
    return Run([&] {
      const Handle item =
          AVMenuItemNew(name, name, nullptr, 0, 0, 0, nullptr, Host::Current().extensionId());
      if (proc != nullptr)
        AVMenuItemSetExecuteProc(item, MakeCallback(proc), const_cast<char*>(name));
      AVMenuAddMenuItem(menu, item, position);
    });
  }
};

TEST_F(MenuTest, ItemsAddedToAnAcquiredMenuRunTheirExecuteProcedure) {
  Handle about = nullptr, view = nullptr, missing = reinterpret_cast<Handle>(1);
  ASSERT_EQ(Run([&] {
              about = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "AboutExtensions");
              view = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "View");
              missing = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "Tools");
            }),
            kErrNone);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(AcquiredMenus(), 2u);

  void* const execute = reinterpret_cast<void*>(&FakeExecute);
  ASSERT_EQ(AddItem(about, "last", execute, 9999), kErrNone);
  ASSERT_EQ(AddItem(about, "first", execute, 0), kErrNone);
  ASSERT_EQ(AddItem(about, "middle", nullptr, 1), kErrNone);
  ASSERT_EQ(AddItem(view, "zoom", execute, 5), kErrNone);
  const std::vector<MenuItemInfo> items = MenuItems();
  ASSERT_EQ(items.size(), 4u);
  const struct {
    const char *menu, *name;
    int position;
    bool hasExecute;
  } expected[] = {{"View", "zoom", 5, true},
                  {"AboutExtensions", "first", 0, true},
                  {"AboutExtensions", "middle", 1, false},
                  {"AboutExtensions", "last", 9999, true}};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].menu, expected[i].menu) << i;
    EXPECT_EQ(items[i].name, expected[i].name) << i;
    EXPECT_EQ(items[i].title, expected[i].name) << i;
    EXPECT_EQ(items[i].position, expected[i].position) << i;
    EXPECT_EQ(items[i].hasExecute, expected[i].hasExecute) << i;
  }
  EXPECT_EQ(MenuItemsAdded().size(), 4u);
  EXPECT_EQ(MenuItemsAdded()[1].name, "first");

  EXPECT_TRUE(RunMenuItem("last"));
  EXPECT_FALSE(RunMenuItem("middle"));
  EXPECT_FALSE(RunMenuItem("nowhere"));
  EXPECT_EQ(gLog, std::vector<std::string>{"execute last"});

  ASSERT_EQ(Run([&] { AVMenuRelease(about); }), kErrNone);
  EXPECT_EQ(AcquiredMenus(), 1u);
  EXPECT_EQ(Run([&] { AVMenuRelease(about); }), kErrBadParameter);  // no longer held
  EXPECT_EQ(AddItem(about, "late", execute, 0), kErrBadParameter);
  // A release with an injected fault still releases.
  host_.InjectFault(Table::AcroView, slot::AcroView::AVMenuRelease, 1, kErrGeneral);
  EXPECT_EQ(Run([&] { AVMenuRelease(view); }), kErrGeneral);
  EXPECT_EQ(AcquiredMenus(), 0u);
}

TEST_F(MenuTest, AnExecuteProcedureThatRaisesIsCaughtByTheHost) {
  Handle about = nullptr;
  ASSERT_EQ(Run([&] { about = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "AboutExtensions"); }),
            kErrNone);
  ASSERT_EQ(AddItem(about, "raises", reinterpret_cast<void*>(&RaisingExecute), 0), kErrNone);
  EXPECT_TRUE(RunMenuItem("raises"));
  ASSERT_EQ(host_.uncaughtErrors().size(), 1u);
  EXPECT_EQ(host_.uncaughtErrors()[0].code, kErrGeneral);
}

TEST_F(MenuTest, MisusedMenusAndItemsAreBadParameters) {
  Handle menubar = nullptr, edit = nullptr, item = nullptr;
  ASSERT_EQ(Run([&] {
              menubar = AVAppGetMenubar();
              edit = AVMenubarAcquireMenuByName(menubar, "Edit");
              item = AVMenuItemNew("t", "n", nullptr, 0, 0, 0, nullptr, host_.extensionId());
              AVMenuAddMenuItem(edit, item, 0);
            }),
            kErrNone);
  const Handle self = host_.extensionId();
  const std::vector<std::function<void()>> misuses = {
      [&] { AVMenubarAcquireMenuByName(edit, "Edit"); },  // not the menu bar
      [&] { AVMenubarAcquireMenuByName(menubar, nullptr); },
      [&] { AVMenuItemNew(nullptr, "n", nullptr, 0, 0, 0, nullptr, self); },
      [&] { AVMenuItemNew("t", "n", nullptr, 0, 0, 0, nullptr, nullptr); },  // no owner
      [&] { AVMenuItemNew("t", "n", item, 0, 0, 0, nullptr, self); },        // submenu not a menu
      [&] { AVMenuItemSetExecuteProc(item, reinterpret_cast<void*>(&FakeExecute), nullptr); },
      [&] { AVMenuItemSetExecuteProc(edit, nullptr, nullptr); },
      [&] { AVMenuAddMenuItem(edit, item, 1); },  // in a menu already
      [&] { AVMenuAddMenuItem(item, item, 0); },
      [&] { AVMenuRelease(item); },
  };
  for (size_t i = 0; i < misuses.size(); ++i)
    EXPECT_EQ(Run([&] { misuses[i](); }), kErrBadParameter) << i;
  EXPECT_EQ(MenuItems().size(), 1u);
}

TEST(MenuProfileTest, AMenuBarWithoutTheAboutMenuAnswersNullForIt) {
  Profile profile;
  profile.noAboutMenu = true;
  Host host(profile);
  Handle about = reinterpret_cast<Handle>(1), file = nullptr;
  ASSERT_TRUE(host.CallPlugin("test", [&] {
    about = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "AboutExtensions");
    file = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "File");
  }));
  EXPECT_EQ(about, nullptr);
  EXPECT_NE(file, nullptr);
  EXPECT_EQ(AcquiredMenus(), 1u);
}

}  // namespace
}  // namespace hosttest
