// The host's page views and document views, and what the plug-in's AcroView calls left
// behind (alerts, invalidated rectangles).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "DocumentStore.h"
#include "HostAbi.h"
#include "PageViews.h"

namespace refhost {

// A page view's window, the size of its aperture: its client area is the aperture, so a
// child at device point (x, y) sits at (x - aperture.left, y - aperture.top). Null where
// page views have no windows (PageViewWindows.cpp keeps that platform difference).
void* CreatePageViewWindow(const DevRect& aperture);
void ResizePageViewWindow(void* window, const DevRect& aperture);
void DestroyPageViewWindow(void* window);

class ViewStore {
 public:
  explicit ViewStore(DocumentStore& documents) : documents_(documents) {}
  ~ViewStore();
  ViewStore(const ViewStore&) = delete;
  ViewStore& operator=(const ViewStore&) = delete;

  // --- Page views (every failure throws HostError) ----------------------------------
  Handle NewView(Handle doc, int pageIndex, const ViewGeometry& geometry, bool withWindow);
  void SetGeometry(Handle view, const ViewGeometry& geometry);
  const ViewGeometry& Geometry(Handle view) const { return ViewOf(view).geometry; }
  void SetPage(Handle view, int pageIndex);
  void Close(Handle view);
  // Closes every page view and the document view of a document that closes.
  void ForgetDocument(Handle doc);
  bool IsView(Handle view) const { return views_.count(view) != 0; }
  Handle Page(Handle view) const { return ViewOf(view).page; }
  Handle Doc(Handle view) const { return ViewOf(view).doc; }
  void* Window(Handle view) const { return ViewOf(view).window; }
  std::vector<Handle> ViewsOf(Handle doc) const;
  Handle DocView(Handle doc);  // made on first use
  Handle DocOfDocView(Handle avDoc) const;

  DevRect ToDevice(Handle view, const FixedRect& rect) const;
  FixedRect ToPage(Handle view, const DevRect& rect) const;

  // --- Records ----------------------------------------------------------------------
  void AddAlert(const std::string& text) { alerts_.push_back(text); }
  void AddInvalidation(Handle view, const DevRect& rect) { invalidations_.push_back({view, rect}); }
  const std::vector<std::string>& alerts() const { return alerts_; }
  const std::vector<Invalidation>& invalidations() const { return invalidations_; }
  void ClearRecords() {
    alerts_.clear();
    invalidations_.clear();
  }

 private:
  struct View {
    Handle doc;
    Handle page;
    ViewGeometry geometry;
    void* window;
  };
  const View& ViewOf(Handle view) const;

  DocumentStore& documents_;
  std::map<Handle, View> views_;
  std::vector<Handle> order_;
  std::map<Handle, Handle> docViews_;  // document -> document view
  std::map<Handle, Handle> viewDocs_;  // document view -> document
  std::vector<std::string> alerts_;
  std::vector<Invalidation> invalidations_;
};

}  // namespace refhost
