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

// One live player: a copy of its annotation's handle and its window, which the entry owns.
struct PlayerWindowEntry {
  PDAnnot annot;
  platform::CStatic* window;
};

// Where a player window for an annotation would open in a page view.
struct PlayerWindowPlan {
  platform::WindowHandle parent;  // the page view's window
  playergeometry::Rect rect;      // in the parent's client coordinates
};

// The annotation's device rectangle in the page view, from its page rectangle.
AVDevRect AnnotDeviceRect(AVPageView view, PDAnnot annot);

// Computes where the window goes and finds the page view's window. False when the page
// view has no window: then no player window can be opened.
bool PlanPlayerWindow(AVPageView view, PDAnnot annot, PlayerWindowPlan* plan);

// Creates the window, visible at the planned rectangle, for this module, and attaches the
// player to it (mvnCreateGUI). Null when the window could not be created; the library is
// then not called.
platform::CStatic* OpenPlayerWindow(const PlayerWindowPlan& plan);

// Shows the window and moves it over its annotation in `view`, then gives the player its
// area (mvnMoveWindow).
void PlacePlayerWindow(const PlayerWindowEntry& entry, AVPageView view);

// Hides the window; the player is not told.
void HidePlayerWindow(const PlayerWindowEntry& entry);

// Detaches the player (mvnDeleteGUI), destroys the window and deletes its object.
void DestroyPlayerWindow(PlayerWindowEntry* entry);
