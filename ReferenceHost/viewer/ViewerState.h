// The viewer's state behind the AcroView operations the plug-in uses to hook into it:
// annotation handlers by subtype, notification registrations, machine ports handed out,
// per-view selections, the undo stacks of document views, text objects, the menu bar, and
// the records of drawing, cursor calls, removed annotations and menu items added.
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
  // order, each under a frame of the host's own, and is recorded as sent.
  void NotifyPDDocDidOpen(Handle doc);
  void NotifyAVDocWillClose(Handle docView);
  void NotifyPDDocWillClose(Handle doc);
  void NotifyPDDocDidClose(Handle doc);
  void NotifyPageViewDidChange(Handle view, ASInt16 how);
  const std::vector<NotificationSent>& notificationsSent() const { return sent_; }

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
  const std::vector<PDAnnot>& Selection(Handle view) { return selections_[view]; }

  // --- Undo stacks (misuse throws HostError) ----------------------------------------
  // Keeps a record of `handler` (the plug-in's record, which must stay valid) and `data` on
  // top of the document's undo stack; the redo stack is released first. Every procedure
  // the record holds must be a callback made with ASCallbackCreate.
  Handle NewUndo(Handle doc, const UndoHandlerRec* handler, void* data);
  void* UndoData(Handle undo) const;
  bool IsUndo(Handle undo) const { return undos_.count(undo) != 0; }
  // Undo (redo false) or redo the top record of a stack: see Undo and Redo in Viewer.h.
  bool Take(Handle doc, bool redo);
  bool CanTake(Handle doc, bool redo);
  std::string TopTitle(Handle doc, bool redo);
  std::string Title(Handle undo, bool redo);
  size_t StackSize(Handle doc, bool redo) const;
  // Releases the records of a document that closes, or of every document; or only the
  // document's redo stack, as a new edit does.
  void ReleaseUndoRecords(Handle doc);
  void ReleaseRedoRecords(Handle doc);
  void ReleaseAllUndoRecords();
  size_t ReleasedUndoRecords() const { return released_; }
  const std::vector<UndoEvent>& undoEvents() const { return undoEvents_; }

  // --- Text objects -----------------------------------------------------------------
  // Sets a text object the host handed out from text in a script; only the Roman script,
  // 0 (the bytes as they are).
  void SetText(Handle text, const char* narrow, ASInt32 script);

  // --- Deleting keys ----------------------------------------------------------------
  static bool IsDeleteKeyStroke(ASInt32 key, ASUns16 modifiers) {
    return modifiers == 0 && (key == kKeyDelete || key == kKeyBackspace);
  }
  void AddRemoval(int pageIndex, int annotIndex, const std::string& subtype, bool byViewer);
  const std::vector<AnnotRemoval>& removals() const { return removals_; }

  // --- Menus (misuse throws HostError) ----------------------------------------------
  Handle Menubar();
  // The menu of that name, acquired, or null when the menu bar has none.
  Handle AcquireMenu(Handle menubar, const char* name);
  void ReleaseMenu(Handle menu);
  Handle NewMenuItem(const char* title, const char* name, Handle submenu, Handle owner);
  void SetExecuteProc(Handle item, Callback proc, void* clientData);
  // At `position` in the menu (from 0); beyond the end, at the end. The menu must be held.
  void AddMenuItem(Handle menu, Handle item, ASInt32 position);
  std::vector<MenuItemInfo> Items();
  bool RunItem(const std::string& name);
  size_t AcquiredMenus() const;
  const std::vector<MenuItemInfo>& itemsAdded() const { return itemsAdded_; }

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

  struct UndoRecord {
    Handle doc;
    const UndoHandlerRec* handler;
    void* data;
    int number;
  };
  struct UndoStacks {
    std::vector<Handle> undo, redo;  // top last
  };
  struct Menu {
    std::string name;
    int acquired = 0;
    std::vector<Handle> items;
  };
  struct MenuItem {
    std::string title, name;
    Handle menu = nullptr;  // the menu it was added to
    int position = 0;
    Callback proc = nullptr;
    void* clientData = nullptr;
  };

  // Sends `selector` to every procedure registered for it: `call(proc, clientData)`.
  template <typename Proc, typename Call>
  void Send(ASInt32 selector, Call&& call);
  const UndoRecord& RecordOf(Handle undo) const;
  void AddUndoEvent(UndoEvent::Kind kind, Handle undo);
  // Calls the release procedure once, then forgets the record.
  void Release(Handle undo);
  void ReleaseAll(std::vector<Handle> stack);
  bool Test(Handle undo, bool redo);
  void MakeMenus();
  Menu& MenuOf(Handle menu);
  MenuItemInfo InfoOf(const Menu& menu, const MenuItem& item) const;

  std::map<std::string, const AnnotHandlerRec*> handlers_;
  std::vector<NotificationRegistration> registrations_;
  std::vector<NotificationSent> sent_;
  std::map<const void*, std::unique_ptr<Port>> ports_;
  std::map<Handle, std::vector<PDAnnot>> selections_;
  std::vector<DrawCall> draws_;
  std::vector<void*> cursors_;
  std::map<Handle, UndoRecord> undos_;
  std::map<Handle, UndoStacks> stacks_;  // by document
  int undoNumber_ = 0;
  size_t released_ = 0;
  std::vector<UndoEvent> undoEvents_;
  std::map<Handle, std::string> texts_;
  std::vector<AnnotRemoval> removals_;
  long long sequence_ = 0;  // orders undo events and removals
  Handle menubar_ = nullptr;
  std::vector<Handle> menuOrder_;
  std::map<Handle, Menu> menus_;
  std::map<Handle, MenuItem> items_;
  std::vector<MenuItemInfo> itemsAdded_;
};

}  // namespace refhost
