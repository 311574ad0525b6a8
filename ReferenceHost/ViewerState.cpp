#include "ViewerState.h"

#include <algorithm>
#include <cstddef>

#include "Documents.h"
#include "Host.h"

namespace refhost {
namespace {

constexpr int kProcCount = static_cast<int>(sizeof(AnnotHandlerRec::procs) / sizeof(Callback));

bool KnownSelector(ASInt32 selector) {
  return selector == kNotifyPageViewDidChange || selector == kNotifyDocWillClose ||
         selector == kNotifyDocDidOpen;
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
  // This viewer sends three notifications; registering for any other is a mistake.
  if (!KnownSelector(selector) || owner != host.extensionId() || !host.IsCallback(proc))
    throw HostError(kErrBadParameter);
  registrations_.push_back({selector, owner, proc, clientData});
}

void ViewerState::NotifyDocDidOpen(Handle doc) {
  // A copy: a procedure may register more.
  const std::vector<NotificationRegistration> registrations = registrations_;
  for (const NotificationRegistration& r : registrations) {
    if (r.selector != kNotifyDocDidOpen) continue;
    const DocDidOpenProc proc = reinterpret_cast<DocDidOpenProc>(r.proc);
    void* const data = r.clientData;
    Host::Current().CallPlugin("PDDocDidOpen notification", [&] { proc(doc, 0, data); });
  }
}

void ViewerState::NotifyDocWillClose(Handle doc) {
  const std::vector<NotificationRegistration> registrations = registrations_;
  for (const NotificationRegistration& r : registrations) {
    if (r.selector != kNotifyDocWillClose) continue;
    const DocWillCloseProc proc = reinterpret_cast<DocWillCloseProc>(r.proc);
    void* const data = r.clientData;
    Host::Current().CallPlugin("PDDocWillClose notification", [&] { proc(doc, data); });
  }
}

void ViewerState::NotifyPageViewDidChange(Handle view, ASInt16 how) {
  const std::vector<NotificationRegistration> registrations = registrations_;
  for (const NotificationRegistration& r : registrations) {
    if (r.selector != kNotifyPageViewDidChange) continue;
    const PageViewDidChangeProc proc = reinterpret_cast<PageViewDidChangeProc>(r.proc);
    void* const data = r.clientData;
    Host::Current().CallPlugin("AVPageViewDidChange notification", [&] { proc(view, how, data); });
  }
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
