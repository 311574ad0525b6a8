// Simulated platform for Linux: module state, string resources, dialogs and reports are
// kept in memory so that the reference host and the tests can set and observe them.
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>

#include "SimInternal.h"
#include "../PlatformControl.h"

namespace platform {
namespace {

struct DialogAnswer {
  bool ok;
  std::string path;
};

struct SimState {
  ModuleHandle currentInstance = nullptr;
  ModuleHandle currentResource = nullptr;
  ModuleHandle threadCallsDisabled = nullptr;
  int threadCallsDisabledCount = 0;
  CWinApp* app = nullptr;
  std::map<unsigned, std::string> strings;
  std::vector<control::AssertionReport> reports;
  std::deque<DialogAnswer> dialogAnswers;
  std::vector<control::DialogCall> dialogCalls;
  int codePage = 1252;
};

SimState& State() {
  static SimState* state = new SimState;  // never destroyed: modules may outlive statics
  return *state;
}

}  // namespace

void DisableThreadLibraryCalls(ModuleHandle module) {
  State().threadCallsDisabled = module;
  ++State().threadCallsDisabledCount;
}

void SetCurrentInstanceHandle(ModuleHandle module) {
  State().currentInstance = module;
}
ModuleHandle CurrentInstanceHandle() {
  return State().currentInstance;
}
void SetCurrentResourceHandle(ModuleHandle module) {
  State().currentResource = module;
}
ModuleHandle CurrentResourceHandle() {
  return State().currentResource;
}

CWinApp::CWinApp(const char*) {
  State().app = this;
}
CWinApp::~CWinApp() {
  if (State().app == this) State().app = nullptr;
}
CWinApp* CurrentApp() {
  return State().app;
}

bool LoadStringResource(unsigned id, std::string* text) {
  auto found = State().strings.find(id);
  if (found == State().strings.end()) return false;
  *text = found->second;
  return true;
}

bool ShowOpenFileDialog(const char* filter, unsigned flags, char* path, size_t pathSize) {
  SimState& s = State();
  s.dialogCalls.push_back({filter ? filter : "", flags, s.currentResource});
  if (s.dialogAnswers.empty()) return false;
  DialogAnswer answer = s.dialogAnswers.front();
  s.dialogAnswers.pop_front();
  if (!answer.ok || answer.path.size() + 1 > pathSize) return false;
  std::memcpy(path, answer.path.c_str(), answer.path.size() + 1);
  return true;
}

void ReportAssertion(const char* expression, const char* source, int line) {
  State().reports.push_back({expression ? expression : "", source ? source : "", line});
  std::fprintf(stderr, "Assertion failed: %s, %s, line %d\n", expression, source, line);
}

namespace control {

void Reset() {
  SimState& s = State();
  CWinApp* app = s.app;
  s = SimState();
  s.app = app;  // the application object belongs to the module, not to the simulation
  internal::ResetWindows();
  internal::ResetTempFolder();
}

const std::vector<AssertionReport>& AssertionReports() {
  return State().reports;
}
void ClearAssertionReports() {
  State().reports.clear();
}

bool SetStringResource(unsigned id, const std::string& text) {
  State().strings[id] = text;
  return true;
}
bool RemoveStringResource(unsigned id) {
  State().strings.erase(id);
  return true;
}

ModuleHandle ThreadCallsDisabledModule() {
  return State().threadCallsDisabled;
}
int ThreadCallsDisabledCount() {
  return State().threadCallsDisabledCount;
}

bool SetCodePage(int codePage) {
  State().codePage = codePage;
  return true;
}
int CodePage() {
  return State().codePage;
}

void QueueDialogAnswer(const std::string& path) {
  State().dialogAnswers.push_back({true, path});
}
void QueueDialogCancel() {
  State().dialogAnswers.push_back({false, std::string()});
}
size_t PendingDialogAnswers() {
  return State().dialogAnswers.size();
}
const std::vector<DialogCall>& DialogCalls() {
  return State().dialogCalls;
}

}  // namespace control
}  // namespace platform
