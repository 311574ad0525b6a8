// The stand-in player library's journal: every call with its arguments, in order, and
// whether it broke the order create -> set file -> move* -> delete of its window. Read by
// the reference host and the tests; the plug-in never uses it. A plain C interface, so
// that it crosses module boundaries on every platform.
#pragma once

#include "TRIVOPlayerControl.h"

extern "C" {

enum MvnCallKind { kMvnCreateGUI = 1, kMvnSetFileName = 2, kMvnMoveWindow = 3, kMvnDeleteGUI = 4 };

struct MvnJournalEntry {
  int kind;            // MvnCallKind
  void* window;        // the window handle passed
  int args[4];         // create: reserved; move: left, top, right, bottom
  char path[1024];     // set file: the path passed (cut to fit)
  int fileExists;      // set file: whether a regular file was at the path
  long long fileSize;  // set file: its size in bytes, or -1
  char problem[160];   // empty, or why this call broke its window's call order
  long long sequence;  // the journal clock's value when the call was made
};

MVN_API int mvnJournalCount(void);
// Copies entry `index` (from 0); 0 when there is none.
MVN_API int mvnJournalGet(int index, struct MvnJournalEntry* entry);
// How many calls broke the order since the last clear.
MVN_API int mvnJournalViolations(void);
// The journal's clock: a counter of its own unless a host that journals other events too
// hands it a shared one, so that both journals can be merged in the order of events.
MVN_API void mvnJournalSetClock(long long (*clock)(void));
// Forgets the entries and every window's state.
MVN_API void mvnJournalClear(void);
}
