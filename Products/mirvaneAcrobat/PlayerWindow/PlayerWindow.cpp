#include "PlayerWindow/PlayerWindow.h"

#include "AnnotPages.h"
#include "HostInterface/HostInterface.h"
#include "TRIVOPlayerControl.h"

namespace {

playergeometry::Rect ToRect(const AVDevRect& r) {
  return playergeometry::Rect{r.left, r.top, r.right, r.bottom};
}

// The aperture, from a rectangle cleared first.
AVDevRect Aperture(AVPageView view) {
  AVDevRect aperture = {0, 0, 0, 0};
  AVPageViewGetAperture(view, &aperture);
  return aperture;
}

}  // namespace

void CPlayerWnd::CreatePlayer() {
  mvnCreateGUI(GetSafeHwnd(), 0);
  m_bPlayer = true;
}

void CPlayerWnd::DeletePlayer() {
  if (!m_bPlayer) return;
  m_bPlayer = false;
  mvnDeleteGUI(GetSafeHwnd());
}

void CPlayerWnd::OnDestroy() {
  DeletePlayer();
}

AVDevRect AnnotDeviceRect(AVPageView view, PDPage page, PDAnnot annot) {
  ASFixedRect pageRect;
  PDAnnotGetRect(annot, &pageRect);
  AVDevRect device;
  PageRectToDevice(view, page, &pageRect, &device);
  return device;
}

bool PlanPlayerWindow(AVPageView view, PDPage page, PDAnnot annot, PlayerWindowPlan* plan) {
  const AVDevRect device = AnnotDeviceRect(view, page, annot);
  const AVDevRect aperture = Aperture(view);
  plan->rect = playergeometry::WindowRectInView(ToRect(device), ToRect(aperture));

  void* port = AVPageViewAcquireMachinePort(view);
  plan->parent = port != nullptr ? static_cast<WinPort*>(port)->hWnd : nullptr;
  AVPageViewReleaseMachinePort(view, port);
  return plan->parent != nullptr;
}

CPlayerWnd* OpenPlayerWindow(const PlayerWindowPlan& plan) {
  platform::SetCurrentInstanceHandle(gHostBinding.moduleInstance);
  platform::CWnd parent;
  parent.Attach(plan.parent);
  CPlayerWnd* window = new CPlayerWnd;
  const platform::WindowRect rect = {plan.rect.left, plan.rect.top, plan.rect.right,
                                     plan.rect.bottom};
  const bool created = window->Create("", kPlayerWindowStyle, rect, &parent, kPlayerWindowId);
  parent.Detach();
  if (!created) {
    delete window;
    return nullptr;
  }
  window->CreatePlayer();
  return window;
}

void PlacePlayerWindow(const PlayerWindowEntry& entry, AVPageView view, PDPage page) {
  if (!entry.window->IsWindowAlive()) return;
  const AVDevRect device = AnnotDeviceRect(view, page, entry.annot);
  const AVDevRect aperture = Aperture(view);
  const playergeometry::Rect rect =
      playergeometry::WindowRectInView(ToRect(device), ToRect(aperture));
  const int32_t width = playergeometry::Extent(device.left, device.right);
  const int32_t height = playergeometry::Extent(device.top, device.bottom);

  entry.window->ShowWindow(platform::kShowWindowShow);
  entry.window->MoveWindow(rect.left, rect.top, width, height, true);
  const playergeometry::Rect area = playergeometry::PlayerArea(width, height);
  mvnMoveWindow(entry.window->GetSafeHwnd(), area.left, area.top, area.right, area.bottom);
}

void HidePlayerWindow(const PlayerWindowEntry& entry) {
  entry.window->ShowWindow(platform::kShowWindowHide);
}

void DestroyPlayerWindow(PlayerWindowEntry* entry) {
  entry->window->DeletePlayer();
  entry->window->DestroyWindow();
  delete entry->window;
  entry->window = nullptr;
}
