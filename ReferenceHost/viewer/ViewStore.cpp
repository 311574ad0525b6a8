#include "ViewStore.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Documents.h"
#include "Geometry.h"
#include "Host.h"
#include "Objects.h"
#include "ViewerState.h"

namespace refhost {
namespace {

constexpr double kMaxZoom = 64.0;

// An aperture is a rectangle whose width and height are 32-bit numbers themselves, so
// that every size taken from it is well defined.
void CheckGeometry(const ViewGeometry& geometry) {
  const DevRect& a = geometry.aperture;
  const int64_t width = static_cast<int64_t>(a.right) - a.left;
  const int64_t height = static_cast<int64_t>(a.bottom) - a.top;
  if (!(geometry.zoom > 0 && geometry.zoom <= kMaxZoom) || width < 0 || height < 0 ||
      width > INT32_MAX || height > INT32_MAX)
    throw HostError(kErrBadParameter);
}

ASInt32 ToDeviceInt(double value) {
  const double rounded = std::round(value);  // halves away from zero
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw HostError(kErrBadParameter);
  return static_cast<ASInt32>(rounded);
}

// The layout a new view of the document starts in: the document's own /PageLayout (a
// name the viewer knows), or else the viewer's default.
Layout InitialLayout(Handle doc) {
  Layout layout;
  const CosObj name = DictValue(DocumentCatalog(doc), "PageLayout");
  if (ObjType(name) == kCosName && LayoutFromPageLayout(NameText(name), &layout)) return layout;
  if (!LayoutFromNumber(Host::Current().profile().pageLayout, &layout)) layout = Layout();
  return layout;
}

bool Overlaps(const DevRect& a, double left, double top, double right, double bottom) {
  return left < a.right && right > a.left && top < a.bottom && bottom > a.top;
}

}  // namespace

ViewStore::View& ViewStore::ViewOf(Handle view) {
  auto found = views_.find(view);
  if (found == views_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

const PagePlacer& ViewStore::Placer(const View& record) const {
  if (record.placer == nullptr) {
    std::vector<PageSize> sizes;
    // The single-page layout places its page without knowing any page's size.
    if (record.layout.mode != LayoutMode::kSinglePage) {
      const int count = documents_.PageCount(record.doc);
      sizes.reserve(count);
      for (int i = 0; i < count; ++i) {
        const Box box = documents_.MediaBox(documents_.Page(record.doc, i));
        sizes.push_back(PageSize{std::fabs(box.right - box.left), std::fabs(box.top - box.bottom)});
      }
    }
    const ViewGeometry& g = record.geometry;
    record.placer = std::make_shared<PagePlacer>(record.layout, sizes, g.zoom, g.pageX, g.pageY);
  }
  return *record.placer;
}

void ViewStore::Changed(View& record) {
  record.placer.reset();
  if (record.layout.continuous()) {
    // The page that holds the aperture's middle line, or the first below it when the line
    // falls into the gap under a page; past the last page, the last.
    const PagePlacer& placer = Placer(record);
    const DevRect& a = record.geometry.aperture;
    const double middle = (double(a.top) + a.bottom) / 2 + record.geometry.scrollY;
    int current = placer.PageCount() - 1;
    for (int i = 0; i < placer.PageCount(); ++i)
      if (placer.PlaceOf(i).y + placer.Height(i) + kPageGap > middle) {
        current = i;
        break;
      }
    record.current = current;
  }
  record.logical = record.current;
}

void ViewStore::ScrollTo(View& record, int pageIndex, double fromY) {
  record.placer.reset();
  record.current = record.logical = pageIndex;
  if (!record.layout.continuous()) return;
  const double y =
      std::round(record.geometry.scrollY + Placer(record).PlaceOf(pageIndex).y - fromY);
  if (!(y >= INT32_MIN && y <= INT32_MAX)) throw HostError(kErrBadParameter);
  record.geometry.scrollY = static_cast<int>(y);
}

const ViewStore::View& ViewStore::ViewOf(Handle view) const {
  auto found = views_.find(view);
  if (found == views_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

ViewStore::~ViewStore() {
  for (const auto& view : views_) DestroyPageViewWindow(view.second.window);
}

Handle ViewStore::NewView(Handle doc, int pageIndex, const ViewGeometry& geometry,
                          bool withWindow) {
  CheckGeometry(geometry);
  documents_.Page(doc, pageIndex);
  View record{doc, InitialLayout(doc), 0, 0, geometry, nullptr, nullptr};
  // The page lies where the single-page layout would show it, whatever the layout.
  ScrollTo(record, pageIndex, geometry.pageY);
  const Handle view = Host::Current().NewHandle();
  record.window = withWindow ? CreatePageViewWindow(geometry.aperture) : nullptr;
  views_.emplace(view, record);
  order_.push_back(view);
  return view;
}

void ViewStore::SetGeometry(Handle view, const ViewGeometry& geometry) {
  const View& record = ViewOf(view);
  CheckGeometry(geometry);
  const DevRect& before = record.geometry.aperture;
  const DevRect& after = geometry.aperture;
  if (record.window != nullptr && (before.right - before.left != after.right - after.left ||
                                   before.bottom - before.top != after.bottom - after.top))
    ResizePageViewWindow(record.window, after);
  View& changed = ViewOf(view);
  changed.geometry = geometry;
  Changed(changed);
}

void ViewStore::SetPage(Handle view, int pageIndex) {
  View& record = ViewOf(view);
  documents_.Page(record.doc, pageIndex);
  // The new page comes where the current one was: in the page-by-page layouts, at the same
  // place; in the continuous ones, scrolled by the distance between the two.
  ScrollTo(record, pageIndex, Placer(record).PlaceOf(record.current).y);
}

void ViewStore::SetLayout(Handle view, const Layout& layout) {
  View& record = ViewOf(view);
  const double before = Placer(record).PlaceOf(record.current).y;
  record.layout = layout;
  record.placer.reset();
  // The current page stays where it was in the view, whichever layouts these are.
  const double y =
      std::round(record.geometry.scrollY + Placer(record).PlaceOf(record.current).y - before);
  if (!(y >= INT32_MIN && y <= INT32_MAX)) throw HostError(kErrBadParameter);
  record.geometry.scrollY = static_cast<int>(y);
  record.placer.reset();
  record.logical = record.current;
}

Handle ViewStore::Page(Handle view) const {
  const View& record = ViewOf(view);
  return documents_.Page(record.doc, record.logical);
}

Handle ViewStore::CurrentPage(Handle view) const {
  const View& record = ViewOf(view);
  return documents_.Page(record.doc, record.current);
}

int ViewStore::SetLogicalPage(Handle view, int pageIndex) {
  View& record = ViewOf(view);
  if (pageIndex < 0 || pageIndex >= documents_.PageCount(record.doc))
    throw HostError(kErrBadParameter);
  const int before = record.logical;
  record.logical = pageIndex;
  return before;
}

std::vector<int> ViewStore::VisiblePages(Handle view) const {
  const View& record = ViewOf(view);
  std::vector<int> pages;
  if (record.layout.mode == LayoutMode::kSinglePage) {
    pages.push_back(record.current);
    return pages;
  }
  const PagePlacer& placer = Placer(record);
  const ViewGeometry& g = record.geometry;
  int first = 0, last = 0;
  placer.LaidOut(record.current, &first, &last);
  for (int i = first; i <= last; ++i) {
    const PagePlace place = placer.PlaceOf(i);
    const double left = place.x - g.scrollX, top = place.y - g.scrollY;
    if (i == record.current ||
        Overlaps(g.aperture, left, top, left + placer.Width(i), top + placer.Height(i)))
      pages.push_back(i);
  }
  return pages;
}

bool ViewStore::IsVisible(Handle view, int pageIndex) const {
  for (int page : VisiblePages(view))
    if (page == pageIndex) return true;
  return false;
}

void ViewStore::Close(Handle view) {
  DestroyPageViewWindow(ViewOf(view).window);
  Host::Current().viewer().ForgetView(view);
  views_.erase(view);
  order_.erase(std::find(order_.begin(), order_.end(), view));
}

void ViewStore::BeforePluginCall() {
  std::map<Handle, int> logical;
  for (const auto& view : views_) logical.emplace(view.first, view.second.logical);
  logicalBefore_.push_back(std::move(logical));
}

void ViewStore::AfterPluginCall(const char* what, bool completed) {
  if (logicalBefore_.empty()) return;
  const std::map<Handle, int> before = std::move(logicalBefore_.back());
  logicalBefore_.pop_back();
  for (const auto& entry : before) {
    auto found = views_.find(entry.first);
    if (found == views_.end() || found->second.logical == entry.second) continue;
    if (completed)
      Host::Current().BreakRule(std::string(what) + " left the page view's logical page at page " +
                                std::to_string(found->second.logical + 1) + " instead of page " +
                                std::to_string(entry.second + 1));
    found->second.logical = entry.second;
  }
}

void ViewStore::ForgetDocument(Handle doc) {
  for (Handle view : ViewsOf(doc)) Close(view);
  auto found = docViews_.find(doc);
  if (found != docViews_.end()) {
    viewDocs_.erase(found->second);
    docViews_.erase(found);
  }
}

std::vector<Handle> ViewStore::ViewsOf(Handle doc) const {
  std::vector<Handle> result;
  for (Handle view : order_)
    if (views_.at(view).doc == doc) result.push_back(view);
  return result;
}

Handle ViewStore::DocView(Handle doc) {
  documents_.CheckDocument(doc);
  auto found = docViews_.find(doc);
  if (found != docViews_.end()) return found->second;
  const Handle avDoc = Host::Current().NewHandle();
  docViews_.emplace(doc, avDoc);
  viewDocs_.emplace(avDoc, doc);
  return avDoc;
}

Handle ViewStore::DocOfDocView(Handle avDoc) const {
  auto found = viewDocs_.find(avDoc);
  if (found == viewDocs_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

DevRect ViewStore::Device(const View& record, int pageIndex, const FixedRect& rect) const {
  const ViewGeometry& g = record.geometry;
  const Box box = documents_.MediaBox(documents_.Page(record.doc, pageIndex));
  const PagePlace place = Placer(record).PlaceOf(pageIndex);
  const double originX = place.x - g.scrollX, originY = place.y - g.scrollY;
  auto x = [&](ASFixed v) { return ToDeviceInt(originX + (FromFixed(v) - box.left) * g.zoom); };
  auto y = [&](ASFixed v) { return ToDeviceInt(originY + (box.top - FromFixed(v)) * g.zoom); };
  const ASInt32 x0 = x(rect.left), x1 = x(rect.right), y0 = y(rect.top), y1 = y(rect.bottom);
  return DevRect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

DevRect ViewStore::ToDevice(Handle view, const FixedRect& rect) const {
  const View& record = ViewOf(view);
  return Device(record, record.logical, rect);
}

DevRect ViewStore::ToDeviceOnPage(Handle view, int pageIndex, const FixedRect& rect) const {
  return Device(ViewOf(view), pageIndex, rect);
}

DevRect ViewStore::PageRect(Handle view, int pageIndex) const {
  const View& record = ViewOf(view);
  const Box box = documents_.MediaBox(documents_.Page(record.doc, pageIndex));
  FixedRect rect{};
  if (!ToFixed(box.left, &rect.left) || !ToFixed(box.top, &rect.top) ||
      !ToFixed(box.right, &rect.right) || !ToFixed(box.bottom, &rect.bottom))
    throw HostError(kErrBadParameter);
  return Device(record, pageIndex, rect);
}

FixedRect ViewStore::ToPage(Handle view, const DevRect& rect) const {
  const View& record = ViewOf(view);
  const ViewGeometry& g = record.geometry;
  const Box box = documents_.MediaBox(documents_.Page(record.doc, record.logical));
  const PagePlace place = Placer(record).PlaceOf(record.logical);
  const double originX = place.x - g.scrollX, originY = place.y - g.scrollY;
  auto x = [&](ASInt32 v) {
    ASFixed fixed;
    if (!ToFixed(box.left + (double(v) - originX) / g.zoom, &fixed))
      throw HostError(kErrBadParameter);
    return fixed;
  };
  auto y = [&](ASInt32 v) {
    ASFixed fixed;
    if (!ToFixed(box.top - (double(v) - originY) / g.zoom, &fixed))
      throw HostError(kErrBadParameter);
    return fixed;
  };
  const ASFixed x0 = x(rect.left), x1 = x(rect.right), y0 = y(rect.top), y1 = y(rect.bottom);
  return FixedRect{std::min(x0, x1), std::max(y0, y1), std::max(x0, x1), std::min(y0, y1)};
}

}  // namespace refhost
