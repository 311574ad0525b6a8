// The host's page views and document views, and what the plug-in's AcroView calls left
// behind (alerts, invalidated rectangles).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DocumentStore.h"
#include "Host.h"
#include "HostAbi.h"
#include "PageLayout.h"
#include "PageViews.h"

namespace refhost {

// A page view's window, the size of its aperture: its client area is the aperture, so a
// child at device point (x, y) sits at (x - aperture.left, y - aperture.top). Null where
// page views have no windows (PageViewWindows.cpp keeps that platform difference).
void* CreatePageViewWindow(const DevRect& aperture);
void ResizePageViewWindow(void* window, const DevRect& aperture);
void DestroyPageViewWindow(void* window);

// Also the watcher of every call into the plug-in: a procedure that returns with a view's
// logical page changed (AVPageViewSetPageNum not undone) breaks the viewer's rule; the host
// says so and sets the page back. A call ended by a host error has that error reported
// already; the viewer sets the page back after it without a word.
class ViewStore : public PluginCallWatcher {
 public:
  explicit ViewStore(DocumentStore& documents) : documents_(documents) {}
  ~ViewStore() override;
  ViewStore(const ViewStore&) = delete;
  ViewStore& operator=(const ViewStore&) = delete;

  // --- Page views (every failure throws HostError) ----------------------------------
  // A new view takes the document's /PageLayout, or else the profile's default layout.
  Handle NewView(Handle doc, int pageIndex, const ViewGeometry& geometry, bool withWindow);
  // In the continuous layouts the current page follows the scroll position.
  void SetGeometry(Handle view, const ViewGeometry& geometry);
  const ViewGeometry& Geometry(Handle view) const { return ViewOf(view).geometry; }
  // Makes the page current: the continuous layouts scroll it to where the current page
  // was.
  void SetPage(Handle view, int pageIndex);
  // Another layout, the current page kept (scrolled to as SetPage does).
  void SetLayout(Handle view, const Layout& layout);
  const Layout& LayoutOf(Handle view) const { return ViewOf(view).layout; }
  void Close(Handle view);
  // Closes every page view and the document view of a document that closes.
  void ForgetDocument(Handle doc);
  bool IsView(Handle view) const { return views_.count(view) != 0; }
  // The logical page (AVPageViewGetPage): the current page, unless the plug-in set
  // another with AVPageViewSetPageNum since the view last changed.
  Handle Page(Handle view) const;
  int LogicalIndex(Handle view) const { return ViewOf(view).logical; }
  // Sets the logical page and answers the one before; nothing moves.
  int SetLogicalPage(Handle view, int pageIndex);
  // The page the viewer calls current: the one last shown with SetPage (of a spread, the
  // one asked for); in the continuous layouts, after any other change of the view, the
  // page that holds the aperture's middle line.
  Handle CurrentPage(Handle view) const;
  int CurrentIndex(Handle view) const { return ViewOf(view).current; }
  // The pages the view shows, in page order: those of its layout around the current page
  // that fall in the aperture (the single-page layout always shows its page).
  std::vector<int> VisiblePages(Handle view) const;
  bool IsVisible(Handle view, int pageIndex) const;
  Handle Doc(Handle view) const { return ViewOf(view).doc; }
  void* Window(Handle view) const { return ViewOf(view).window; }
  std::vector<Handle> ViewsOf(Handle doc) const;
  Handle DocView(Handle doc);  // made on first use
  Handle DocOfDocView(Handle avDoc) const;

  // Device conversions at the logical page's place in the view (the AcroView operations),
  // or at a given page's (the viewer's own drawing and hit tests).
  DevRect ToDevice(Handle view, const FixedRect& rect) const;
  FixedRect ToPage(Handle view, const DevRect& rect) const;
  DevRect ToDeviceOnPage(Handle view, int pageIndex, const FixedRect& rect) const;
  // A page's media box in the view.
  DevRect PageRect(Handle view, int pageIndex) const;

  void BeforePluginCall() override;
  void AfterPluginCall(const char* what, bool completed) override;

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
    Layout layout;
    int current;  // page indices
    int logical;
    ViewGeometry geometry;
    void* window;
    mutable std::shared_ptr<const PagePlacer> placer;  // made on first use after a change
  };
  const View& ViewOf(Handle view) const;
  View& ViewOf(Handle view);
  const PagePlacer& Placer(const View& record) const;
  // After a change of the view: the current page follows the scroll (continuous layouts)
  // and the logical page is the current one again.
  void Changed(View& record);
  // Makes the page current (and logical); the continuous layouts scroll so that its top
  // comes to device y `fromY` at the present scroll position.
  void ScrollTo(View& record, int pageIndex, double fromY);
  DevRect Device(const View& record, int pageIndex, const FixedRect& rect) const;

  DocumentStore& documents_;
  std::map<Handle, View> views_;
  std::vector<Handle> order_;
  std::vector<std::map<Handle, int>> logicalBefore_;  // per call into the plug-in, nested
  std::map<Handle, Handle> docViews_;                 // document -> document view
  std::map<Handle, Handle> viewDocs_;                 // document view -> document
  std::vector<std::string> alerts_;
  std::vector<Invalidation> invalidations_;
};

}  // namespace refhost
