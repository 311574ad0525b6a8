// refhost: loads the plug-in module into the reference host and runs its start-up as the
// viewer does. Without a script it prints the start-up and unloads; with one it runs the
// script's viewer commands in between and prints, after each, what the plug-in did.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Host.h"
#include "PageViews.h"
#include "Platform.h"
#include "PluginLoader.h"
#include "Script.h"
#include "Session.h"
#include "Transcript.h"
#include "Viewer.h"

#include "PlatformControl.h"

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace {

// Exit codes.
enum : int {
  kExitOk = 0,
  kExitFailed = 1,    // the module did not load, start or unload
  kExitUsage = 2,     // bad options, unreadable script
  kExitScript = 3,    // a script line could not run
  kExitProblems = 4,  // the session ran, but the plug-in broke a rule (see the summary)
};

// The most memory the process has had resident: Windows' peak working set, elsewhere the
// maximum resident set size.
double PeakMemoryBytes() {
#if defined(_WIN32)
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)
             ? static_cast<double>(counters.PeakWorkingSetSize)
             : 0.0;
#else
  rusage usage{};
  return getrusage(RUSAGE_SELF, &usage) == 0 ? static_cast<double>(usage.ru_maxrss) * 1024 : 0.0;
#endif
}

struct Options {
  std::string pluginPath;
  std::string tempFolder;  // empty: the system's
  bool trace = false;
  bool timings = false;  // each command's wall time and the peak memory, on standard error
  int viewerVersion = refhost::kNewestViewer;
  std::string product = refhost::kAcrobatProduct;
  // Page views open continuous, as later viewers open documents that name no layout.
  refhost::Layout layout{refhost::LayoutMode::kOneColumn, false};
  std::string script;  // empty: no session; "-": standard input
};

std::string DefaultPluginPath(const char* argv0) {
  std::string self = argv0;
  const size_t slash = self.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? std::string(".") : self.substr(0, slash);
  return folder + "/KXTRIVOPlayer.api";
}

void Usage(std::FILE* out) {
  std::fprintf(
      out,
      "usage: refhost [--plugin PATH] [--temp DIR] [--trace] [--timings] [--viewer-version N]\n"
      "               [--product NAME]\n"
      "               [--layout single|continuous|facing|continuous-facing] [SCRIPT]\n"
      "  Loads the plug-in into the reference host and runs its start-up as the viewer does,\n"
      "  printing the handshake and the host tables the plug-in obtained.\n"
      "  SCRIPT (a file, or - for standard input) then drives the viewer, one command a line\n"
      "  ('#' starts a comment):\n"
      "    open PATH        open a PDF file, page 1 in a new page view (one document at a time;\n"
      "                     Linux)\n"
      "    new PAGES        a new document of PAGES Letter pages (1 to 1000), page 1 in a new\n"
      "                     page view\n"
      "    page N           make page N (from 1) current, scrolled into view\n"
      "    layout NAME      the view's layout: single, continuous, facing, continuous-facing\n"
      "    zoom Z           zoom factor, 0 < Z <= 64\n"
      "    scroll DX DY     scroll by device pixels\n"
      "    draw             draw the page shown\n"
      "    click N [COUNT]  click annotation N (from 0, in the page's order), COUNT times;\n"
      "                     N names the current page's, P:N annotation N of page P (from 1),\n"
      "                     on any page shown, here and in select, deselect and delete\n"
      "    select N         select annotation N\n"
      "    deselect N       deselect annotation N\n"
      "    close            close the document\n"
      "    delete N         select annotation N and press Delete: the handler gets the key,\n"
      "                     then the viewer deletes the annotation if the handler lets it\n"
      "    create P L B R T the plug-in's creation sequence on page P at the page rectangle\n"
      "                     L B R T in points (-32768 to 32767, L < R, B < T): a bare player\n"
      "                     annotation placed there, deleted and undone; the undo asks the\n"
      "                     file dialog for the scene file (see dialog)\n"
      "    undo, redo       undo or redo the last edit of the document (a refused or empty\n"
      "                     undo or redo is reported, not an error)\n"
      "    dialog PATH      the next file dialog answers PATH (on Windows typed into the real\n"
      "                     dialog, OK pressed)\n"
      "    dialog cancel    the next file dialog is cancelled\n"
      "    about            run the item the plug-in added to the \"AboutExtensions\" menu\n"
      "    save PATH        save the document as a PDF file (an earlier file at PATH stays\n"
      "                     as it was when the save fails; Linux)\n"
      "    snapshot PATH    write a PNG of the page view as a person would see it (Windows:\n"
      "                     the real page-view window with the player windows)\n"
      "  Scripts are bytes in the system's ANSI code page, as every path the plug-in sees.\n"
      "  After each command it prints what happened: windows, player calls, files written\n"
      "  into the temporary folder, file dialogs, menu items added, undo records created and\n"
      "  released, annotations deleted, drawing, alerts, assertion reports, trace lines and\n"
      "  host errors. At the end it closes the document, unloads the plug-in and prints a\n"
      "  summary.\n"
      "  --plugin PATH  the module (default: KXTRIVOPlayer.api next to refhost)\n"
      "  --temp DIR     the temporary folder the plug-in sees\n"
      "  --trace        offer the optional trace table and print its lines\n"
      "  --timings      print each command's wall time and, at the end, the process's peak\n"
      "                 memory on standard error (for measurements; the transcript is the same)\n"
      "                 (--debug-window is the same)\n"
      "  --viewer-version N  present the host as viewer N (6, 7, 8 or 9; default 9): every\n"
      "                 table at version 0x000N0000 with that version's slots, as the\n"
      "                 viewer publishes them; a call of a slot the host does not offer, or\n"
      "                 past a table's end, ends the session with exit status 4\n"
      "  --product NAME  the viewer product the host runs as, its \"Product\" configuration:\n"
      "                 Reader (also the 64-bit viewer's Reader mode), Exchange (Acrobat\n"
      "                 Standard) or Exchange-Pro (Acrobat Pro, the default). A module not\n"
      "                 enabled for Reader declines to start in Reader (exit status 1)\n"
      "  --layout NAME  the layout of page views whose document names none (/PageLayout):\n"
      "                 single, continuous (default), facing or continuous-facing\n"
      "Exit status: 0 fine, 1 the module failed to load, start or unload, 2 usage, 3 a script\n"
      "line could not run, 4 the plug-in broke a rule (player call order, host error,\n"
      "assertion, machine port or menu left acquired).\n");
}

// Returns -1 when the options are fine, else the exit code.
int ParseOptions(int argc, char** argv, Options* options) {
  options->pluginPath = DefaultPluginPath(argv[0]);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help") {
      Usage(stdout);
      return kExitOk;
    } else if (arg == "--plugin" && hasValue) {
      options->pluginPath = argv[++i];
    } else if (arg == "--temp" && hasValue) {
      options->tempFolder = argv[++i];
    } else if (arg == "--trace" || arg == "--debug-window") {
      options->trace = true;
    } else if (arg == "--timings") {
      options->timings = true;
    } else if (arg == "--viewer-version" && hasValue) {
      const std::string value = argv[++i];
      if (value.size() != 1 || value[0] < '0' + refhost::kOldestViewer ||
          value[0] > '0' + refhost::kNewestViewer) {
        std::fprintf(stderr, "refhost: --viewer-version takes %d to %d, not '%s'\n",
                     refhost::kOldestViewer, refhost::kNewestViewer, value.c_str());
        return kExitUsage;
      }
      options->viewerVersion = value[0] - '0';
    } else if (arg == "--product" && hasValue) {
      const std::string value = argv[++i];
      bool known = false;
      for (const char* product : refhost::kProducts) known = known || value == product;
      if (!known) {
        std::fprintf(stderr,
                     "refhost: --product takes Reader, Exchange or Exchange-Pro, not '%s'\n",
                     value.c_str());
        return kExitUsage;
      }
      options->product = value;
    } else if (arg == "--layout" && hasValue) {
      const std::string value = argv[++i];
      if (!refhost::LayoutFromName(value, &options->layout)) {
        std::fprintf(stderr,
                     "refhost: --layout takes single, continuous, facing or continuous-facing, "
                     "not '%s'\n",
                     value.c_str());
        return kExitUsage;
      }
    } else if ((arg == "-" || arg[0] != '-') && options->script.empty()) {
      options->script = arg;
    } else {
      Usage(stderr);
      return kExitUsage;
    }
  }
  return -1;
}

// The temporary folder the plug-in sees: the simulated platform's on Linux, the process
// environment's on Windows.
bool SetTemporaryFolder(const std::string& folder) {
#if defined(_WIN32)
  // A full path, as the file dialog moves the process's current folder; made with the A
  // functions, which read the ANSI code page (the library's paths would read UTF-8).
  char full[4 * MAX_PATH];
  const DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) return false;
  for (char* at = full; *at != '\0'; at = CharNextA(at)) {
    if (*at != '\\' || at == full || at[-1] == ':') continue;
    *at = '\0';
    CreateDirectoryA(full, nullptr);
    *at = '\\';
  }
  CreateDirectoryA(full, nullptr);
  const DWORD attributes = GetFileAttributesA(full);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  return SetEnvironmentVariableA("TMP", full) && SetEnvironmentVariableA("TEMP", full);
#else
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!std::filesystem::is_directory(folder, error)) return false;
  platform::control::SetTempFolder(folder);
  return true;
#endif
}

std::string TemporaryFolder() {
  char buffer[4096];
  const unsigned length = platform::TempFolderPath(sizeof buffer, buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

const char* YesNo(bool value) {
  return value ? "yes" : "no";
}

void PrintStartup(const refhost::Host& host, const refhost::StartupReport& startup) {
  std::printf("viewer: version %u, with its published tables and notifications\n",
              static_cast<unsigned>(host.OfferedVersion(refhost::Table::Core) >> 16));
  std::printf("PlugInMain: %s, agreed handshake version 0x%08X\n", YesNo(startup.mainResult),
              static_cast<unsigned>(startup.agreedVersion));
  for (const refhost::HftLookup& lookup : host.lookups()) {
    std::printf("  table %-16s version 0x%08X: %s", lookup.name.c_str(),
                static_cast<unsigned>(lookup.version), lookup.found ? "obtained" : "not offered");
    for (int t = 0; t < refhost::kTableCount; ++t) {
      const refhost::Table table = static_cast<refhost::Table>(t);
      if (lookup.found && lookup.name == refhost::TableName(table))
        std::printf(" (the viewer's is 0x%08X, %d slots)",
                    static_cast<unsigned>(host.OfferedVersion(table)), host.TableLength(table));
    }
    std::printf("\n");
  }
  std::printf("setup: %s\n", YesNo(startup.setupResult));
  if (startup.handshakeCompleted) {
    const char* name = host.AtomText(startup.handshakeRecord.extensionName);
    std::printf("handshake: %s, extension name \"%s\"\n", YesNo(startup.handshakeResult),
                name ? name : "(none)");
  }
  for (const refhost::StageResult& stage : startup.stages)
    std::printf("stage %s: %s\n", stage.name.c_str(), YesNo(stage.completed && stage.result));
}

// A module that declines its handshake in Reader does what Reader asks of a module not
// enabled for it; the viewer then runs without it.
void ReportFailedStartup(const refhost::Host& host, const refhost::StartupReport& startup) {
  if (host.profile().product == refhost::kReaderProduct && startup.handshakeCompleted &&
      !startup.handshakeResult)
    std::fprintf(stderr,
                 "refhost: the plug-in declined to start in Reader: a module not enabled for "
                 "Reader does so, and the viewer runs without it\n");
  else
    std::fprintf(stderr, "refhost: start-up failed: %s\n", startup.failure.c_str());
}

// Start-up report and unload, as the viewer's start and exit.
int RunReport(const Options& options, const refhost::Profile& profile) {
  refhost::Host host(profile);
  refhost::PluginModule module;
  std::string error;
  if (!module.Open(options.pluginPath, &error)) {
    std::fprintf(stderr, "refhost: %s\n", error.c_str());
    return kExitFailed;
  }
  std::printf("loaded %s\n", options.pluginPath.c_str());
  const refhost::StartupReport startup = refhost::RunStartup(host, module);
  PrintStartup(host, startup);
  if (!startup.ok()) {
    ReportFailedStartup(host, startup);
    return kExitFailed;
  }
  for (const refhost::MenuItemInfo& item : refhost::MenuItemsAdded())
    std::printf("%s\n", refhosttool::DescribeMenuItem(item).c_str());
  for (const std::string& alert : refhost::Alerts())
    refhosttool::PrintAlert(stdout, "alert: ", alert);
  for (const std::string& line : host.traceLines()) std::printf("trace: %s\n", line.c_str());

  const refhost::StageResult unload = refhost::RunUnload(host, startup);
  std::printf("stage %s: %s\n", unload.name.c_str(), YesNo(unload.completed && unload.result));
  module.Close();
  std::printf("unloaded; host allocations still live: %zu\n", host.LiveAllocations());
  if (options.timings)
    std::fprintf(stderr, "refhost: peak memory: %.1f MB\n", PeakMemoryBytes() / 1e6);
  return unload.completed && unload.result ? kExitOk : kExitFailed;
}

// How error messages name the script.
std::string ScriptName(const std::string& script) {
  return script == "-" ? "stdin" : script;
}

bool ReadScript(const std::string& script, std::vector<refhosttool::Command>* commands,
                int* exitCode) {
  std::ifstream file;
  if (script != "-") {
    file.open(script);
    if (!file) {
      std::fprintf(stderr, "refhost: cannot read the script %s\n", script.c_str());
      *exitCode = kExitUsage;
      return false;
    }
  }
  std::istream& in = script == "-" ? std::cin : file;
  int badLine = 0;
  std::string reason;
  if (!refhosttool::ParseScript(in, commands, &badLine, &reason)) {
    std::fprintf(stderr, "refhost: %s:%d: %s\n", ScriptName(script).c_str(), badLine,
                 reason.c_str());
    *exitCode = kExitScript;
    return false;
  }
  return true;
}

// Start-up, the script's commands, then the viewer's exit: the document still open is
// closed, the plug-in unloaded.
int RunSession(const Options& options, const refhost::Profile& profile) {
  std::vector<refhosttool::Command> commands;
  int exitCode = kExitOk;
  if (!ReadScript(options.script, &commands, &exitCode)) return exitCode;

  refhost::Host host(profile);
  // Player calls and window events on one clock, so the transcript shows their order.
  mvnJournalSetClock(&platform::control::NextJournalSequence);
  refhosttool::Transcript transcript(stdout);
  transcript.WatchFolder(TemporaryFolder());
  refhost::PluginModule module;
  std::string error;
  if (!module.Open(options.pluginPath, &error)) {
    std::fprintf(stderr, "refhost: %s\n", error.c_str());
    return kExitFailed;
  }
  std::printf(
      "# After each command, what it caused: windows and player calls in the order they\n"
      "# happened, then files, file dialogs, menu items, undo records and deleted annotations,\n"
      "# drawing, cursors, invalidations, alerts, assertion reports, trace lines, host errors.\n");
  std::printf("loaded %s\n", options.pluginPath.c_str());
  const refhost::StartupReport startup = refhost::RunStartup(host, module);
  PrintStartup(host, startup);
  transcript.PrintNews(host);
  if (!startup.ok()) {
    ReportFailedStartup(host, startup);
    return kExitFailed;
  }

  refhosttool::Session session(stdout);
  int commandsRun = 0;
  for (const refhosttool::Command& command : commands) {
    std::printf("[%d] %s\n", command.line, command.text.c_str());
    std::string failure;
    const auto start = std::chrono::steady_clock::now();
    try {
      session.Run(command);
      ++commandsRun;
    } catch (const std::exception& e) {
      failure = e.what();
    }
    if (options.timings)
      std::fprintf(
          stderr, "refhost: time: [%d] %s: %.1f ms\n", command.line, command.text.c_str(),
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count());
    transcript.PrintNews(host);
    if (!failure.empty()) {
      std::printf("  !!! stopped here: %s\n", failure.c_str());
      std::fflush(stdout);
      std::fprintf(stderr, "refhost: %s:%d: %s\n", ScriptName(options.script).c_str(), command.line,
                   failure.c_str());
      exitCode = kExitScript;
      break;
    }
  }

  if (session.HasDocument()) {
    std::printf("[end] closing the document still open\n");
    session.CloseDocument();
    transcript.PrintNews(host);
  }
  const refhost::StageResult unload = refhost::RunUnload(host, startup);
  std::printf("stage %s: %s\n", unload.name.c_str(), YesNo(unload.completed && unload.result));
  transcript.PrintNews(host);
  module.Close();
  transcript.PrintNews(host);
  std::printf("unloaded; host allocations still live: %zu\n", host.LiveAllocations());
  if (options.timings)
    std::fprintf(stderr, "refhost: peak memory: %.1f MB\n", PeakMemoryBytes() / 1e6);

  const refhosttool::Totals& t = transcript.totals();
  const size_t ports = refhost::LiveMachinePorts();
  const size_t menus = refhost::AcquiredMenus();
  if (menus > 0) std::printf("!!! menus left acquired: %zu\n", menus);
  std::printf(
      "summary: commands run %d of %zu, windows created %d, player calls %d, order problems %d, "
      "files written %d, alerts %d, assertion reports %d, host errors %d, machine ports live "
      "%zu\n",
      commandsRun, commands.size(), t.windowsCreated, t.playerCalls, t.orderProblems,
      t.filesWritten, t.alerts, t.assertionReports, t.hostErrors, ports);
  if (exitCode != kExitOk) return exitCode;
  if (!unload.completed || !unload.result) return kExitFailed;
  if (t.orderProblems + t.assertionReports + t.hostErrors > 0 || ports > 0 || menus > 0)
    return kExitProblems;
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const int optionsExit = ParseOptions(argc, argv, &options);
  if (optionsExit >= 0) return optionsExit;
  if (!options.tempFolder.empty() && !SetTemporaryFolder(options.tempFolder)) {
    std::fprintf(stderr, "refhost: cannot use %s as the temporary folder\n",
                 options.tempFolder.c_str());
    return kExitUsage;
  }
  refhost::Profile profile = refhost::Profile::Viewer(options.viewerVersion);
  profile.debugWindow = options.trace;
  profile.product = options.product;
  profile.pageLayout = refhost::LayoutNumber(options.layout);
  return options.script.empty() ? RunReport(options, profile) : RunSession(options, profile);
}
