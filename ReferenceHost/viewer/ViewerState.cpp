#include "ViewerState.h"

#include <algorithm>
#include <cstddef>

#include "DocumentStore.h"
#include "Documents.h"
#include "Host.h"
#include "PlatformControl.h"

namespace refhost {
namespace {

constexpr int kProcCount = static_cast<int>(sizeof(AnnotHandlerRec::procs) / sizeof(Callback));

bool KnownSelector(ASInt32 selector) {
  return selector >= 0 && selector < slot::notify::kCount;
}

// A call into the plug-in made while a host operation runs belongs to the plug-in: its
// allocations are not the host's.
template <typename F>
bool CallPluginFromOperation(const char* what, F&& call) {
  const int depth = Host::operationDepth;
  Host::operationDepth = 0;
  const bool completed = Host::Current().CallPlugin(what, call);
  Host::operationDepth = depth;
  return completed;
}

}  // namespace

Callback ViewerState::Proc(const AnnotHandlerRec* handler, int position) {
  const int index = position - 2;
  if (handler == nullptr || index < 0 || index >= kProcCount) return nullptr;
  const size_t end = offsetof(AnnotHandlerRec, procs) + (index + 1) * sizeof(Callback);
  return handler->size >= end ? handler->procs[index] : nullptr;
}

bool ViewerState::RegisterAnnotHandler(const AnnotHandlerRec* handler) {
  if (handler == nullptr || handler->size < offsetof(AnnotHandlerRec, procs))
    throw HostError(kErrBadParameter);
  Host& host = Host::Current();
  if (host.profile().refuseAnnotHandlers) return false;
  // Every procedure the record holds must be a callback made with ASCallbackCreate.
  for (int position = 2; position < kProcCount + 2; ++position) {
    const Callback proc = Proc(handler, position);
    if (proc != nullptr && !host.IsCallback(proc)) throw HostError(kErrBadParameter);
  }
  const GetTypeProc getType = reinterpret_cast<GetTypeProc>(Proc(handler, kGetType));
  if (getType == nullptr) throw HostError(kErrBadParameter);
  ASAtom type = kNullAtom;
  if (!CallPluginFromOperation("annotation handler GetType", [&] { type = getType(handler); }))
    return false;
  const char* subtype = host.AtomText(type);
  if (subtype == nullptr) throw HostError(kErrBadParameter);
  handlers_[subtype] = handler;
  return true;
}

const AnnotHandlerRec* ViewerState::HandlerFor(const std::string& subtype) const {
  auto found = handlers_.find(subtype);
  return found == handlers_.end() ? nullptr : found->second;
}

void ViewerState::RegisterNotification(ASInt32 selector, Handle owner, Callback proc,
                                       void* clientData) {
  Host& host = Host::Current();
  // Any of the viewer's selectors may be registered; this viewer sends the ones it models.
  if (!KnownSelector(selector) || owner != host.extensionId() || !host.IsCallback(proc))
    throw HostError(kErrBadParameter);
  registrations_.push_back({selector, owner, proc, clientData});
}

template <typename Proc, typename Call>
void ViewerState::Send(ASInt32 selector, Call&& call) {
  // A copy: a procedure may register more.
  const std::vector<NotificationRegistration> registrations = registrations_;
  int procedures = 0;
  for (const NotificationRegistration& r : registrations) procedures += r.selector == selector;
  const std::string name = slot::notify::kNames[selector];
  sent_.push_back({selector, name, procedures, platform::control::NextJournalSequence()});
  const std::string what = name + " notification";
  for (const NotificationRegistration& r : registrations) {
    if (r.selector != selector) continue;
    const Proc proc = reinterpret_cast<Proc>(r.proc);
    void* const data = r.clientData;
    Host::Current().CallPlugin(what.c_str(), [&] { call(proc, data); });
  }
}

void ViewerState::NotifyPDDocDidOpen(Handle doc) {
  Send<DocDidOpenProc>(slot::notify::PDDocDidOpen,
                       [&](DocDidOpenProc proc, void* data) { proc(doc, 0, data); });
}

void ViewerState::NotifyAVDocWillClose(Handle docView) {
  Send<DocNotificationProc>(slot::notify::AVDocWillClose,
                            [&](DocNotificationProc proc, void* data) { proc(docView, data); });
}

void ViewerState::NotifyPDDocWillClose(Handle doc) {
  Send<DocNotificationProc>(slot::notify::PDDocWillClose,
                            [&](DocNotificationProc proc, void* data) { proc(doc, data); });
}

void ViewerState::NotifyPDDocDidClose(Handle doc) {
  Send<DocNotificationProc>(slot::notify::PDDocDidClose,
                            [&](DocNotificationProc proc, void* data) { proc(doc, data); });
}

void ViewerState::NotifyPageViewDidChange(Handle view, ASInt16 how) {
  Send<PageViewDidChangeProc>(
      slot::notify::AVPageViewDidChange,
      [&](PageViewDidChangeProc proc, void* data) { proc(view, how, data); });
}

MachinePort* ViewerState::AcquirePort(Handle view, void* window) {
  auto port = std::make_unique<Port>(Port{view, MachinePort{window, Host::Current().NewHandle()}});
  MachinePort* const result = &port->port;
  ports_.emplace(result, std::move(port));
  return result;
}

void ViewerState::ReleasePort(Handle view, void* port) {
  auto found = ports_.find(port);
  if (found == ports_.end() || found->second->view != view) throw HostError(kErrBadParameter);
  ports_.erase(found);
}

bool ViewerState::Select(Handle view, PDAnnot annot) {
  std::vector<PDAnnot>& selection = selections_[view];
  for (const PDAnnot& selected : selection)
    if (SameAnnot(selected, annot)) return false;
  selection.push_back(annot);
  return true;
}

bool ViewerState::Deselect(Handle view, PDAnnot annot) {
  std::vector<PDAnnot>& selection = selections_[view];
  auto found = std::find_if(selection.begin(), selection.end(),
                            [&](const PDAnnot& selected) { return SameAnnot(selected, annot); });
  if (found == selection.end()) return false;
  selection.erase(found);
  return true;
}

}  // namespace refhost

namespace refhost {
namespace {

// A procedure of an undo handler record, or null when absent or beyond the record's size.
Callback UndoProc(const UndoHandlerRec* handler, Callback UndoHandlerRec::*member) {
  const size_t end = static_cast<size_t>(reinterpret_cast<const char*>(&(handler->*member)) -
                                         reinterpret_cast<const char*>(handler)) +
                     sizeof(Callback);
  return handler->size >= end ? handler->*member : nullptr;
}

Callback UndoHandlerRec::*const kUndoProcs[] = {
    &UndoHandlerRec::canUndo, &UndoHandlerRec::undo,      &UndoHandlerRec::canRedo,
    &UndoHandlerRec::redo,    &UndoHandlerRec::undoTitle, &UndoHandlerRec::redoTitle,
    &UndoHandlerRec::release, &UndoHandlerRec::notify8,   &UndoHandlerRec::notify9};

const char* const kMenuNames[] = {"File", "Edit", "View", "AboutExtensions"};
constexpr char kAboutMenu[] = "AboutExtensions";

}  // namespace

const ViewerState::UndoRecord& ViewerState::RecordOf(Handle undo) const {
  auto found = undos_.find(undo);
  if (found == undos_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

void ViewerState::AddUndoEvent(UndoEvent::Kind kind, Handle undo) {
  const UndoRecord& record = RecordOf(undo);
  const char* type = record.handler->type;
  undoEvents_.push_back(
      UndoEvent{kind, record.number, undo, record.doc, type ? type : "", ++sequence_});
}

Handle ViewerState::NewUndo(Handle doc, const UndoHandlerRec* handler, void* data) {
  Host& host = Host::Current();
  host.documents().CheckDocument(doc);
  if (handler == nullptr || handler->size < offsetof(UndoHandlerRec, canUndo))
    throw HostError(kErrBadParameter);
  for (Callback UndoHandlerRec::*member : kUndoProcs) {
    const Callback proc = UndoProc(handler, member);
    if (proc != nullptr && !host.IsCallback(proc)) throw HostError(kErrBadParameter);
  }
  // A new record ends what could be redone.
  std::vector<Handle> redo;
  redo.swap(stacks_[doc].redo);
  ReleaseAll(std::move(redo));
  const Handle undo = host.NewHandle();
  undos_.emplace(undo, UndoRecord{doc, handler, data, ++undoNumber_});
  stacks_[doc].undo.push_back(undo);
  AddUndoEvent(UndoEvent::kCreated, undo);
  return undo;
}

void* ViewerState::UndoData(Handle undo) const {
  return RecordOf(undo).data;
}

void ViewerState::Release(Handle undo) {
  const UndoRecord& record = RecordOf(undo);
  const UndoReleaseProc proc =
      reinterpret_cast<UndoReleaseProc>(UndoProc(record.handler, &UndoHandlerRec::release));
  // The record stays readable (AVUndoGetData) while its procedure runs.
  if (proc != nullptr) CallPluginFromOperation("undo handler Release", [&] { proc(undo); });
  AddUndoEvent(UndoEvent::kReleased, undo);
  undos_.erase(undo);
  ++released_;
}

void ViewerState::ReleaseAll(std::vector<Handle> stack) {
  while (!stack.empty()) {
    const Handle undo = stack.back();
    stack.pop_back();
    Release(undo);
  }
}

void ViewerState::ReleaseUndoRecords(Handle doc) {
  auto found = stacks_.find(doc);
  if (found == stacks_.end()) return;
  UndoStacks stacks = std::move(found->second);
  stacks_.erase(found);
  ReleaseAll(std::move(stacks.undo));
  ReleaseAll(std::move(stacks.redo));
}

void ViewerState::ReleaseRedoRecords(Handle doc) {
  auto found = stacks_.find(doc);
  if (found == stacks_.end()) return;
  std::vector<Handle> redo;
  redo.swap(found->second.redo);
  ReleaseAll(std::move(redo));
}

void ViewerState::ReleaseAllUndoRecords() {
  while (!stacks_.empty()) ReleaseUndoRecords(stacks_.begin()->first);
}

// The record's can-undo (can-redo) test; a record without one can always be taken, one
// whose test raised cannot.
bool ViewerState::Test(Handle undo, bool redo) {
  const UndoRecord& record = RecordOf(undo);
  const UndoTestProc proc = reinterpret_cast<UndoTestProc>(
      UndoProc(record.handler, redo ? &UndoHandlerRec::canRedo : &UndoHandlerRec::canUndo));
  if (proc == nullptr) return true;
  ASBool answer = 0;
  const bool completed = CallPluginFromOperation(
      redo ? "undo handler CanRedo" : "undo handler CanUndo", [&] { answer = proc(undo); });
  return completed && answer != 0;
}

bool ViewerState::CanTake(Handle doc, bool redo) {
  Host::Current().documents().CheckDocument(doc);
  auto found = stacks_.find(doc);
  if (found == stacks_.end()) return false;
  const std::vector<Handle>& stack = redo ? found->second.redo : found->second.undo;
  return !stack.empty() && Test(stack.back(), redo);
}

bool ViewerState::Take(Handle doc, bool redo) {
  Host::Current().documents().CheckDocument(doc);
  auto found = stacks_.find(doc);
  if (found == stacks_.end()) return false;
  const std::vector<Handle>& stack = redo ? found->second.redo : found->second.undo;
  if (stack.empty()) return false;
  const Handle undo = stack.back();
  if (!Test(undo, redo)) return false;
  // Looked up again: the test ran the plug-in's code.
  std::vector<Handle>& from = redo ? stacks_[doc].redo : stacks_[doc].undo;
  auto at = std::find(from.begin(), from.end(), undo);
  if (at == from.end()) return false;
  from.erase(at);
  const UndoRecord& record = RecordOf(undo);
  const UndoActionProc proc = reinterpret_cast<UndoActionProc>(
      UndoProc(record.handler, redo ? &UndoHandlerRec::redo : &UndoHandlerRec::undo));
  // Whatever the procedure answers, the record now belongs to the other stack.
  if (proc != nullptr)
    CallPluginFromOperation(redo ? "undo handler Redo" : "undo handler Undo", [&] { proc(undo); });
  std::vector<Handle>& to = redo ? stacks_[doc].undo : stacks_[doc].redo;
  to.push_back(undo);
  AddUndoEvent(redo ? UndoEvent::kRedone : UndoEvent::kUndone, undo);
  return true;
}

std::string ViewerState::Title(Handle undo, bool redo) {
  const UndoRecord& record = RecordOf(undo);
  const UndoTitleProc proc = reinterpret_cast<UndoTitleProc>(
      UndoProc(record.handler, redo ? &UndoHandlerRec::redoTitle : &UndoHandlerRec::undoTitle));
  if (proc == nullptr) return std::string();
  // A text object made for this call alone.
  const Handle text = Host::Current().NewHandle();
  texts_.emplace(text, std::string());
  CallPluginFromOperation(redo ? "undo handler RedoTitle" : "undo handler UndoTitle",
                          [&] { proc(undo, text); });
  const std::string title = texts_[text];
  texts_.erase(text);
  return title;
}

std::string ViewerState::TopTitle(Handle doc, bool redo) {
  Host::Current().documents().CheckDocument(doc);
  auto found = stacks_.find(doc);
  if (found == stacks_.end()) return std::string();
  const std::vector<Handle>& stack = redo ? found->second.redo : found->second.undo;
  return stack.empty() ? std::string() : Title(stack.back(), redo);
}

size_t ViewerState::StackSize(Handle doc, bool redo) const {
  Host::Current().documents().CheckDocument(doc);
  auto found = stacks_.find(doc);
  if (found == stacks_.end()) return 0;
  return redo ? found->second.redo.size() : found->second.undo.size();
}

void ViewerState::SetText(Handle text, const char* narrow, ASInt32 script) {
  auto found = texts_.find(text);
  if (found == texts_.end() || narrow == nullptr || script != 0) throw HostError(kErrBadParameter);
  found->second = narrow;
}

void ViewerState::AddRemoval(int pageIndex, int annotIndex, const std::string& subtype,
                             bool byViewer) {
  removals_.push_back(AnnotRemoval{pageIndex, annotIndex, subtype, byViewer, ++sequence_});
}

void ViewerState::MakeMenus() {
  if (menubar_ != nullptr) return;
  Host& host = Host::Current();
  menubar_ = host.NewHandle();
  for (const char* name : kMenuNames) {
    if (host.profile().noAboutMenu && std::string(name) == kAboutMenu) continue;
    const Handle menu = host.NewHandle();
    menus_[menu].name = name;
    menuOrder_.push_back(menu);
  }
}

ViewerState::Menu& ViewerState::MenuOf(Handle menu) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

Handle ViewerState::Menubar() {
  MakeMenus();
  return menubar_;
}

Handle ViewerState::AcquireMenu(Handle menubar, const char* name) {
  MakeMenus();
  if (menubar != menubar_ || name == nullptr) throw HostError(kErrBadParameter);
  for (Handle menu : menuOrder_) {
    if (menus_[menu].name != name) continue;
    ++menus_[menu].acquired;
    return menu;
  }
  return nullptr;
}

void ViewerState::ReleaseMenu(Handle menu) {
  Menu& record = MenuOf(menu);
  if (record.acquired == 0) throw HostError(kErrBadParameter);
  --record.acquired;
}

Handle ViewerState::NewMenuItem(const char* title, const char* name, Handle submenu, Handle owner) {
  Host& host = Host::Current();
  if (title == nullptr || name == nullptr || owner != host.extensionId())
    throw HostError(kErrBadParameter);
  if (submenu != nullptr) MenuOf(submenu);
  const Handle item = host.NewHandle();
  MenuItem& record = items_[item];
  record.title = title;
  record.name = name;
  return item;
}

void ViewerState::SetExecuteProc(Handle item, Callback proc, void* clientData) {
  auto found = items_.find(item);
  if (found == items_.end() || (proc != nullptr && !Host::Current().IsCallback(proc)))
    throw HostError(kErrBadParameter);
  found->second.proc = proc;
  found->second.clientData = clientData;
}

void ViewerState::AddMenuItem(Handle menu, Handle item, ASInt32 position) {
  Menu& parent = MenuOf(menu);
  auto found = items_.find(item);
  if (parent.acquired == 0 || found == items_.end() || found->second.menu != nullptr ||
      position < 0)
    throw HostError(kErrBadParameter);
  const size_t at = std::min(static_cast<size_t>(position), parent.items.size());
  parent.items.insert(parent.items.begin() + at, item);
  found->second.menu = menu;
  found->second.position = position;
  itemsAdded_.push_back(InfoOf(parent, found->second));
}

MenuItemInfo ViewerState::InfoOf(const Menu& menu, const MenuItem& item) const {
  return MenuItemInfo{menu.name, item.title, item.name, item.position, item.proc != nullptr};
}

std::vector<MenuItemInfo> ViewerState::Items() {
  MakeMenus();
  std::vector<MenuItemInfo> result;
  for (Handle menu : menuOrder_)
    for (Handle item : menus_[menu].items) result.push_back(InfoOf(menus_[menu], items_[item]));
  return result;
}

bool ViewerState::RunItem(const std::string& name) {
  MakeMenus();
  for (Handle menu : menuOrder_) {
    for (Handle item : menus_[menu].items) {
      const MenuItem& record = items_[item];
      if (record.name != name) continue;
      if (record.proc == nullptr) return false;
      const MenuExecuteProc proc = reinterpret_cast<MenuExecuteProc>(record.proc);
      void* const data = record.clientData;
      CallPluginFromOperation("menu item execute procedure", [&] { proc(data); });
      return true;
    }
  }
  return false;
}

size_t ViewerState::AcquiredMenus() const {
  size_t count = 0;
  for (const auto& menu : menus_) count += static_cast<size_t>(menu.second.acquired);
  return count;
}

}  // namespace refhost
