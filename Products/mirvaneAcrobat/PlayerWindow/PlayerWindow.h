// Player windows: plain static child windows of a page view's window, laid over player
// annotations, to which the player library attaches. Opening, placing, hiding and
// destroying, and nothing else, happen to them.
#pragma once

#include "HostInterface/HostTypes.h"
#include "Platform.h"
#include "PlayerWindow/PlayerGeometry.h"

// Fixed parameters of every player window.
constexpr unsigned long kPlayerWindowStyle = platform::kWindowStyleChild |
                                             platform::kWindowStyleVisible |
                                             platform::kWindowStyleClipChildren;  // 0x52000000
constexpr unsigned kPlayerWindowId = 0xFFFF;

// A player window: a static control with the player library attached to it. The library
// is told once that the player goes (mvnDeleteGUI), while the handle still names the
// window: by DeletePlayer, or by the window's destruction, whoever destroys it; the viewer
// destroys it with its page-view window when it closes a document, before the plug-in
// hears of the close.
class CPlayerWnd : public platform::CStatic {
 public:
  // Attaches the player to the window (mvnCreateGUI).
  void CreatePlayer();
  // Detaches the player (mvnDeleteGUI), unless it is detached already.
  void DeletePlayer();
  // Whether the window is still there; once it is gone, the object holds no handle.
  bool IsWindowAlive() const { return GetSafeHwnd() != nullptr; }

 protected:
  void OnDestroy() override;

 private:
  bool m_bPlayer = false;
};

// One live player: a copy of its annotation's handle and its window, which the entry owns.
struct PlayerWindowEntry {
  PDAnnot annot;
  CPlayerWnd* window;
};

// Where a player window for an annotation would open in a page view.
struct PlayerWindowPlan {
  platform::WindowHandle parent;  // the page view's window
  playergeometry::Rect rect;      // in the parent's client coordinates
};

// The device rectangle in the page view of an annotation of `page`, from its page
// rectangle.
AVDevRect AnnotDeviceRect(AVPageView view, PDPage page, PDAnnot annot);

// Computes where the window goes over the annotation of `page` and finds the page view's
// window. False when the page view has no window: then no player window can be opened.
bool PlanPlayerWindow(AVPageView view, PDPage page, PDAnnot annot, PlayerWindowPlan* plan);

// Creates the window, visible at the planned rectangle, for this module, and attaches the
// player to it (mvnCreateGUI). Null when the window could not be created; the library is
// then not called.
CPlayerWnd* OpenPlayerWindow(const PlayerWindowPlan& plan);

// Shows the window and moves it over its annotation, of `page`, in `view`, then gives the
// player its area (mvnMoveWindow).
void PlacePlayerWindow(const PlayerWindowEntry& entry, AVPageView view, PDPage page);

// Hides the window; the player is not told.
void HidePlayerWindow(const PlayerWindowEntry& entry);

// Detaches the player (mvnDeleteGUI), destroys the window and deletes its object. For a
// window someone else destroyed, the player was told then, and no window call is made.
void DestroyPlayerWindow(PlayerWindowEntry* entry);
