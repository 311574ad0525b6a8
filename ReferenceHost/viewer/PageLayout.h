// The viewer's page layouts: where each page of a document lies in a page view.
//
//   single page         one page at a time, at the view's page position
//   one column          every page, one under the other (continuous scrolling)
//   two pages (facing)  the two pages of one spread side by side
//   two columns         every spread, one under the other (continuous facing)
//
// Odd pages go on the left of a spread, or on the right (then page 1 stands alone on the
// right). Pages are kPageGap device pixels apart, across and down, whatever the zoom. A
// page's place is the device position of its top left corner at scroll (0, 0); the first
// row starts at the view's page position.
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"

namespace refhost {

enum class LayoutMode { kSinglePage, kOneColumn, kTwoPage, kTwoColumn };

struct Layout {
  LayoutMode mode = LayoutMode::kSinglePage;
  bool oddPagesRight = false;  // the two-page layouts only
  bool continuous() const {
    return mode == LayoutMode::kOneColumn || mode == LayoutMode::kTwoColumn;
  }
  bool twoUp() const { return mode == LayoutMode::kTwoPage || mode == LayoutMode::kTwoColumn; }
};
inline bool operator==(const Layout& x, const Layout& y) {
  return x.mode == y.mode && (!x.twoUp() || x.oddPagesRight == y.oddPagesRight);
}
inline bool operator!=(const Layout& x, const Layout& y) {
  return !(x == y);
}

// The viewer's layout numbers (PDLayoutMode), as AVPageViewGetLayoutMode answers them.
enum : ASInt32 {
  kPDLayoutDontCare = 0,
  kPDLayoutSinglePage = 1,
  kPDLayoutOneColumn = 2,
  kPDLayoutTwoColumnLeft = 3,
  kPDLayoutTwoColumnRight = 4,
  kPDLayoutTwoPageLeft = 5,
  kPDLayoutTwoPageRight = 6,
};
ASInt32 LayoutNumber(const Layout& layout);
bool LayoutFromNumber(ASInt32 number, Layout* layout);  // false for DontCare and unknowns
// The refhost tool's names: single, continuous, facing, continuous-facing.
bool LayoutFromName(const std::string& name, Layout* layout);
std::string LayoutName(const Layout& layout);
// A document catalog's /PageLayout name (SinglePage, OneColumn, TwoPageLeft, ...).
bool LayoutFromPageLayout(const std::string& name, Layout* layout);

constexpr int kPageGap = 8;

struct PageSize {
  double width, height;  // points
};
struct PagePlace {
  double x, y;
};

// The places of a document's pages in one layout at one zoom and page position.
class PagePlacer {
 public:
  PagePlacer(const Layout& layout, const std::vector<PageSize>& sizes, double zoom, int pageX,
             int pageY);
  int PageCount() const { return static_cast<int>(sizes_.size()); }
  // Where page `index` lies: in the layouts that show one page or one spread, where it lies
  // when its page or spread is shown.
  PagePlace PlaceOf(int index) const;
  // The pages that page `current` shows with it: itself (single page), its spread (two
  // pages) or every page (continuous), as the first and last index.
  void LaidOut(int current, int* first, int* last) const;
  // The device size of a page.
  double Width(int index) const { return sizes_[index].width * zoom_; }
  double Height(int index) const { return sizes_[index].height * zoom_; }

 private:
  int Row(int index) const;     // the row (spread) of a page in the two-page layouts
  int Column(int index) const;  // 0 left, 1 right
  int RowFirst(int row) const;  // the first page of a row, or -1 beyond the end

  Layout layout_;
  std::vector<PageSize> sizes_;
  double zoom_;
  int pageX_, pageY_;
  std::vector<double> rowTops_;  // continuous layouts: each row's top at scroll 0
};

}  // namespace refhost
