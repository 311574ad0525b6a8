#include "ViewStore.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Geometry.h"
#include "Host.h"
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

}  // namespace

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
  const Handle page = documents_.Page(doc, pageIndex);
  const Handle view = Host::Current().NewHandle();
  void* const window = withWindow ? CreatePageViewWindow(geometry.aperture) : nullptr;
  views_.emplace(view, View{doc, page, geometry, window});
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
  views_[view].geometry = geometry;
}

void ViewStore::SetPage(Handle view, int pageIndex) {
  const Handle page = documents_.Page(ViewOf(view).doc, pageIndex);
  views_[view].page = page;
}

void ViewStore::Close(Handle view) {
  DestroyPageViewWindow(ViewOf(view).window);
  Host::Current().viewer().ForgetView(view);
  views_.erase(view);
  order_.erase(std::find(order_.begin(), order_.end(), view));
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

DevRect ViewStore::ToDevice(Handle view, const FixedRect& rect) const {
  const View& record = ViewOf(view);
  const ViewGeometry& g = record.geometry;
  const Box box = documents_.MediaBox(record.page);
  const double originX = double(g.pageX) - g.scrollX, originY = double(g.pageY) - g.scrollY;
  auto x = [&](ASFixed v) { return ToDeviceInt(originX + (FromFixed(v) - box.left) * g.zoom); };
  auto y = [&](ASFixed v) { return ToDeviceInt(originY + (box.top - FromFixed(v)) * g.zoom); };
  const ASInt32 x0 = x(rect.left), x1 = x(rect.right), y0 = y(rect.top), y1 = y(rect.bottom);
  return DevRect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

FixedRect ViewStore::ToPage(Handle view, const DevRect& rect) const {
  const View& record = ViewOf(view);
  const ViewGeometry& g = record.geometry;
  const Box box = documents_.MediaBox(record.page);
  const double originX = double(g.pageX) - g.scrollX, originY = double(g.pageY) - g.scrollY;
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
