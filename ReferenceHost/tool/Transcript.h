// What the refhost tool prints between commands: everything that happened since the last
// time, one category after the other, each line indented by two blanks:
//   windows (from the platform's window journal: on Windows only the host's windows and
//   their descendants, not those of the file dialog) and player library calls (from its
//   journal, with any call that broke the order) together, in the order they happened,
//   then files written into or removed from the temporary folder, file dialogs shown, menu
//   items added, undo records created and released together with annotations deleted or
//   removed, in the order they happened, drawing, cursors, invalidated rectangles, alerts,
//   assertion reports (Linux: on Windows the module reports through its own copy of the
//   platform, to standard error), trace lines and host errors that reached the host.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "Host.h"
#include "PlatformControl.h"
#include "PlayerJournal.h"
#include "Viewer.h"

namespace refhosttool {

struct Totals {
  int windowsCreated = 0;
  int playerCalls = 0;
  int orderProblems = 0;
  int filesWritten = 0;
  int alerts = 0;
  int assertionReports = 0;
  int hostErrors = 0;
};

// Prints `label` and an alert's text; the lines of a text of several lines after the first
// are indented to stand under the first.
void PrintAlert(std::FILE* out, const std::string& label, const std::string& text);

// One line about a menu item added (no indentation, no line end).
std::string DescribeMenuItem(const refhost::MenuItemInfo& item);

class Transcript {
 public:
  explicit Transcript(std::FILE* out) : out_(out) {}

  // Watches `folder` for files written from now on (files already there are not news).
  void WatchFolder(const std::string& folder);
  // Prints what happened since the last call.
  void PrintNews(refhost::Host& host);
  const Totals& totals() const { return totals_; }

 private:
  struct FileState {
    unsigned long long size;
    long long modified;
  };
  std::map<std::string, FileState> ScanFolder() const;
  void PrintWindowsAndPlayerCalls();
  void PrintWindowEvent(const platform::control::WindowEvent& event);
  bool IsHostWindow(const platform::control::WindowEvent& event);
  void PrintPlayerCall(const MvnJournalEntry& entry);
  void PrintFiles();
  void PrintDialogsAndMenus();
  void PrintEdits();
  void PrintViewerRecords(refhost::Host& host);
  void PrintReports(refhost::Host& host);

  std::FILE* out_;
  std::string folder_;
  std::map<std::string, FileState> files_;
#if defined(_WIN32)
  std::set<void*> hostWindows_;  // windows whose events are printed
#endif
  size_t windowEvents_ = 0, playerCalls_ = 0, notifications_ = 0, draws_ = 0, cursors_ = 0,
         invalidations_ = 0, alerts_ = 0, assertions_ = 0, traces_ = 0, errors_ = 0, dialogs_ = 0,
         menuItems_ = 0, undoEvents_ = 0, removals_ = 0;
  Totals totals_;
};

}  // namespace refhosttool
