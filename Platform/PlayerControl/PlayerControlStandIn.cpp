// Stand-in of the player control library: it plays nothing, but records every call with
// its arguments and checks that each window sees create -> set file -> move* -> delete.
// After a delete the window may get a new player. Not thread-safe: the viewer calls the
// player from its one user-interface thread.
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "PlayerJournal.h"

namespace {

// Where a window is in its call order.
enum class Stage { NoPlayer, Created, FileSet, Deleted };

struct Journal {
  std::vector<MvnJournalEntry> entries;
  std::map<void*, Stage> stages;
  int violations = 0;
  long long ownClock = 0;
  long long (*clock)(void) = nullptr;  // survives a clear
};

Journal& TheJournal() {
  static Journal* journal = new Journal;  // never destroyed: callers may outlive statics
  return *journal;
}

MvnJournalEntry NewEntry(MvnCallKind kind, void* window) {
  MvnJournalEntry entry;
  std::memset(&entry, 0, sizeof entry);
  entry.kind = kind;
  entry.window = window;
  entry.fileSize = -1;
  Journal& journal = TheJournal();
  entry.sequence = journal.clock != nullptr ? journal.clock() : ++journal.ownClock;
  return entry;
}

// Whether a regular file is at `path`, and its size.
void ProbeFile(const char* path, MvnJournalEntry* entry) {
#if defined(_WIN32)
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) &&
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    entry->fileExists = 1;
    entry->fileSize = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
#else
  struct stat info;
  if (stat(path, &info) == 0 && S_ISREG(info.st_mode)) {
    entry->fileExists = 1;
    entry->fileSize = static_cast<long long>(info.st_size);
  }
#endif
}

const char* FunctionName(int kind) {
  switch (kind) {
    case kMvnCreateGUI:
      return "mvnCreateGUI";
    case kMvnSetFileName:
      return "mvnSetFileName";
    case kMvnMoveWindow:
      return "mvnMoveWindow";
    default:
      return "mvnDeleteGUI";
  }
}

// Why a call of `kind` may not come when its window is at `stage`; empty when it may.
std::string OrderProblem(int kind, Stage stage) {
  const std::string name = FunctionName(kind);
  if (stage == Stage::Deleted && kind != kMvnCreateGUI) return name + " after mvnDeleteGUI";
  switch (kind) {
    case kMvnCreateGUI:
      if (stage == Stage::Created || stage == Stage::FileSet)
        return "mvnCreateGUI on a window that already has a player";
      return "";
    case kMvnSetFileName:
      if (stage == Stage::FileSet) return "mvnSetFileName on a player that already has a file";
      break;
    case kMvnMoveWindow:
      if (stage == Stage::Created) return "mvnMoveWindow before mvnSetFileName";
      break;
    default:
      break;
  }
  return stage == Stage::NoPlayer ? name + " before mvnCreateGUI" : "";
}

Stage StageAfter(int kind) {
  switch (kind) {
    case kMvnCreateGUI:
      return Stage::Created;
    case kMvnDeleteGUI:
      return Stage::Deleted;
    default:
      return Stage::FileSet;
  }
}

// Records the call. A call out of order gets its problem and leaves the window's stage.
int Record(MvnJournalEntry entry) {
  Journal& journal = TheJournal();
  auto found = journal.stages.find(entry.window);
  const Stage stage = found == journal.stages.end() ? Stage::NoPlayer : found->second;
  const std::string problem = OrderProblem(entry.kind, stage);
  if (problem.empty()) {
    journal.stages[entry.window] = StageAfter(entry.kind);
  } else {
    std::snprintf(entry.problem, sizeof entry.problem, "%s", problem.c_str());
    ++journal.violations;
  }
  journal.entries.push_back(entry);
  return problem.empty() ? 0 : -1;
}

}  // namespace

extern "C" {

int mvnCreateGUI(void* window, int reserved) {
  MvnJournalEntry entry = NewEntry(kMvnCreateGUI, window);
  entry.args[0] = reserved;
  return Record(entry);
}

int mvnSetFileName(void* window, char* path) {
  MvnJournalEntry entry = NewEntry(kMvnSetFileName, window);
  if (path != nullptr) {
    std::snprintf(entry.path, sizeof entry.path, "%s", path);
    ProbeFile(path, &entry);
  }
  return Record(entry);
}

int mvnMoveWindow(void* window, int left, int top, int right, int bottom) {
  MvnJournalEntry entry = NewEntry(kMvnMoveWindow, window);
  entry.args[0] = left;
  entry.args[1] = top;
  entry.args[2] = right;
  entry.args[3] = bottom;
  return Record(entry);
}

int mvnDeleteGUI(void* window) {
  return Record(NewEntry(kMvnDeleteGUI, window));
}

int mvnJournalCount(void) {
  return static_cast<int>(TheJournal().entries.size());
}

int mvnJournalGet(int index, struct MvnJournalEntry* entry) {
  const std::vector<MvnJournalEntry>& entries = TheJournal().entries;
  if (entry == nullptr || index < 0 || static_cast<size_t>(index) >= entries.size()) return 0;
  *entry = entries[static_cast<size_t>(index)];
  return 1;
}

int mvnJournalViolations(void) {
  return TheJournal().violations;
}

void mvnJournalSetClock(long long (*clock)(void)) {
  TheJournal().clock = clock;
}

void mvnJournalClear(void) {
  long long (*clock)(void) = TheJournal().clock;
  TheJournal() = Journal();
  TheJournal().clock = clock;
}

}  // extern "C"
