#include "PageLayout.h"

#include <algorithm>

namespace refhost {

ASInt32 LayoutNumber(const Layout& layout) {
  switch (layout.mode) {
    case LayoutMode::kSinglePage:
      return kPDLayoutSinglePage;
    case LayoutMode::kOneColumn:
      return kPDLayoutOneColumn;
    case LayoutMode::kTwoPage:
      return layout.oddPagesRight ? kPDLayoutTwoPageRight : kPDLayoutTwoPageLeft;
    case LayoutMode::kTwoColumn:
      return layout.oddPagesRight ? kPDLayoutTwoColumnRight : kPDLayoutTwoColumnLeft;
  }
  return kPDLayoutSinglePage;
}

bool LayoutFromNumber(ASInt32 number, Layout* layout) {
  switch (number) {
    case kPDLayoutSinglePage:
      *layout = Layout{LayoutMode::kSinglePage, false};
      return true;
    case kPDLayoutOneColumn:
      *layout = Layout{LayoutMode::kOneColumn, false};
      return true;
    case kPDLayoutTwoColumnLeft:
    case kPDLayoutTwoColumnRight:
      *layout = Layout{LayoutMode::kTwoColumn, number == kPDLayoutTwoColumnRight};
      return true;
    case kPDLayoutTwoPageLeft:
    case kPDLayoutTwoPageRight:
      *layout = Layout{LayoutMode::kTwoPage, number == kPDLayoutTwoPageRight};
      return true;
    default:
      return false;
  }
}

namespace {

struct Named {
  const char* name;
  Layout layout;
};
const Named kToolNames[] = {{"single", {LayoutMode::kSinglePage, false}},
                            {"continuous", {LayoutMode::kOneColumn, false}},
                            {"facing", {LayoutMode::kTwoPage, false}},
                            {"continuous-facing", {LayoutMode::kTwoColumn, false}}};
const Named kPageLayoutNames[] = {{"SinglePage", {LayoutMode::kSinglePage, false}},
                                  {"OneColumn", {LayoutMode::kOneColumn, false}},
                                  {"TwoPageLeft", {LayoutMode::kTwoPage, false}},
                                  {"TwoPageRight", {LayoutMode::kTwoPage, true}},
                                  {"TwoColumnLeft", {LayoutMode::kTwoColumn, false}},
                                  {"TwoColumnRight", {LayoutMode::kTwoColumn, true}}};

template <size_t N>
bool Find(const Named (&table)[N], const std::string& name, Layout* layout) {
  for (const Named& entry : table)
    if (name == entry.name) {
      *layout = entry.layout;
      return true;
    }
  return false;
}

}  // namespace

bool LayoutFromName(const std::string& name, Layout* layout) {
  return Find(kToolNames, name, layout);
}

std::string LayoutName(const Layout& layout) {
  std::string name;
  for (const Named& entry : kToolNames)
    if (entry.layout.mode == layout.mode) name = entry.name;
  if (layout.twoUp() && layout.oddPagesRight) name += " (odd pages on the right)";
  return name;
}

bool LayoutFromPageLayout(const std::string& name, Layout* layout) {
  return Find(kPageLayoutNames, name, layout);
}

PagePlacer::PagePlacer(const Layout& layout, const std::vector<PageSize>& sizes, double zoom,
                       int pageX, int pageY)
    : layout_(layout), sizes_(sizes), zoom_(zoom), pageX_(pageX), pageY_(pageY) {
  if (!layout_.continuous()) return;
  double top = pageY_;
  for (int row = 0;; ++row) {
    const int first = RowFirst(row);
    if (first < 0) break;
    rowTops_.push_back(top);
    double height = Height(first);
    if (layout_.twoUp() && first + 1 < PageCount() && Row(first + 1) == row)
      height = std::max(height, Height(first + 1));
    top += height + kPageGap;
  }
}

int PagePlacer::Row(int index) const {
  if (!layout_.twoUp()) return index;
  return layout_.oddPagesRight ? (index + 1) / 2 : index / 2;
}

int PagePlacer::Column(int index) const {
  if (!layout_.twoUp()) return 0;
  return layout_.oddPagesRight ? (index + 1) % 2 : index % 2;
}

int PagePlacer::RowFirst(int row) const {
  int first = row;
  if (layout_.twoUp()) first = layout_.oddPagesRight ? std::max(0, 2 * row - 1) : 2 * row;
  return first < PageCount() ? first : -1;
}

PagePlace PagePlacer::PlaceOf(int index) const {
  double x = pageX_;
  if (Column(index) == 1) {
    // Beside the page on its left, or where a page of its own width would be.
    const int left = index - 1;
    x += (left >= 0 && Row(left) == Row(index) ? Width(left) : Width(index)) + kPageGap;
  }
  const double y = layout_.continuous() ? rowTops_[Row(index)] : pageY_;
  return PagePlace{x, y};
}

void PagePlacer::LaidOut(int current, int* first, int* last) const {
  if (layout_.continuous()) {
    *first = 0;
    *last = PageCount() - 1;
    return;
  }
  *first = *last = current;
  if (!layout_.twoUp()) return;
  *first = RowFirst(Row(current));
  *last = *first;
  if (*first + 1 < PageCount() && Row(*first + 1) == Row(current)) ++*last;
}

}  // namespace refhost
