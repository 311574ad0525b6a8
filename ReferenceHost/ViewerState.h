// The viewer's state behind the AcroView operations the plug-in uses to hook into it:
// annotation handlers by subtype, notification registrations, machine ports handed out,
// per-view selections, and the records of drawing and cursor calls.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HostAbi.h"
#include "Viewer.h"

namespace refhost {

class ViewerState {
 public:
  ViewerState() = default;
  ViewerState(const ViewerState&) = delete;
  ViewerState& operator=(const ViewerState&) = delete;

  // --- Annotation handlers (misuse throws HostError) --------------------------------
  // Learns the handler's subtype from its getType procedure and keeps the record by it
  // (a later record for the same subtype replaces the earlier). False when the profile
  // refuses handlers or getType raised; then nothing is kept.
  bool RegisterAnnotHandler(const AnnotHandlerRec* handler);
  const AnnotHandlerRec* HandlerFor(const std::string& subtype) const;
  // The record's procedure at `position`, or null when absent or beyond its size.
  static Callback Proc(const AnnotHandlerRec* handler, int position);

  // --- Notifications ----------------------------------------------------------------
  void RegisterNotification(ASInt32 selector, Handle owner, Callback proc, void* clientData);
  const std::vector<NotificationRegistration>& registrations() const { return registrations_; }
  // Each sends through every procedure registered for its selector, in registration
  // order, each under a frame of the host's own.
  void NotifyDocDidOpen(Handle doc);
  void NotifyDocWillClose(Handle doc);
  void NotifyPageViewDidChange(Handle view, ASInt16 how);

  // --- Machine ports ----------------------------------------------------------------
  // A new port of `view` holding `window` and a drawing context of its own.
  MachinePort* AcquirePort(Handle view, void* window);
  // Ends a port acquired for `view`; anything else throws kErrBadParameter.
  void ReleasePort(Handle view, void* port);
  size_t LivePorts() const { return ports_.size(); }

  // --- Selection --------------------------------------------------------------------
  bool Select(Handle view, PDAnnot annot);    // false when it was selected already
  bool Deselect(Handle view, PDAnnot annot);  // false when it was not selected
  void ForgetView(Handle view) { selections_.erase(view); }

  // --- Records ----------------------------------------------------------------------
  void AddDraw(const DrawCall& call) { draws_.push_back(call); }
  void AddCursor(void* cursor) { cursors_.push_back(cursor); }
  const std::vector<DrawCall>& draws() const { return draws_; }
  const std::vector<void*>& cursors() const { return cursors_; }
  void ClearRecords() {
    draws_.clear();
    cursors_.clear();
  }

 private:
  struct Port {
    Handle view;
    MachinePort port;
  };

  std::map<std::string, const AnnotHandlerRec*> handlers_;
  std::vector<NotificationRegistration> registrations_;
  std::map<const void*, std::unique_ptr<Port>> ports_;
  std::map<Handle, std::vector<PDAnnot>> selections_;
  std::vector<DrawCall> draws_;
  std::vector<void*> cursors_;
};

}  // namespace refhost
