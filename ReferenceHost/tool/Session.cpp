#include "Session.h"

#include <filesystem>
#include <string>
#include <vector>

#include "Documents.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlatformControl.h"
#include "Snapshot.h"
#include "Viewer.h"

#if defined(_WIN32)
#include <windows.h>

#include "PageViewPainter.h"
#endif

namespace refhosttool {
namespace {

// The subtype the plug-in's handler takes.
constexpr char kPlayerSubtype[] = "KXTRIVOPlayer";
// Letter, in points.
constexpr double kLetterWidth = 612, kLetterHeight = 792;

const char* CommandName(CommandKind kind) {
  switch (kind) {
    case CommandKind::Open:
      return "open";
    case CommandKind::New:
      return "new";
    case CommandKind::Page:
      return "page";
    case CommandKind::Zoom:
      return "zoom";
    case CommandKind::Scroll:
      return "scroll";
    case CommandKind::Draw:
      return "draw";
    case CommandKind::Click:
      return "click";
    case CommandKind::Select:
      return "select";
    case CommandKind::Deselect:
      return "deselect";
    case CommandKind::Close:
      return "close";
    case CommandKind::Delete:
      return "delete";
    case CommandKind::Create:
      return "create";
    case CommandKind::Undo:
      return "undo";
    case CommandKind::Redo:
      return "redo";
    case CommandKind::Dialog:
      return "dialog";
    case CommandKind::About:
      return "about";
    case CommandKind::Save:
      return "save";
    case CommandKind::Snapshot:
      return "snapshot";
    case CommandKind::Layout:
      return "layout";
  }
  return "?";
}

// The path the file dialog is to answer. Windows' dialog resolves a name typed into it
// against its own folder, so a relative path is made full here, against the session's
// working folder, as the simulation's answer is read on Linux. The bytes stay in the ANSI
// code page.
std::string DialogAnswer(const std::string& path) {
#if defined(_WIN32)
  char full[4 * MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length > 0 && length < sizeof full) return std::string(full, length);
#endif
  return path;
}

std::string Plural(size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// Commands that work without an open document.
bool NeedsDocument(CommandKind kind) {
  return kind != CommandKind::Open && kind != CommandKind::New && kind != CommandKind::Dialog &&
         kind != CommandKind::About;
}

// A page rectangle in points, as the host keeps it, for the transcript.
std::string PointRect(const refhost::FixedRect& r) {
  char text[128];
  std::snprintf(text, sizeof text, "[%g %g %g %g]", refhost::FixedToDouble(r.left),
                refhost::FixedToDouble(r.bottom), refhost::FixedToDouble(r.right),
                refhost::FixedToDouble(r.top));
  return text;
}

// What the creation sequence put into a new player annotation: its embedded scene and its
// placeholder appearance.
std::string DescribeCreated(refhost::PDAnnot annot) {
  using namespace refhost;
  const CosObj dict = AnnotationDict(annot);
  std::string text;
  const CosObj scene = DictValue(dict, "KXTRIVOPlayerF");
  if (ObjType(scene) == kCosStream) {
    const CosObj sceneDict = StreamDictOf(scene);
    const CosObj name = DictValue(sceneDict, "Filename");
    const CosObj subtype = DictValue(sceneDict, "Subtype");
    text = "scene /" + (ObjType(name) == kCosName ? NameText(name) : std::string("?")) + " /" +
           (ObjType(subtype) == kCosName ? NameText(subtype) : std::string("?")) + " embedded, " +
           std::to_string(StreamData(scene).size()) + " bytes";
  } else {
    text = "no embedded scene";
  }
  const CosObj ap = DictValue(dict, "AP");
  const bool placeholder = ObjType(ap) == kCosDict && ObjType(DictValue(ap, "N")) == kCosStream;
  return text + (placeholder ? ", placeholder appearance" : ", no appearance");
}

// The menu the viewer keeps for the plug-ins' About items.
constexpr char kAboutMenu[] = "AboutExtensions";

}  // namespace

void Session::UndoOrRedo(bool redo) {
  const char* what = redo ? "redo" : "undo";
  if ((redo ? refhost::RedoCount(doc_) : refhost::UndoCount(doc_)) == 0) {
    std::fprintf(out_, "  %s: nothing to %s\n", what, what);
    return;
  }
  // The title the viewer's Edit menu shows for it.
  const std::string title = redo ? refhost::RedoTitle(doc_) : refhost::UndoTitle(doc_);
  if (!(redo ? refhost::Redo(doc_) : refhost::Undo(doc_))) {
    std::fprintf(out_, "  %s \"%s\": refused, the record's test answered no\n", what,
                 title.c_str());
    return;
  }
  std::fprintf(out_, "  %s \"%s\": done\n", what, title.c_str());
  ListAnnotations();
}

void Session::RunAboutItem() {
  for (const refhost::MenuItemInfo& item : refhost::MenuItems()) {
    if (item.menu != kAboutMenu) continue;
    if (!refhost::RunMenuItem(item.name))
      throw CommandError("the item \"" + item.title + "\" has no execute procedure");
    std::fprintf(out_, "  about: ran \"%s\" (%s)\n", item.title.c_str(), item.name.c_str());
    return;
  }
  throw CommandError(std::string("the plug-in added no item to the \"") + kAboutMenu + "\" menu");
}

void Session::WriteFile(const Command& command) {
  const bool save = command.kind == CommandKind::Save;
  if (save) {
    try {
      refhost::SavePdfFile(doc_, command.path);
    } catch (const std::exception& error) {
      throw CommandError(error.what());
    }
  } else {
    std::string error;
    if (!WriteSnapshot(view_, command.path, &error))
      throw CommandError("cannot write the snapshot '" + command.path + "': " + error);
  }
  if (!save) {
    // A picture's size in bytes depends on the fonts the machine renders with: not said.
    std::fprintf(out_, "  snapshot written: %s\n", command.path.c_str());
    return;
  }
  std::error_code ignored;
  const auto size = std::filesystem::file_size(command.path, ignored);
  std::fprintf(out_, "  PDF file written: %s, %llu bytes\n", command.path.c_str(),
               static_cast<unsigned long long>(size));
}

void Session::ShowNewView(refhost::Handle doc) {
  view_ = refhost::NewPageView(doc, 0);
#if defined(_WIN32)
  // The real window shows the page.
  AttachPagePainter(view_);
#endif
  ListAnnotations();
}

void Session::ShowPage(int number) {
  const int pages = refhost::PageCount(doc_);
  if (number > pages)
    throw CommandError("page " + std::to_string(number) + " does not exist; the document has " +
                       Plural(pages, "page"));
  refhost::SetViewPage(view_, number - 1);
}

// The module's creation sequence is reached only through the undo record its key-down
// procedure leaves for a deleted player annotation, so this is what a person would do: a
// player annotation without scene or appearance (as a document may bring one) placed at
// the rectangle, selected, Delete pressed, and Undo, which asks for the scene file and
// builds the new annotation. The record then waits on the redo stack; the next edit would
// release it, and here that happens at once.
void Session::CreatePlayer(const Command& command) {
  using refhost::PDAnnot;
  if (!refhost::HasAnnotHandler(kPlayerSubtype))
    throw CommandError(std::string("the plug-in registered no handler for /") + kPlayerSubtype);
  const double* r = command.rect;
  const refhost::FixedRect rect = refhost::PageRect(r[0], r[1], r[2], r[3]);
  if (rect.left == rect.right || rect.bottom == rect.top)
    throw CommandError("the rectangle is empty at the host's resolution of 1/65536 point");
  ShowPage(command.number);
  const refhost::Handle page = refhost::PageViewPage(view_);
  const std::vector<PDAnnot> before = refhost::PageAnnotations(page);
  const size_t undos = refhost::UndoCount(doc_);
  const size_t dialogs = platform::control::DialogCalls().size();
  const size_t alerts = refhost::Alerts().size();

  const PDAnnot bare = refhost::AddAnnotation(page, kPlayerSubtype, rect);
  const int index = static_cast<int>(refhost::PageAnnotations(page).size()) - 1;
  std::fprintf(out_, "  a bare /%s annotation at %s as annotation %d, Delete pressed on it\n",
               kPlayerSubtype, PointRect(rect).c_str(), index);
  if (!refhost::PressKey(view_, index, refhost::kKeyDelete)) {
    refhost::RemoveAnnotation(page, bare);
    std::fprintf(out_, "  nothing created: the handler kept the Delete key\n");
    return;
  }
  if (refhost::UndoCount(doc_) != undos + 1) {
    std::fprintf(out_, "  nothing created: the plug-in left no undo record\n");
    return;
  }
  const std::string title = refhost::UndoTitle(doc_);
  if (!refhost::Undo(doc_)) {
    std::fprintf(out_, "  nothing created: undo \"%s\" was refused\n", title.c_str());
    return;
  }
  std::fprintf(out_, "  undo \"%s\": done\n", title.c_str());
  refhost::ReleaseRedoRecords(doc_);

  const std::vector<PDAnnot> after = refhost::PageAnnotations(page);
  for (size_t i = 0; i < after.size(); ++i) {
    bool old = false;
    for (const PDAnnot& annot : before) old = old || refhost::SameAnnot(annot, after[i]);
    if (old) continue;
    std::fprintf(out_, "  created annotation %zu: /%s, rect %s; %s\n", i,
                 refhost::AnnotationSubtype(after[i]).c_str(),
                 PointRect(refhost::AnnotationRect(after[i])).c_str(),
                 DescribeCreated(after[i]).c_str());
    ListAnnotations();
    return;
  }
  const char* why = refhost::Alerts().size() != alerts ? "see the alert"
                    : platform::control::DialogCalls().size() == dialogs
                        ? "no file dialog was shown"
                        : "the dialog was cancelled";
  std::fprintf(out_, "  nothing created: %s\n", why);
}

void Session::RequireDocument(const Command& command) const {
  if (doc_ == nullptr)
    throw CommandError(std::string("'") + CommandName(command.kind) +
                       "' needs an open document; there is none");
}

int Session::CheckAnnotation(const Command& command, bool needsHandler) const {
  const int index = command.number;
  int page = refhost::PageIndex(refhost::PageViewCurrentPage(view_)) + 1;
  if (command.annotPage != 0) {
    page = command.annotPage;
    const std::vector<int> shown = refhost::VisiblePages(view_);
    bool visible = false;
    for (int i : shown) visible = visible || i + 1 == page;
    if (!visible)
      throw CommandError("page " + std::to_string(page) + " is not shown in the view; pages " +
                         std::to_string(shown.front() + 1) + " to " +
                         std::to_string(shown.back() + 1) + " are");
  }
  const std::vector<refhost::PDAnnot> annots =
      refhost::PageAnnotations(refhost::DocumentPage(doc_, page - 1));
  if (index >= static_cast<int>(annots.size()))
    throw CommandError("page " + std::to_string(page) + " has " +
                       Plural(annots.size(), "annotation") + "; there is no annotation " +
                       std::to_string(index));
  const std::string subtype = refhost::AnnotationSubtype(annots[index]);
  if (needsHandler && !refhost::HasAnnotHandler(subtype))
    throw CommandError("annotation " + std::to_string(index) + " (/" + subtype +
                       ") has no handler that could take a click");
  return page - 1;
}

void Session::ListAnnotations() const {
  const std::vector<int> shown = refhost::VisiblePages(view_);
  const int current = refhost::PageIndex(refhost::PageViewCurrentPage(view_));
  if (shown.size() > 1 || shown.front() != current) {
    std::string pages;
    for (int i : shown) pages += (pages.empty() ? "" : ", ") + std::to_string(i + 1);
    std::fprintf(out_, "  %s layout, pages shown %s, current page %d\n",
                 refhost::LayoutName(refhost::GetViewLayout(view_)).c_str(), pages.c_str(),
                 current + 1);
  }
  for (int pageIndex : shown) {
    const refhost::Handle page = refhost::DocumentPage(doc_, pageIndex);
    const std::vector<refhost::PDAnnot> annots = refhost::PageAnnotations(page);
    std::fprintf(out_, "  page %d of %d: %s\n", pageIndex + 1, refhost::PageCount(doc_),
                 Plural(annots.size(), "annotation").c_str());
    for (size_t i = 0; i < annots.size(); ++i) {
      std::string where;
      try {
        const refhost::DevRect r =
            refhost::PageRectToDeviceOn(view_, pageIndex, refhost::AnnotationRect(annots[i]));
        where = "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
      } catch (const std::exception&) {
        where = "malformed";
      }
      std::fprintf(out_, "    annotation %zu: /%s, rect %s\n", i,
                   refhost::AnnotationSubtype(annots[i]).c_str(), where.c_str());
    }
  }
}

Session::Session(std::FILE* out) : out_(out) {
#if defined(_WIN32)
  char folder[4 * MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  if (length > 0 && length < sizeof folder) folder_.assign(folder, length);
#endif
}

// Windows' file dialog moves the process's current folder to the file chosen, as it does in
// a viewer; the script's relative paths keep meaning the folder the session started in.
void Session::Run(const Command& command) {
#if defined(_WIN32)
  struct Restore {
    const std::string& folder;
    ~Restore() {
      if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
    }
  } restore{folder_};
#endif
  RunCommand(command);
}

void Session::RunCommand(const Command& command) {
  if (NeedsDocument(command.kind)) RequireDocument(command);
  switch (command.kind) {
    case CommandKind::Open: {
      if (doc_ != nullptr) throw CommandError("a document is open already; close it first");
      try {
        doc_ = refhost::OpenPdfFile(command.path);
      } catch (const std::exception& error) {
        throw CommandError(error.what());
      }
      ShowNewView(doc_);
      break;
    }
    case CommandKind::New:
      if (doc_ != nullptr) throw CommandError("a document is open already; close it first");
      doc_ = refhost::NewDocument(command.number,
                                  refhost::PageRect(0, 0, kLetterWidth, kLetterHeight));
      ShowNewView(doc_);
      break;
    case CommandKind::Page:
      ShowPage(command.number);
      ListAnnotations();
      break;
    case CommandKind::Zoom: {
      refhost::ViewGeometry geometry = refhost::GetViewGeometry(view_);
      geometry.zoom = command.zoom;
      refhost::SetViewGeometry(view_, geometry);
      break;
    }
    case CommandKind::Scroll: {
      refhost::ViewGeometry geometry = refhost::GetViewGeometry(view_);
      geometry.scrollX += command.dx;
      geometry.scrollY += command.dy;
      refhost::SetViewGeometry(view_, geometry);
      break;
    }
    case CommandKind::Draw:
      refhost::DrawPageView(view_);
      break;
    case CommandKind::Click: {
      const int page = CheckAnnotation(command, true);
      const refhost::DevRect box = refhost::PageAnnotationViewBox(view_, page, command.number);
      const int x = box.left + (box.right - box.left) / 2;
      const int y = box.top + (box.bottom - box.top) / 2;
      int pageHit = -1;
      const int hit = refhost::ClickAt(view_, x, y, command.count, &pageHit);
      const int current = refhost::PageIndex(refhost::PageViewCurrentPage(view_));
      if (hit < 0)
        std::fprintf(out_, "  click at (%d,%d), count %d: no annotation took it\n", x, y,
                     command.count);
      else if (command.annotPage == 0 && pageHit == current)
        std::fprintf(out_, "  click at (%d,%d), count %d: annotation %d took it\n", x, y,
                     command.count, hit);
      else
        std::fprintf(out_, "  click at (%d,%d), count %d: annotation %d:%d took it\n", x, y,
                     command.count, pageHit + 1, hit);
      break;
    }
    case CommandKind::Select:
    case CommandKind::Deselect: {
      const int page = CheckAnnotation(command, false);
      if (command.kind == CommandKind::Select)
        refhost::SelectPageAnnotation(view_, page, command.number);
      else
        refhost::DeselectPageAnnotation(view_, page, command.number);
      break;
    }
    case CommandKind::Layout: {
      refhost::Layout layout;
      if (!refhost::LayoutFromName(command.path, &layout))
        throw CommandError("'layout' takes single, continuous, facing or continuous-facing, not '" +
                           command.path + "'");
      refhost::SetViewLayout(view_, layout);
      std::fprintf(out_, "  layout %s\n", refhost::LayoutName(layout).c_str());
      ListAnnotations();
      break;
    }
    case CommandKind::Close:
      CloseDocument();
      break;
    case CommandKind::Delete: {
      const int page = CheckAnnotation(command, false);
      const std::string name = command.annotPage == 0 ? std::to_string(command.number)
                                                      : std::to_string(command.annotPage) + ":" +
                                                            std::to_string(command.number);
      if (refhost::PressKeyOnPage(view_, page, command.number, refhost::kKeyDelete)) {
        std::fprintf(out_, "  Delete on annotation %s: the viewer deleted it\n", name.c_str());
        ListAnnotations();
      } else {
        std::fprintf(out_, "  Delete on annotation %s: not deleted, the handler kept the key\n",
                     name.c_str());
      }
      break;
    }
    case CommandKind::Create:
      CreatePlayer(command);
      break;
    case CommandKind::Undo:
    case CommandKind::Redo:
      UndoOrRedo(command.kind == CommandKind::Redo);
      break;
    case CommandKind::Dialog:
      // On Windows the real dialog opens and the answer is typed into it.
      if (command.path.empty()) {
        platform::control::QueueDialogCancel();
        std::fprintf(out_, "  the next file dialog will be cancelled\n");
      } else {
        const std::string answer = DialogAnswer(command.path);
        platform::control::QueueDialogAnswer(answer);
        std::fprintf(out_, "  the next file dialog will answer %s\n", answer.c_str());
      }
      break;
    case CommandKind::About:
      RunAboutItem();
      break;
    case CommandKind::Save:
    case CommandKind::Snapshot:
      WriteFile(command);
      break;
  }
}

void Session::CloseDocument() {
  if (doc_ == nullptr) return;
  const refhost::Handle doc = doc_;
  doc_ = nullptr;
  view_ = nullptr;
  refhost::CloseDocument(doc);
}

}  // namespace refhosttool
