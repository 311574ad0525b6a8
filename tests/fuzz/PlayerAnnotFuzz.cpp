// fuzz_player_annot: player annotations from hostile documents, driven through the
// reference host as the viewer drives them, with the plug-in linked in-process.
//
// Each input gets a fresh host, a fresh temporary folder and a fresh simulated platform,
// and leaves the plug-in's registry empty by closing its document, because the plug-in's
// state lives for the whole process. After every viewer event the host must have no
// stream, file, path name, machine port or exception frame left, its allocator must hold
// exactly the live undo records, the player library must have been called in order and
// the player windows must be children of the page view's window, no more than there are
// player annotations. Every scene file handed to the player must be a safe name directly
// in the temporary folder holding the scene's decoded data. After the document closes no
// window, allocation or registered document is left, the folder above the temporary
// folder holds nothing else, and the temporary folder nothing but scene files played (and
// an entry planted there, untouched or replaced by a played scene).
//
// Input, in order (every value a byte unless said otherwise; a used-up input reads as
// zeros):
//   header: bit 0 code page 932, bit 1 a second page, bit 2 the temporary folder is
//           missing, bit 3 an entry is planted in it (then its name, one length byte and
//           the bytes, and its kind: 0 a link to a file outside, 1 a folder, 2 a file),
//           bit 4 the page view has no window; zoom; scroll x, y (16 bits each); bit 0 a hostile
//           aperture, then its four edges (32 bits each);
//   count of annotations - 1 (of 4);
//   per annotation: kind (3: not a player; bit 7: on the second page); Rect as four 32-bit
//           16.16 values (left, top, right, bottom); Rect replaced (3..7); AS (0..3);
//           AP (0..5); scene entry (0: none, 1..4: stream, 5: integer, 6: dictionary,
//           7: the previous annotation's scene); for a stream: Filename kind, its length
//           (16 bits) and bytes, Subtype kind, length and bytes, filter (0..5), data
//           length (16 bits) and bytes (padded with a pattern when the input ends);
//   events until the input ends (none: the default tour), each an operation and its
//           arguments (see Session::RunEvent).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include <zlib.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "Authoring/PlayerUndo.h"
#include "Documents.h"
#include "Files.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"
#include "Host.h"
#include "ModuleStatics.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlayerJournal.h"
#include "PlugInEntry.h"
#include "PluginLoader.h"
#include "SceneNameOracle.h"
#include "Viewer.h"
#include "PlatformControl.h"

namespace {

namespace fs = std::filesystem;
namespace rh = refhost;
using fuzzinput::Reader;

constexpr char kPlayerSubtype[] = "KXTRIVOPlayer";
constexpr char kSceneKey[] = "KXTRIVOPlayerF";
constexpr size_t kMaxAnnotations = 4;
constexpr size_t kMaxNameBytes = 1024;  // beyond the plug-in's 512-byte name buffers
constexpr size_t kMaxEvents = 32;
constexpr size_t kLongestFileName = 120 + 32 + 2;

// The folders of the process: `run` holds only the temporary folder `temp` of the input
// being run; `dialog` holds the files the scene-file dialog answers with; `secret` is the
// file a link planted in the temporary folder points to.
struct Folders {
  fs::path work, run, temp, dialog, secret;
};

constexpr char kSecret[] = "precious";

const Folders& ProcessFolders() {
  static const Folders* const folders = [] {
    // A new folder of its own: a name that exists is never reused.
    std::random_device random;
    fs::path work;
    std::error_code error;
    for (int attempt = 0; attempt < 100 && work.empty(); ++attempt) {
      const fs::path candidate =
          fs::temp_directory_path() / ("mirvane-fuzz-" + std::to_string(random() % 1000000000u));
      if (fs::create_directory(candidate, error)) work = candidate;
    }
    FUZZ_CHECK(!work.empty(), "no work folder under " + fs::temp_directory_path().string());
    Folders* made = new Folders;
    made->work = work;
    made->run = made->work / "run";
    made->temp = made->run / "t";
    made->dialog = made->work / "dialog";
    made->secret = made->work / "secret";
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(ProcessFolders().work, ignored);
    });
    return made;
  }();
  return *folders;
}

std::string WindowClass(void* window) {
#if defined(_WIN32)
  char name[256] = "";
  GetClassNameA(static_cast<HWND>(window), name, sizeof name);
  return name;
#else
  (void)window;
  return std::string();
#endif
}

// A file's name as the plug-in spells it: on Windows in the ANSI code page (the library's
// narrow names are UTF-8 there).
std::string NameOf(const fs::path& path) {
#if defined(_WIN32)
  const std::wstring wide = path.filename().wstring();
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), size, nullptr, 0, nullptr, nullptr);
  std::string name(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), size, &name[0], n, nullptr, nullptr);
  return name;
#else
  return path.filename().string();
#endif
}

// Whether the path the plug-in gave (ANSI bytes on Windows) names a plain file, no link.
bool IsPlainFile(const std::string& path) {
#if defined(_WIN32)
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
#else
  std::error_code error;
  return fs::is_regular_file(fs::symlink_status(path, error));
#endif
}

std::vector<std::string> EntryNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.push_back(NameOf(entry.path()));
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  FUZZ_CHECK(compress(reinterpret_cast<Bytef*>(&out[0]), &size,
                      reinterpret_cast<const Bytef*>(data.data()),
                      static_cast<uLong>(data.size())) == Z_OK,
             "zlib failed");
  out.resize(size);
  return out;
}

// `size` bytes: what the input still has, then a pattern that does not repeat soon.
std::string SceneData(Reader& in, size_t size) {
  std::string data = in.Bytes(size);
  uint32_t state = 0x2545F491u ^ static_cast<uint32_t>(data.size());
  while (data.size() < size) {
    state = state * 1664525u + 1013904223u;
    data.push_back(static_cast<char>(state >> 24));
  }
  return data;
}

// Runs a test-facing viewer or object function; false when the host refused it (its
// HostError, or a std::exception of the object layer).
template <typename F>
bool HostAccepts(F&& call) {
  try {
    call();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

const double kZooms[] = {1.25, 1.0, 0.5, 2.0, 8.0, 64.0, 0.05, 1.0 / 4096};

// An answer queued for the scene-file dialog.
struct Answer {
  enum Kind { kCancel, kScene, kMissing, kFolder, kLongPath, kNone } kind;
  std::string path;
  std::string data;  // kScene: the file's bytes
};

class Session {
 public:
  Session(const Folders& folders, Reader& in) : folders_(folders), in_(in) {}
  ~Session() {
    if (doc_ != nullptr) HostAccepts([&] { rh::CloseDocument(doc_); });
  }

  void Run() {
    const uint8_t header = in_.Byte();
    platform::control::SetCodePage((header & 1) != 0 ? 932 : 1252);
    pages_ = (header & 2) != 0 ? 2 : 1;
    if ((header & 4) != 0) platform::control::SetTempFolder((folders_.temp / "missing").string());
    if ((header & 8) != 0) Plant();

    host_.reset(new rh::Host());
    const rh::StartupReport report =
        rh::RunStartup(*host_, &PlugInMain, reinterpret_cast<void*>(0x4D0Du));
    FUZZ_CHECK(report.ok(), "start-up failed: " + report.failure);
    // The viewer's own windows (its main window, on Windows) live as long as the viewer.
    for (const platform::control::WindowInfo& info : platform::control::AllWindows())
      if (info.alive) viewerWindows_.insert(info.handle);
    AdoptUndoHandler();

    doc_ = rh::NewDocument(pages_, rh::PageRect(0, 0, 612, 792));
    rh::ViewGeometry geometry;
    geometry.zoom = kZooms[in_.Choice(sizeof kZooms / sizeof kZooms[0])];
    geometry.scrollX = static_cast<int16_t>(in_.U16());
    geometry.scrollY = static_cast<int16_t>(in_.U16());
    geometry.pageX = 30;
    geometry.pageY = 20;
    geometry.aperture = {12, 34, 812, 1034};
    if (in_.Bool()) {
      const int32_t x0 = in_.I32(), y0 = in_.I32(), x1 = in_.I32(), y1 = in_.I32();
      const rh::DevRect hostile = {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1),
                                   std::max(y0, y1)};
      // The viewer refuses an aperture whose size is no 32-bit number; keep the default then.
      const int64_t width = static_cast<int64_t>(hostile.right) - hostile.left;
      const int64_t height = static_cast<int64_t>(hostile.bottom) - hostile.top;
      if (width <= INT32_MAX && height <= INT32_MAX) geometry.aperture = hostile;
    }
    view_ = (header & 16) != 0 ? rh::NewPageViewWithoutWindow(doc_, 0, geometry)
                               : rh::NewPageView(doc_, 0, geometry);

    const size_t annotations = 1 + in_.Choice(kMaxAnnotations);
    for (size_t i = 0; i < annotations; ++i) AddAnnotation();
    Check("building the document");

    size_t events = 0;
    for (; events < kMaxEvents && !in_.empty(); ++events) RunEvent();
    if (events == 0) Tour();
    Draw();
    Close();
  }

 private:
  // --- Building the document ------------------------------------------------------------

  // An entry where a scene file may be written: a link to a file outside the temporary
  // folder, a folder or a file. It must be replaced, never written through.
  void Plant() {
    std::string name = in_.ShortBytes();
    for (char& ch : name) {
      if (ch == '/' || ch == '\0') ch = '_';
#if defined(_WIN32)
      // Windows' own separators, stream colons and wildcards would plant somewhere else.
      // Bytes beyond ASCII too: the library's narrow names are UTF-8 there.
      const unsigned char byte = static_cast<unsigned char>(ch);
      if (byte < 0x20 || byte >= 0x80 || std::strchr("\\:*?\"<>|", ch) != nullptr) ch = '_';
#endif
    }
#if defined(_WIN32)
    // Windows drops trailing dots and blanks and opens devices by name: such an entry
    // would land under another name or nowhere.
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (fuzzoracle::IsReservedDeviceName(name)) name = "_" + name;
#endif
    if (name.empty() || name == "." || name == "..") name = "valve.geom";
    planted_ = folders_.temp / name;
    plantedKind_ = in_.Choice(3);
    std::ofstream(folders_.secret, std::ios::binary) << kSecret;
    std::error_code noLinks;  // Windows without the right to make them, wine: a file then
    if (plantedKind_ == kPlantedLink) fs::create_symlink(folders_.secret, planted_, noLinks);
    if (noLinks) plantedKind_ = kPlantedFile;
    if (plantedKind_ == kPlantedFolder) fs::create_directory(planted_);
    if (plantedKind_ == kPlantedFile) std::ofstream(planted_, std::ios::binary) << kSecret;
  }

  // Whether `entry` is the planted entry as it was planted.
  bool IsPlantedUntouched(const fs::directory_entry& entry) const {
    if (planted_.empty() || entry.path() != planted_) return false;
    std::error_code error;
    switch (plantedKind_) {
      case kPlantedLink:
        return entry.is_symlink() && fs::read_symlink(planted_, error) == folders_.secret;
      case kPlantedFolder:
        return entry.is_directory() && !entry.is_symlink() && fs::is_empty(planted_, error);
      default:
        return entry.is_regular_file() && !entry.is_symlink() &&
               ReadFile(planted_.string()) == kSecret;
    }
  }

  // The plug-in makes its undo handler record once per process, with callbacks of the
  // host alive then; a module loaded anew would make it anew. The host of this input is
  // told of the same procedures, as the host of a freshly loaded module would be.
  void AdoptUndoHandler() {
    const AVUndoHandlerRec* handler = nullptr;
    FUZZ_CHECK(host_->CallPlugin("undo handler", [&] { handler = &PlayerUndoHandler(); }),
               "the undo handler could not be made");
    for (ASCallback proc :
         {handler->canUndo, handler->undo, handler->canRedo, handler->redo, handler->undoTitle,
          handler->redoTitle, handler->release, handler->notify8, handler->notify9})
      if (proc != nullptr) host_->CreateCallback(host_->extensionId(), proc);
  }

  // A name, string, number or nothing (the key is then removed), from the input.
  rh::CosObj NameLike(uint8_t kind) {
    const std::string bytes = in_.Bytes(in_.U16() % (kMaxNameBytes + 1));
    switch (kind % 6) {
      case 0:
      case 1:
        return rh::NewName(doc_, bytes);
      case 2:
        return rh::NewString(doc_, bytes);
      case 3:
        return rh::NewInteger(doc_, static_cast<int32_t>(bytes.size()));
      case 4:
        return rh::NewReal(doc_, bytes.size() / 3.0);
      default:
        return rh::NullObject();
    }
  }

  rh::CosObj HostileNumber(bool real) {
    const int32_t value = in_.I32();
    const uint8_t exponent = in_.Byte();
    if (!real) return rh::NewInteger(doc_, value);
    // The host holds finite reals only, as a PDF file does.
    if (exponent == 0xFF) return rh::NewReal(doc_, std::numeric_limits<double>::max());
    if (exponent == 0xFE) return rh::NewReal(doc_, -std::numeric_limits<double>::max());
    if (exponent == 0xFD) return rh::NewReal(doc_, std::numeric_limits<double>::denorm_min());
    return rh::NewReal(doc_, std::ldexp(static_cast<double>(value), exponent % 96 - 48));
  }

  void ReplaceRect(rh::CosObj dict, unsigned how) {
    if (how == 5) {
      rh::DictSet(dict, "Rect", HostileNumber(false));
      return;
    }
    const rh::CosObj rect = rh::NewArray(doc_);
    const int items = how == 4 ? 3 : 4;
    for (int i = 0; i < items; ++i)
      rh::ArrayAppend(rect, how == 6 && i == 2 ? rh::NewName(doc_, "x") : HostileNumber(how == 3));
    rh::DictSet(dict, "Rect", rect);
  }

  rh::CosObj AppearanceStream() {
    const rh::CosObj form = rh::NewDict(doc_);
    rh::DictSet(form, "Subtype", rh::NewName(doc_, "Form"));
    return rh::NewStream(doc_, "0 0 m 10 10 l S", form);
  }

  void AddAppearance(rh::CosObj dict) {
    const unsigned state = in_.Choice(4);
    std::string stateName = "On";
    if (state == 1) stateName = in_.ShortBytes();
    if (state == 1 || state == 3) rh::DictSet(dict, "AS", rh::NewName(doc_, stateName));
    if (state == 2) rh::DictSet(dict, "AS", rh::NewInteger(doc_, 7));

    const unsigned appearance = in_.Choice(6);
    if (appearance == 0) return;
    if (appearance == 3) {
      rh::DictSet(dict, "AP", rh::NewInteger(doc_, 1));
      return;
    }
    const rh::CosObj ap = rh::NewDict(doc_);
    if (appearance == 1) rh::DictSet(ap, "N", AppearanceStream());
    if (appearance == 2) {
      const rh::CosObj states = rh::NewDict(doc_);
      rh::DictSet(states, stateName, AppearanceStream());
      rh::DictSet(ap, "N", states);
    }
    if (appearance == 4) rh::DictSet(ap, "N", rh::NewInteger(doc_, 2));
    if (appearance == 5) rh::DictSet(ap, "D", AppearanceStream());
    rh::DictSet(dict, "AP", ap);
  }

  rh::CosObj SceneStream() {
    const rh::CosObj dict = rh::NewDict(doc_);
    rh::DictSet(dict, "Type", rh::NewName(doc_, "EmbeddedFile"));
    const uint8_t filenameKind = in_.Byte();
    rh::DictSet(dict, "Filename", NameLike(filenameKind));
    const uint8_t subtypeKind = in_.Byte();
    rh::DictSet(dict, "Subtype", NameLike(subtypeKind));
    const unsigned filter = in_.Choice(6);
    const std::string data = SceneData(in_, in_.U16());
    std::string stored = data;
    switch (filter) {
      case 1:  // valid deflate data
        rh::DictSet(dict, "Filter", rh::NewName(doc_, "FlateDecode"));
        stored = Deflate(data);
        break;
      case 2:  // the bytes as they are, said to be deflate data
        rh::DictSet(dict, "Filter", rh::NewName(doc_, "FlateDecode"));
        break;
      case 3:
        rh::DictSet(dict, "Filter", rh::NewName(doc_, "LZWDecode"));
        break;
      case 4: {
        const rh::CosObj filters = rh::NewArray(doc_);
        rh::ArrayAppend(filters, rh::NewName(doc_, "FlateDecode"));
        rh::DictSet(dict, "Filter", filters);
        stored = Deflate(data);
        break;
      }
      case 5:
        rh::DictSet(dict, "Filter", rh::NewInteger(doc_, 1));
        break;
    }
    return rh::NewStream(doc_, stored, dict);
  }

  void AddAnnotation() {
    const uint8_t kind = in_.Byte();
    const rh::Handle page = rh::DocumentPage(doc_, (kind & 0x80) != 0 ? pages_ - 1 : 0);
    rh::FixedRect rect;
    rect.left = in_.I32();
    rect.top = in_.I32();
    rect.right = in_.I32();
    rect.bottom = in_.I32();
    rh::PDAnnot annot{};
    if (!HostAccepts([&] {
          annot = rh::AddAnnotation(page, kind % 4 == 3 ? "Text" : kPlayerSubtype, rect);
        }))
      annot = rh::AddAnnotation(page, kind % 4 == 3 ? "Text" : kPlayerSubtype,
                                rh::PageRect(100, 100, 300, 300));
    const rh::CosObj dict = rh::AnnotationDict(annot);
    const unsigned rectHow = in_.Choice(8);
    if (rectHow >= 3) ReplaceRect(dict, rectHow);
    AddAppearance(dict);

    const unsigned scene = in_.Choice(8);
    rh::CosObj value = rh::NullObject();
    if (scene >= 1 && scene <= 4) value = lastScene_ = SceneStream();
    if (scene == 5) value = rh::NewInteger(doc_, 7);
    if (scene == 6) {
      value = rh::NewDict(doc_);
      rh::DictSet(value, "Filename", rh::NewName(doc_, "valve"));
      rh::DictSet(value, "Subtype", rh::NewName(doc_, "GEOM"));
    }
    if (scene == 7) value = lastScene_;
    rh::DictSet(dict, kSceneKey, value);
  }

  // --- Viewer events ----------------------------------------------------------------------

  rh::Handle Page() const {
    return rh::PageViewPage(view_);
  }

  // Annotation `choice` of the shown page, or -1 when it has none.
  int AnnotIndex(uint8_t choice) const {
    const size_t count = rh::PageAnnotations(Page()).size();
    return count == 0 ? -1 : static_cast<int>(choice % count);
  }

  // One event: 0 draw; 1 click (annotation, count: 1, 2, 1 or 0); 2 select, 3 deselect
  // (annotation); 4 key (annotation; Delete, Backspace, 'A', ' ', '.' or Delete with a
  // modifier); 5 undo (the dialog's answer: Cancel, a scene file (name: length byte and
  // bytes; data: 16-bit length and bytes), a missing file, a folder, a path too long
  // (16-bit length), nothing queued); 6 redo; 7 view change (0 scroll by two 16-bit
  // values, 1 zoom, 2 page); 8 cursor over (annotation). Annotations are numbered on the
  // shown page, modulo their count.
  void RunEvent() {
    switch (in_.Choice(9)) {
      case 0:
        Draw();
        break;
      case 1: {
        static const int kCounts[] = {1, 2, 1, 0};
        const uint8_t index = in_.Byte();
        Click(index, kCounts[in_.Choice(4)]);
        break;
      }
      case 2:
        Select(in_.Byte(), true);
        break;
      case 3:
        Select(in_.Byte(), false);
        break;
      case 4: {
        static const rh::ASInt32 kKeys[] = {rh::kKeyDelete, rh::kKeyBackspace, 'A', ' ',
                                            0x2E,           rh::kKeyDelete};
        const uint8_t index = in_.Byte();
        const unsigned key = in_.Choice(6);
        PressKey(index, kKeys[key], key == 5 ? 1 : 0);
        break;
      }
      case 5:
        Undo(static_cast<Answer::Kind>(in_.Choice(6)));
        break;
      case 6:
        Redo();
        break;
      case 7:
        ChangeView();
        break;
      case 8: {
        const int index = AnnotIndex(in_.Byte());
        if (index >= 0) HostAccepts([&] { rh::AdjustCursorOver(view_, index); });
        Check("adjusting the cursor");
        break;
      }
    }
  }

  // Without events: each road once.
  void Tour() {
    Draw();
    const int annotations = static_cast<int>(rh::PageAnnotations(Page()).size());
    for (int i = 0; i < annotations; ++i) Click(static_cast<uint8_t>(i), 1);
    Select(0, true);
    Select(0, false);
    PressKey(0, 'A', 0);
    PressKey(0, rh::kKeyDelete, 0);
    Undo(Answer::kScene);
    Click(static_cast<uint8_t>(rh::PageAnnotations(Page()).size() - 1), 1);
    Redo();
    Undo(Answer::kCancel);
    Redo();
  }

  void Draw() {
    rh::DrawPageView(view_);
    Check("drawing");
  }

  void Click(uint8_t choice, int count) {
    const int index = AnnotIndex(choice);
    if (index < 0) return;
    const int before = mvnJournalCount();
    int hit = -1;
    HostAccepts([&] { hit = rh::ClickAnnotation(view_, index, count); });
    Check("a click on " + std::to_string(index) + " hitting " + std::to_string(hit));
    for (int i = before; i < mvnJournalCount(); ++i) {
      MvnJournalEntry entry;
      FUZZ_CHECK(mvnJournalGet(i, &entry) != 0, "journal entry " + std::to_string(i));
      if (entry.kind == kMvnSetFileName) CheckPlayedScene(entry, hit);
    }
  }

  // The scene file the player got: a safe name directly in the temporary folder, holding
  // the clicked annotation's scene as the host decodes it.
  void CheckPlayedScene(const MvnJournalEntry& entry, int hit) {
    const std::string path = entry.path;
    const std::string prefix =
        folders_.temp.string() + static_cast<char>(fs::path::preferred_separator);
    FUZZ_CHECK(path.compare(0, prefix.size(), prefix) == 0, "scene played from " + path);
    const std::string name = path.substr(prefix.size());
    FUZZ_CHECK(name.find('/') == std::string::npos, "scene played from a folder: " + path);
    const std::string unsafe = fuzzoracle::UnsafeFileNameReason(name);
    FUZZ_CHECK(unsafe.empty(),
               unsafe + ": scene played from \"" + fuzzinput::Printable(name) + "\"");
    FUZZ_CHECK(name.size() <= kLongestFileName,
               "scene file name too long: " + fuzzinput::Printable(name));
    FUZZ_CHECK(entry.fileExists != 0 && IsPlainFile(path),
               "the player got no regular file: " + path);
    playedNames_.insert(name);

    FUZZ_CHECK(hit >= 0, "a scene was played without a hit");
    const std::vector<rh::PDAnnot> annots = rh::PageAnnotations(Page());
    FUZZ_CHECK(static_cast<size_t>(hit) < annots.size(), "hit beyond the annotations");
    std::string expected;
    FUZZ_CHECK(HostAccepts([&] {
                 expected =
                     rh::StreamData(rh::DictValue(rh::AnnotationDict(annots[hit]), kSceneKey));
               }),
               "a scene the host cannot decode was played: " + path);
    const std::string written = ReadFile(path);
    FUZZ_CHECK(written == expected, "the scene file holds " + std::to_string(written.size()) +
                                        " bytes, the scene " + std::to_string(expected.size()));
  }

  void Select(uint8_t choice, bool select) {
    const int index = AnnotIndex(choice);
    if (index < 0) return;
    HostAccepts([&] {
      if (select)
        rh::SelectAnnotation(view_, index);
      else
        rh::DeselectAnnotation(view_, index);
    });
    Check((select ? "selecting " : "deselecting ") + std::to_string(index));
  }

  void PressKey(uint8_t choice, rh::ASInt32 key, rh::ASUns16 modifiers) {
    const int index = AnnotIndex(choice);
    if (index < 0) return;
    const size_t records = rh::UndoCount(doc_);
    const rh::PDAnnot annot = rh::PageAnnotations(Page())[index];
    const bool player = rh::AnnotationSubtype(annot) == kPlayerSubtype;
    bool deleted = false;
    HostAccepts([&] { deleted = rh::PressKey(view_, index, key, modifiers); });
    Check("key " + std::to_string(key) + "+" + std::to_string(modifiers) + " on " +
          std::to_string(index) + (deleted ? " deleting it" : ""));
    const bool deleting = modifiers == 0 && (key == rh::kKeyDelete || key == rh::kKeyBackspace);
    if (!deleting) {
      FUZZ_CHECK(!deleted && rh::UndoCount(doc_) == records,
                 "a key that does not delete deleted or left an undo record");
    } else if (deleted && player) {
      FUZZ_CHECK(rh::UndoCount(doc_) == records + 1,
                 "a deleted player annotation left no undo record");
    }
  }

  // Queues an answer of the scene-file dialog.
  void QueueAnswer(Answer::Kind kind) {
    Answer answer{kind, std::string(), std::string()};
    switch (kind) {
      case Answer::kCancel:
        platform::control::QueueDialogCancel();
        break;
      case Answer::kScene: {
        std::string name = in_.Bytes(in_.Byte());
        for (char& c : name)
          if (c == '/' || c == '\0') c = '_';
        if (name.empty() || name == "." || name == "..") name = "new.mvn";
        const fs::path folder = folders_.dialog / std::to_string(dialogFiles_.size());
        fs::create_directories(folder);
        answer.path = (folder / name).string();
        answer.data = SceneData(in_, in_.U16());
        std::ofstream(answer.path, std::ios::binary) << answer.data;
        FUZZ_CHECK(ReadFile(answer.path) == answer.data, "could not write " + answer.path);
        dialogFiles_.push_back(answer);
        platform::control::QueueDialogAnswer(answer.path);
        break;
      }
      case Answer::kMissing:
        answer.path = (folders_.dialog / "missing.mvn").string();
        platform::control::QueueDialogAnswer(answer.path);
        break;
      case Answer::kFolder:
        answer.path = folders_.dialog.string();
        platform::control::QueueDialogAnswer(answer.path);
        break;
      case Answer::kLongPath:
        answer.path = (folders_.dialog / std::string(900 + in_.U16() % 600, 'a')).string();
        platform::control::QueueDialogAnswer(answer.path);
        break;
      case Answer::kNone:
        return;  // the empty queue cancels
    }
    queued_.push_back(answer);
  }

  // The answers the dialog took since the last call; an empty queue answers Cancel.
  std::vector<Answer> TakenAnswers() {
    std::vector<Answer> taken;
    for (; dialogCalls_ < platform::control::DialogCalls().size(); ++dialogCalls_) {
      if (queued_.empty()) {
        taken.push_back({Answer::kNone, std::string(), std::string()});
        continue;
      }
      taken.push_back(queued_.front());
      queued_.pop_front();
    }
    return taken;
  }

  void Undo(Answer::Kind kind) {
    QueueAnswer(kind);
    const size_t annotations = rh::PageAnnotations(Page()).size();
    HostAccepts([&] { rh::Undo(doc_); });
    Check("undo answered " + std::to_string(kind));
    const std::vector<Answer> taken = TakenAnswers();
    FUZZ_CHECK(taken.size() <= 1, "undo asked for more than one scene file");
    const std::vector<rh::PDAnnot> now = rh::PageAnnotations(Page());
    if (taken.empty() || taken[0].kind == Answer::kCancel || taken[0].kind == Answer::kNone) {
      FUZZ_CHECK(now.size() == annotations, "an undo without a scene file added an annotation");
      return;
    }
    if (taken[0].kind != Answer::kScene || now.size() != annotations + 1) return;
    // The re-created annotation carries the chosen file, under names.
    const rh::CosObj dict = rh::AnnotationDict(now.back());
    FUZZ_CHECK(rh::AnnotationSubtype(now.back()) == kPlayerSubtype, "re-created another subtype");
    const rh::CosObj scene = rh::DictValue(dict, kSceneKey);
    FUZZ_CHECK(rh::ObjType(scene) == rh::kCosStream, "the re-created annotation has no scene");
    FUZZ_CHECK(rh::StreamData(scene) == taken[0].data,
               "the re-created scene differs from the file");
    const rh::CosObj sceneDict = rh::StreamDictOf(scene);
    FUZZ_CHECK(rh::ObjType(rh::DictValue(sceneDict, "Filename")) == rh::kCosName &&
                   rh::ObjType(rh::DictValue(sceneDict, "Subtype")) == rh::kCosName,
               "the re-created scene's names are not names");
  }

  void Redo() {
    HostAccepts([&] { rh::Redo(doc_); });
    Check("redo");
    FUZZ_CHECK(TakenAnswers().empty(), "redo asked for a scene file");
  }

  void ChangeView() {
    rh::ViewGeometry geometry = rh::GetViewGeometry(view_);
    switch (in_.Choice(3)) {
      case 0: {
        const auto shift = [](int value, int16_t by) {
          const int64_t moved = static_cast<int64_t>(value) + by;
          return static_cast<int>(
              std::min<int64_t>(std::max<int64_t>(moved, std::numeric_limits<int>::min()),
                                std::numeric_limits<int>::max()));
        };
        geometry.scrollX = shift(geometry.scrollX, static_cast<int16_t>(in_.U16()));
        geometry.scrollY = shift(geometry.scrollY, static_cast<int16_t>(in_.U16()));
        HostAccepts([&] { rh::SetViewGeometry(view_, geometry); });
        break;
      }
      case 1:
        geometry.zoom = kZooms[in_.Choice(sizeof kZooms / sizeof kZooms[0])];
        HostAccepts([&] { rh::SetViewGeometry(view_, geometry); });
        break;
      case 2: {
        const int page = static_cast<int>(in_.Choice(pages_));
        HostAccepts([&] { rh::SetViewPage(view_, page); });
        break;
      }
    }
    Check("a view change");
  }

  void Close() {
    void* const window = rh::PageViewWindow(view_);
    FUZZ_CHECK(HostAccepts([&] { rh::CloseDocument(doc_); }), "the document did not close");
    doc_ = nullptr;
    CheckHostClean("closing");
    FUZZ_CHECK(host_->LiveAllocations() == 0,
               std::to_string(host_->LiveAllocations()) + " allocations left after closing");
    FUZZ_CHECK(TheDocManager().DocCount() == 0, "the registry kept a closed document");
    for (const platform::control::WindowInfo& info : platform::control::AllWindows())
      FUZZ_CHECK(
          !info.alive || viewerWindows_.count(info.handle) != 0,
          "a window outlived the closed document: '" + info.text + "' " + WindowClass(info.handle));
    FUZZ_CHECK(window == nullptr || platform::control::LiveChildWindows(window).empty(),
               "a player window outlived its view");
    CheckPlayersToldFirst();
    host_.reset();
    CheckFolders();
  }

  // --- Checks -----------------------------------------------------------------------------

  void CheckHostClean(const std::string& after) {
    FUZZ_CHECK(host_->FrameDepth() == 0, "exception frames left after " + after);
    FUZZ_CHECK(rh::LiveStreams() == 0, "a stream left open after " + after);
    FUZZ_CHECK(rh::OpenFiles() == 0, "a file left open after " + after);
    FUZZ_CHECK(rh::LivePathNames() == 0, "a path name left after " + after);
    FUZZ_CHECK(rh::LiveMachinePorts() == 0, "a machine port left after " + after);
    for (const rh::UncaughtError& error : host_->uncaughtErrors())
      FUZZ_CHECK(error.where.find("unbalanced") == std::string::npos, error.where);
    if (mvnJournalViolations() != 0) {
      MvnJournalEntry entry;
      std::string problems;
      for (int i = 0; mvnJournalGet(i, &entry); ++i)
        if (entry.problem[0] != '\0') problems += std::string(entry.problem) + "; ";
      FUZZ_CHECK(false, "player calls out of order after " + after + ": " + problems);
    }
    FUZZ_CHECK(platform::control::AssertionReports().empty(),
               "assertion report after " + after + ": " +
                   platform::control::AssertionReports()[0].expression);
  }

  void Check(const std::string& after) {
    CheckHostClean(after);
    const size_t records = rh::UndoCount(doc_) + rh::RedoCount(doc_);
    FUZZ_CHECK(host_->LiveAllocations() == records,
               std::to_string(host_->LiveAllocations()) + " allocations for " +
                   std::to_string(records) + " undo records after " + after);
    // Player windows are children of the page view's window, at most one per player
    // annotation of the document.
    size_t players = 0;
    for (int page = 0; page < pages_; ++page)
      for (const rh::PDAnnot& annot : rh::PageAnnotations(rh::DocumentPage(doc_, page)))
        if (rh::AnnotationSubtype(annot) == kPlayerSubtype) ++players;
    void* const viewWindow = rh::PageViewWindow(view_);
    // The viewer's own windows: the page view's and those it sits in (a frame, on Windows).
    const std::vector<platform::control::WindowInfo> all = platform::control::AllWindows();
    std::set<void*> viewer = {viewWindow};
    for (void* at = viewWindow; at != nullptr;) {
      void* parent = nullptr;
      for (const platform::control::WindowInfo& info : all)
        if (info.handle == at) parent = info.parent;
      if (parent != nullptr && !viewer.insert(parent).second) break;
      // The windows the page view sits in are the viewer's and live on after the document.
      if (parent != nullptr) viewerWindows_.insert(parent);
      at = parent;
    }
    size_t windows = 0;
    for (const platform::control::WindowInfo& info : all) {
      if (!info.alive || viewer.count(info.handle) != 0) continue;
      FUZZ_CHECK(info.parent == viewWindow, "a window outside the page view after " + after +
                                                ": '" + info.text + "' " +
                                                WindowClass(info.handle));
      ++windows;
    }
    FUZZ_CHECK(viewWindow != nullptr || windows == 0, "a player window in a view without one");
    FUZZ_CHECK(windows <= players, std::to_string(windows) + " player windows for " +
                                       std::to_string(players) + " player annotations after " +
                                       after);
    if (Tracing())
      std::fprintf(stderr,
                   "fuzz_player_annot: after %s: %zu players, %zu windows, %zu undo, %zu redo, "
                   "%d player calls, %zu alerts, %zu host errors\n",
                   after.c_str(), players, windows, rh::UndoCount(doc_), rh::RedoCount(doc_),
                   mvnJournalCount(), rh::Alerts().size(), host_->uncaughtErrors().size());
  }

  // MIRVANE_FUZZ_TRACE=1 prints what each event left, to read what an input does.
  static bool Tracing() {
    static const bool tracing = std::getenv("MIRVANE_FUZZ_TRACE") != nullptr;
    return tracing;
  }

  // Every player window was destroyed, and the library told before it went.
  void CheckPlayersToldFirst() {
    MvnJournalEntry entry;
    for (int i = 0; mvnJournalGet(i, &entry); ++i) {
      if (entry.kind != kMvnCreateGUI) continue;
      long long deleted = -1;
      MvnJournalEntry later;
      for (int j = i + 1; mvnJournalGet(j, &later); ++j)
        if (later.window == entry.window && later.kind == kMvnDeleteGUI) deleted = later.sequence;
      long long destroyed = -1;
      for (const platform::control::WindowEvent& event : platform::control::WindowJournal())
        if (event.handle == entry.window && event.op == platform::control::WindowOp::Destroy)
          destroyed = event.sequence;
      FUZZ_CHECK(deleted >= 0 && destroyed > deleted,
                 "a player window went without the library told first");
    }
  }

  // Nothing was written outside the temporary folder, and nothing in it but scene files
  // handed to the player; the dialog's files were only read.
  void CheckFolders() {
    const std::vector<std::string> expected =
        planted_.empty() ? std::vector<std::string>{"dialog", "run"}
                         : std::vector<std::string>{"dialog", "run", "secret"};
    FUZZ_CHECK(EntryNames(folders_.work) == expected,
               "something was written into " + folders_.work.string());
    FUZZ_CHECK(EntryNames(folders_.run) == std::vector<std::string>{"t"},
               "something was written next to the temporary folder");
    if (!planted_.empty())
      FUZZ_CHECK(fs::is_regular_file(fs::symlink_status(folders_.secret)) &&
                     ReadFile(folders_.secret.string()) == kSecret,
                 "written through the link planted in the temporary folder");
    for (const fs::directory_entry& entry : fs::directory_iterator(folders_.temp)) {
      if (IsPlantedUntouched(entry)) continue;
      const std::string name = NameOf(entry.path());
      FUZZ_CHECK(entry.is_regular_file() && !entry.is_symlink(),
                 "not a regular file in the temporary folder: " + fuzzinput::Printable(name));
      FUZZ_CHECK(playedNames_.count(name) != 0,
                 "a stray file in the temporary folder: " + fuzzinput::Printable(name));
    }
    for (const Answer& file : dialogFiles_)
      FUZZ_CHECK(ReadFile(file.path) == file.data, "a chosen scene file changed: " + file.path);
  }

  const Folders& folders_;
  Reader& in_;
  int pages_ = 1;
  std::unique_ptr<rh::Host> host_;
  std::set<void*> viewerWindows_;
  rh::Handle doc_ = nullptr;
  rh::Handle view_ = nullptr;
  rh::CosObj lastScene_ = rh::NullObject();
  std::deque<Answer> queued_;
  std::vector<Answer> dialogFiles_;
  size_t dialogCalls_ = 0;
  std::set<std::string> playedNames_;
  enum { kPlantedLink, kPlantedFolder, kPlantedFile };
  fs::path planted_;
  unsigned plantedKind_ = kPlantedLink;
};

void FreshFolders(const Folders& folders) {
  std::error_code error;
  fs::remove_all(folders.run, error);
  fs::remove_all(folders.dialog, error);
  fs::remove(folders.secret, error);
  fs::create_directories(folders.temp);
  fs::create_directories(folders.dialog);
}

}  // namespace

int RunPlayerAnnotInput(const uint8_t* data, size_t size) {
  const Folders& folders = ProcessFolders();
  FreshFolders(folders);
  platform::control::Reset();
  mvnJournalClear();
  mvnJournalSetClock(&platform::control::NextJournalSequence);
  platform::control::SetTempFolder(folders.temp.string());

  Reader in(data, size);
  try {
    Session(folders, in).Run();
  } catch (const std::exception& e) {
    FUZZ_CHECK(false, std::string("the host threw: ") + e.what());
  }

  mvnJournalSetClock(nullptr);
  mvnJournalClear();
  platform::control::Reset();
  std::error_code error;
  fs::remove_all(folders.run, error);
  fs::remove_all(folders.dialog, error);
  fs::remove(folders.secret, error);
  return 0;
}
