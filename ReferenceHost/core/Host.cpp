#include "Host.h"

#include "DocumentStore.h"
#include "ObjectStore.h"
#include "StreamStore.h"
#include "ViewStore.h"
#include "ViewerState.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace refhost {
namespace {

Host* gCurrent = nullptr;

// Past the end of each table, as far as a plug-in could reach by a slot of a newer
// version, entries that trap: a call past a table's end says so instead of jumping through
// whatever lies behind the table.
constexpr int kGuardSlots = 64;

// Entries per table: index 0, the newest viewer's slots, then the guard.
constexpr int EntryCount(int table) {
  return table < slot::kTableCount ? slot::kTables[table].slotCount + 1 + kGuardSlots
                                   : slot::DebugWindow::Size;
}

// Every slot the host does not fill holds a trap that names its table and slot.
template <int T, int S>
void REFHOST_CALL Trap() {
  Host::Current().Trapped(static_cast<Table>(T), S);
}

template <int T, int... S>
void FillTraps(std::vector<void*>& table, std::integer_sequence<int, S...>) {
  table = {reinterpret_cast<void*>(&Trap<T, S>)...};
}

template <int... T>
void FillAll(std::vector<void*>* tables, std::integer_sequence<int, T...>) {
  (FillTraps<T>(tables[T], std::make_integer_sequence<int, EntryCount(T)>()), ...);
}

void REFHOST_CALL DebugWindowTrace(const char* line) {
  Host::Current().AddTraceLine(line);
}

}  // namespace

thread_local int Host::operationDepth = 0;

HostError::HostError(ASErrorCode code) : std::runtime_error(Host::ErrorText(code)), code_(code) {}

const char* TableName(Table table) {
  static const char* const names[kTableCount] = {"Core",    "AcroSupport",     "Cos",
                                                 "PDModel", "AcroView",        "PDSRead",
                                                 "ASExtra", "ADBE:DebugWindow"};
  const int index = static_cast<int>(table);
  return index >= 0 && index < kTableCount ? names[index] : "?";
}

void REFHOST_CALL RestoreHostFrame(void* frame) {
  std::longjmp(static_cast<HostFrame*>(frame)->env, 1);
}

Host::Host(const Profile& profile)
    : profile_(profile), extensionId_(reinterpret_cast<Handle>(static_cast<uintptr_t>(0xE7E0))) {
  if (gCurrent != nullptr) {
    std::fprintf(stderr, "refhost: only one host may live at a time\n");
    std::abort();
  }
  gCurrent = this;
  objects_ = std::make_unique<ObjectStore>();
  streams_ = std::make_unique<StreamStore>(*objects_);
  documents_ = std::make_unique<DocumentStore>(*objects_);
  views_ = std::make_unique<ViewStore>(*documents_);
  viewer_ = std::make_unique<ViewerState>();
  // The plug-in leaves every view's logical page as it found it.
  watcher_ = views_.get();
  BuildTables();
}

void Host::BreakRule(const std::string& text) {
  std::fprintf(stderr, "refhost: the plug-in broke a rule: %s\n", text.c_str());
  brokenRules_.push_back(text);
}

Host::~Host() {
  // Undo records still kept are released while everything they may refer to is there.
  viewer_->ReleaseAllUndoRecords();
  watcher_ = nullptr;
  // Views refer to documents, documents to objects, streams to objects and files.
  viewer_.reset();
  views_.reset();
  documents_.reset();
  streams_.reset();
  objects_.reset();
  for (void* block : allocations_) std::free(block);
  gCurrent = nullptr;
}

Host& Host::Current() {
  if (gCurrent == nullptr) {
    std::fprintf(stderr, "refhost: a table entry was called with no host alive\n");
    std::abort();
  }
  return *gCurrent;
}

std::map<std::string, ASUns32> Profile::ViewerTables(int major) {
  const ASUns32 version = static_cast<ASUns32>(major) << 16;
  std::map<std::string, ASUns32> tables;
  for (const slot::TableFacts& facts : slot::kTables) tables[facts.name] = version;
  return tables;
}

Profile Profile::Viewer(int major) {
  Profile profile;
  profile.tables = ViewerTables(major);
  return profile;
}

void Host::BuildTables() {
  FillAll(tables_, std::make_integer_sequence<int, kTableCount>());
  for (int t = 0; t < kTableCount; ++t) {
    callCounts_[t].assign(tables_[t].size(), 0);
    if (t == static_cast<int>(Table::DebugWindow)) {
      offered_[t] = 1;
      lengths_[t] = slot::DebugWindow::Size - 1;
      continue;
    }
    // A table the profile does not offer can still be reached by a plug-in that kept a
    // pointer it never got: it has no slots at all.
    const auto offer = profile_.tables.find(slot::kTables[t].name);
    offered_[t] = offer != profile_.tables.end() ? offer->second : 0;
    lengths_[t] = slot::LengthAt(slot::kTables[t], offered_[t]);
  }
  SetEntry(Table::DebugWindow, slot::DebugWindow::Trace,
           reinterpret_cast<void*>(&DebugWindowTrace));
  InstallCoreOperations(*this);
  InstallCosOperations(*this);
  InstallFileOperations(*this);
  InstallPDModelOperations(*this);
  InstallAcroViewOperations(*this);
}

Handle Host::NewHandle() {
  return reinterpret_cast<Handle>(nextHandle_++);
}

void Host::SetEntry(Table table, int slot, void* entry) {
  const int t = static_cast<int>(table);
  if (slot <= 0 || slot >= static_cast<int>(tables_[t].size())) {
    std::fprintf(stderr, "refhost: %s has no slot %d\n", TableName(table), slot);
    std::abort();
  }
  if (table != Table::DebugWindow && !slot::kTables[t].slots[slot].live) {
    std::fprintf(stderr, "refhost: %s slot %d is obsolete in the viewer\n", TableName(table), slot);
    std::abort();
  }
  // What the viewer's table does not have at the version offered stays a trap.
  if (slot <= lengths_[t]) tables_[t][static_cast<size_t>(slot)] = entry;
}

void Host::Trapped(Table table, int slot) const {
  const int t = static_cast<int>(table);
  const bool published = t < slot::kTableCount && slot >= 1 && slot <= slot::kTables[t].slotCount;
  const std::string name =
      published ? std::string(" (") + slot::kTables[t].slots[slot].operation + ")" : "";
  std::fflush(stdout);
  if (slot > lengths_[t]) {
    std::fprintf(stderr,
                 "refhost: the plug-in called %s slot %d%s past the end of the table: %s "
                 "version 0x%08X has %d slots\n",
                 TableName(table), slot, name.c_str(), TableName(table),
                 static_cast<unsigned>(offered_[t]), lengths_[t]);
  } else {
    std::fprintf(stderr,
                 "refhost: the plug-in called %s slot %d%s, which this host does not offer\n",
                 TableName(table), slot, name.c_str());
  }
  std::fflush(stderr);
  std::_Exit(4);
}

HFT Host::LookupTable(ASAtom name, ASUns32 version) {
  const char* text = AtomText(name);
  const std::string tableName = text ? text : "";
  HFT found = nullptr;
  if (tableName == "ADBE:DebugWindow") {
    if (profile_.debugWindow && version <= 1) found = TableEntries(Table::DebugWindow);
    if (found) offeredVersions_[found] = 1;
  } else {
    auto offer = profile_.tables.find(tableName);
    if (offer != profile_.tables.end() && version <= offer->second) {
      for (int t = 0; t < static_cast<int>(Table::DebugWindow); ++t)
        if (tableName == TableName(static_cast<Table>(t)))
          found = TableEntries(static_cast<Table>(t));
      if (found) offeredVersions_[found] = offer->second;
    }
  }
  lookups_.push_back({tableName, version, found != nullptr});
  return found;
}

ASUns32 Host::TableVersion(HFT table) {
  auto offered = offeredVersions_.find(table);
  if (offered == offeredVersions_.end()) throw HostError(kErrBadParameter);
  return profile_.versionQueriesUnknown ? 0xFFFFFFFFu : offered->second;
}

ASAtom Host::Atom(const char* text) {
  if (text == nullptr) throw HostError(kErrBadParameter);
  auto found = atoms_.find(text);
  if (found != atoms_.end()) return found->second;
  if (atomTexts_.size() >= kNullAtom) throw HostError(kErrNoMemory);
  const ASAtom atom = static_cast<ASAtom>(atomTexts_.size());
  atomTexts_.emplace_back(text);
  atoms_.emplace(text, atom);
  return atom;
}

const char* Host::AtomText(ASAtom atom) const {
  return atom < atomTexts_.size() ? atomTexts_[atom].c_str() : nullptr;
}

Callback Host::CreateCallback(Handle extension, void* proc) {
  if (extension != extensionId_ || proc == nullptr) throw HostError(kErrBadParameter);
  callbacks_.insert(proc);
  return proc;  // a callback handle calls the procedure it wraps
}

void Host::PushFrame(void* frame, RestoreProc restore) {
  if (frame == nullptr || restore == nullptr) throw HostError(kErrBadParameter);
  frames_.push_back({frame, restore});
}

void Host::PopFrame() {
  if (frames_.empty()) {
    std::fprintf(stderr, "refhost: exception frame popped with none pushed\n");
    std::abort();
  }
  frames_.pop_back();
}

void Host::Raise(ASErrorCode code) {
  if (frames_.empty()) {
    std::fprintf(stderr, "refhost: host error 0x%08X raised outside every exception frame\n",
                 static_cast<unsigned>(code));
    std::abort();
  }
  lastError_ = code;
  const Frame innermost = frames_.back();
  frames_.pop_back();
  innermost.restore(innermost.frame);
  std::fprintf(stderr, "refhost: an exception frame's restore procedure returned\n");
  std::abort();
}

const char* Host::ErrorText(ASErrorCode code) {
  switch (code) {
    case kErrNone:
      return "No error.";
    case kErrGeneral:
      return "An internal error occurred.";
    case kErrNoMemory:
      return "Out of memory.";
    case kErrBadParameter:
      return "A bad parameter was passed.";
    case kErrFileOpen:
      return "The file could not be opened.";
    case kErrFileRead:
      return "The file could not be read.";
    case kErrFileWrite:
      return "The file could not be written.";
    case kErrFileTooBig:
      return "The file is too large.";
    case kErrBadObject:
      return "The object is invalid.";
    case kErrTypeMismatch:
      return "The object is of the wrong type.";
    case kErrUnknownFilter:
      return "The stream uses a filter this host cannot decode.";
    case kErrBadStreamData:
      return "The stream's data could not be decoded.";
    case kErrBadAnnot:
      return "The annotation is invalid.";
    default:
      return "An unknown error occurred.";
  }
}

void Host::InjectFault(Table table, int slot, int nthCall, ASErrorCode code) {
  faults_.push_back({table, slot, nthCall, code});
}

int Host::CallCount(Table table, int slot) const {
  const int index = static_cast<int>(table);
  if (index < 0 || index >= kTableCount || slot < 0 ||
      static_cast<size_t>(slot) >= callCounts_[index].size())
    return 0;
  return callCounts_[index][static_cast<size_t>(slot)];
}

ASErrorCode Host::BeginOperation(Table table, int slot) {
  // Every table entry passes here: the count is an array slot, not a map lookup. Entries
  // are installed at valid slots only (SetEntry checks), so the index is in range.
  ++callCounts_[static_cast<int>(table)][static_cast<size_t>(slot)];
  if (faults_.empty()) return kErrNone;
  for (auto fault = faults_.begin(); fault != faults_.end(); ++fault) {
    if (fault->table == table && fault->slot == slot && --fault->remaining == 0) {
      const ASErrorCode code = fault->code;
      faults_.erase(fault);
      return code;
    }
  }
  return kErrNone;
}

void* Host::Allocate(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw HostError(kErrNoMemory);
  allocations_.insert(block);
  return block;
}

void Host::Free(void* block) {
  if (block == nullptr) return;
  if (allocations_.erase(block) == 0) throw HostError(kErrBadParameter);
  std::free(block);
}

}  // namespace refhost
