// core/: the host itself. The loader and the start-up handshake (PluginLoader), the
// function tables and their slots (HostAbi.h, HostSlots.h), exception frames and host
// errors, fault injection, atoms, the allocator and the core operations.
//
// The reference host: a headless stand-in of the viewer that offers the plug-in its
// function tables and keeps what the plug-in creates, registers and reports.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "HostAbi.h"
#include "HostSlots.h"

namespace refhost {

enum class Table : int {
  Core,
  AcroSupport,
  Cos,
  PDModel,
  AcroView,
  PDSRead,
  ASExtra,
  DebugWindow,
  Count
};
constexpr int kTableCount = static_cast<int>(Table::Count);
const char* TableName(Table table);

// Thrown by the host's operation implementations; the table entry turns it into a host
// exception (a jump to the innermost exception frame) once nothing needs unwinding. The
// test-facing functions let it through as an ordinary exception carrying the host's text.
class HostError : public std::runtime_error {
 public:
  explicit HostError(ASErrorCode code);
  ASErrorCode code() const { return code_; }

 private:
  ASErrorCode code_;
};

// The newest viewer the host can present itself as, and the oldest the plug-in supports.
constexpr int kNewestViewer = 9;
constexpr int kOldestViewer = 6;

// The viewer products' "Product" configuration texts: Reader, Acrobat Standard, Acrobat Pro.
constexpr const char* kReaderProduct = "Reader";
constexpr const char* kAcrobatProduct = "Exchange-Pro";
constexpr const char* kProducts[] = {kReaderProduct, "Exchange", kAcrobatProduct};

// How the host presents itself at start-up.
struct Profile {
  ASUns32 mainVersion = 0x00020000;         // offered to PlugInMain
  ASUns32 setupVersion = 0x00020000;        // argument of the setup routine
  ASUns32 setupRecordVersion = 0x00020000;  // the setup record's own version field
  ASUns32 handshakeVersion = 0x00020000;    // argument of the handshake routine
  ASUns16 handshakeHostField = 0xBEEF;      // the host's own field of the handshake record
  // Tables offered, by name, at one version each; a request for a higher version fails.
  // A table offered at a version has exactly the slots the viewer's table has there
  // (viewer/tables.tsv); Core is handed over at start-up whatever this says. The default
  // is the newest viewer.
  std::map<std::string, ASUns32> tables = ViewerTables(kNewestViewer);
  bool versionQueriesUnknown = false;  // HFTGetVersion answers 0xFFFFFFFF
  bool debugWindow = false;            // offer "ADBE:DebugWindow" version 1
  bool refuseAnnotHandlers = false;    // AVAppRegisterAnnotHandler answers false
  bool noAboutMenu = false;            // the menu bar has no "AboutExtensions" menu
  // The viewer product the host runs as: its "Product" configuration text, one of
  // kProducts. The 64-bit viewer answers "Reader" in its Reader mode.
  std::string product = kAcrobatProduct;
  // The layout of a new page view whose document names none, as the viewer's numbers
  // (PDLayoutMode): 1 single page, 2 one column, 3 and 4 two columns, 5 and 6 two pages.
  ASInt32 pageLayout = 1;

  // Every table at viewer `major`'s version, 0x000N0000.
  static std::map<std::string, ASUns32> ViewerTables(int major);
  // The host as viewer `major` (kOldestViewer to kNewestViewer) presents itself.
  static Profile Viewer(int major);
};

struct HftLookup {
  std::string name;
  ASUns32 version;
  bool found;
};

struct UncaughtError {
  std::string where;
  ASErrorCode code;
};

// Told of every call into the plug-in, around it (nested calls nest), so that a layer above
// can check what the plug-in must leave as it found it; it reports through BreakRule.
class PluginCallWatcher {
 public:
  virtual ~PluginCallWatcher() = default;
  virtual void BeforePluginCall() = 0;
  // `completed`: the call returned (rather than ended by a host error).
  virtual void AfterPluginCall(const char* what, bool completed) = 0;
};

class ObjectStore;
class StreamStore;
class DocumentStore;
class ViewStore;
class ViewerState;

class Host {
 public:
  explicit Host(const Profile& profile = Profile());
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The live host; table entries reach it here. There is one at a time.
  static Host& Current();

  // How many host operations are running on this thread: lets tests tell the plug-in's
  // own allocations from the host's.
  static thread_local int operationDepth;

  const Profile& profile() const { return profile_; }
  Handle extensionId() const { return extensionId_; }

  // --- Tables --------------------------------------------------------------------------
  HFT TableEntries(Table table) { return tables_[static_cast<int>(table)].data(); }
  void SetEntry(Table table, int slot, void* entry);
  template <Table T, int Slot, auto Impl>
  void Install();
  // Table lookups the plug-in made, in order.
  const std::vector<HftLookup>& lookups() const { return lookups_; }
  HFT LookupTable(ASAtom name, ASUns32 version);
  ASUns32 TableVersion(HFT table);
  // The version a table is offered at and its length there (slots 1 to length).
  ASUns32 OfferedVersion(Table table) const { return offered_[static_cast<int>(table)]; }
  int TableLength(Table table) const { return lengths_[static_cast<int>(table)]; }
  // A call of a slot the host does not fill, or past a table's end: says what was called
  // and ends the process with status 4, as a broken rule of the plug-in does.
  [[noreturn]] void Trapped(Table table, int slot) const;

  // --- Atoms and callbacks -------------------------------------------------------------
  ASAtom Atom(const char* text);
  const char* AtomText(ASAtom atom) const;  // null for an unknown atom
  Callback CreateCallback(Handle extension, void* proc);
  bool IsCallback(const void* handle) const { return callbacks_.count(handle) != 0; }

  // --- Exception frames ----------------------------------------------------------------
  void PushFrame(void* frame, RestoreProc restore);
  void PopFrame();
  size_t FrameDepth() const { return frames_.size(); }
  ASErrorCode LastErrorCode() const { return lastError_; }
  // Jumps to the innermost frame's restore procedure. Nothing with a destructor may be
  // alive between the frame and the caller.
  [[noreturn]] void Raise(ASErrorCode code);
  // Calls into the plug-in under a frame of the host's own; a host error that reaches it
  // is recorded and the call returns false.
  template <typename F>
  bool CallPlugin(const char* what, F&& call);
  const std::vector<UncaughtError>& uncaughtErrors() const { return uncaught_; }
  // A rule of the viewer the plug-in broke without a host error (such as a logical page
  // left changed): said on standard error and recorded; the session goes on.
  void BreakRule(const std::string& text);
  const std::vector<std::string>& brokenRules() const { return brokenRules_; }
  void SetPluginCallWatcher(PluginCallWatcher* watcher) { watcher_ = watcher; }
  // Text the host shows for an error code.
  static const char* ErrorText(ASErrorCode code);

  // --- Fault injection and call counts -------------------------------------------------
  // The `nthCall`-th call (counted from 1, from now on) of the slot raises `code`: before
  // the operation is done, or right after it for an operation that releases something.
  void InjectFault(Table table, int slot, int nthCall, ASErrorCode code);
  void ClearFaults() { faults_.clear(); }
  int CallCount(Table table, int slot) const;
  // Counts the call and answers the error code an injected fault wants raised, or 0.
  ASErrorCode BeginOperation(Table table, int slot);

  // --- Allocator -----------------------------------------------------------------------
  void* Allocate(size_t size);
  void Free(void* block);
  size_t LiveAllocations() const { return allocations_.size(); }

  // --- Trace table ---------------------------------------------------------------------
  const std::vector<std::string>& traceLines() const { return traceLines_; }
  void AddTraceLine(const char* line) { traceLines_.push_back(line ? line : ""); }

  // --- Documents, objects, streams and views -------------------------------------------
  // A new opaque handle, never given out before by this host.
  Handle NewHandle();
  ObjectStore& objects() { return *objects_; }
  StreamStore& streams() { return *streams_; }
  DocumentStore& documents() { return *documents_; }
  ViewStore& views() { return *views_; }
  ViewerState& viewer() { return *viewer_; }

 private:
  struct Frame {
    void* frame;
    RestoreProc restore;
  };
  struct Fault {
    Table table;
    int slot;
    int remaining;
    ASErrorCode code;
  };

  void BuildTables();
  template <typename F>
  bool CallPluginFramed(const char* what, F&& call);

  Profile profile_;
  Handle extensionId_;
  std::vector<void*> tables_[kTableCount];
  ASUns32 offered_[kTableCount] = {};
  int lengths_[kTableCount] = {};
  std::map<HFT, ASUns32> offeredVersions_;
  std::vector<HftLookup> lookups_;
  std::deque<std::string> atomTexts_;
  std::map<std::string, ASAtom> atoms_;
  std::set<const void*> callbacks_;
  std::vector<Frame> frames_;
  ASErrorCode lastError_ = 0;
  std::vector<UncaughtError> uncaught_;
  std::vector<std::string> brokenRules_;
  PluginCallWatcher* watcher_ = nullptr;
  std::vector<Fault> faults_;
  std::vector<int> callCounts_[kTableCount];  // by table and slot
  std::set<void*> allocations_;
  std::vector<std::string> traceLines_;
  uintptr_t nextHandle_ = 0x00D00000;
  std::unique_ptr<ObjectStore> objects_;
  std::unique_ptr<StreamStore> streams_;
  std::unique_ptr<DocumentStore> documents_;
  std::unique_ptr<ViewStore> views_;
  std::unique_ptr<ViewerState> viewer_;
};

// A table entry: counts the call, applies injected faults, runs the implementation and
// turns a HostError into a host exception after every C++ object has been unwound.
template <Table T, int Slot, auto Impl>
struct Entry;

// Operations that release something: like the viewer's, they release whatever happens,
// so an injected fault raises only after the release was done.
constexpr bool IsReleaseOperation(Table table, int slot) {
  return (table == Table::AcroSupport &&
          (slot == slot::AcroSupport::ASStmClose || slot == slot::AcroSupport::ASFileClose ||
           slot == slot::AcroSupport::ASFileSysReleasePath || slot == slot::AcroSupport::ASfree)) ||
         (table == Table::AcroView && (slot == slot::AcroView::AVPageViewReleaseMachinePort ||
                                       slot == slot::AcroView::AVMenuRelease));
}

template <Table T, int Slot, typename R, typename... A, R (*Impl)(A...)>
struct Entry<T, Slot, Impl> {
  static R REFHOST_CALL Call(A... args) {
    ++Host::operationDepth;
    ASErrorCode code = Host::Current().BeginOperation(T, Slot);
    if constexpr (IsReleaseOperation(T, Slot)) {
      if (code != kErrNone) {
        try {
          Impl(args...);
        } catch (const std::exception&) {
          // The injected fault is what the caller sees.
        }
        --Host::operationDepth;
        Host::Current().Raise(code);
      }
    }
    if (code == kErrNone) {
      try {
        if constexpr (std::is_void_v<R>) {
          Impl(args...);
          --Host::operationDepth;
          return;
        } else {
          R result = Impl(args...);
          --Host::operationDepth;
          return result;
        }
      } catch (const HostError& e) {
        code = e.code();
      } catch (const std::bad_alloc&) {
        code = kErrNoMemory;
      } catch (const std::exception&) {
        // No C++ exception may cross into the plug-in's frames.
        code = kErrGeneral;
      }
    }
    --Host::operationDepth;
    Host::Current().Raise(code);
  }
};

template <Table T, int Slot, auto Impl>
void Host::Install() {
  SetEntry(T, Slot, reinterpret_cast<void*>(&Entry<T, Slot, Impl>::Call));
}

struct HostFrame {
  std::jmp_buf env;
};
void REFHOST_CALL RestoreHostFrame(void* frame);

template <typename F>
bool Host::CallPlugin(const char* what, F&& call) {
  if (watcher_ != nullptr) watcher_->BeforePluginCall();
  const bool completed = CallPluginFramed(what, call);
  if (watcher_ != nullptr) watcher_->AfterPluginCall(what, completed);
  return completed;
}

template <typename F>
bool Host::CallPluginFramed(const char* what, F&& call) {
  HostFrame frame;
  const size_t depth = frames_.size();
  PushFrame(&frame, &RestoreHostFrame);
  if (setjmp(frame.env) == 0) {
    call();
    if (frames_.size() != depth + 1) {
      std::fprintf(stderr, "refhost: %s left %d exception frame(s) pushed\n", what,
                   static_cast<int>(frames_.size()) - static_cast<int>(depth) - 1);
      uncaught_.push_back({std::string(what) + ": unbalanced exception frames", kErrGeneral});
      frames_.resize(depth + 1);
    }
    PopFrame();
    return true;
  }
  // Raise popped the frame before jumping here.
  std::fprintf(stderr, "refhost: host error 0x%08X reached the host in %s: %s\n",
               static_cast<unsigned>(lastError_), what, ErrorText(lastError_));
  uncaught_.push_back({what, lastError_});
  return false;
}

// Installs the operations of each part of the host into its tables.
void InstallCoreOperations(Host& host);
void InstallCosOperations(Host& host);
void InstallFileOperations(Host& host);
void InstallPDModelOperations(Host& host);
void InstallAcroViewOperations(Host& host);  // with the text operation of ASExtra

}  // namespace refhost
