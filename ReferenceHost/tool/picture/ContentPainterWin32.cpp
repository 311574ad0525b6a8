#include "ContentPainterWin32.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "ContentStream.h"
#include "Objects.h"

namespace refhosttool {
namespace {

// Bounds on what one content stream may cost: content is untrusted.
constexpr int kMaxOperators = 100000;
constexpr size_t kMaxSavedStates = 64;
constexpr size_t kMaxPathPoints = 10000;
constexpr double kMaxDeviceCoordinate = 1e6;

COLORREF Gray(double g) {
  const int v = static_cast<int>(std::lround(std::max(0.0, std::min(g, 1.0)) * 255));
  return RGB(v, v, v);
}

COLORREF Color(double r, double g, double b) {
  const auto byte = [](double v) {
    return static_cast<BYTE>(std::lround(std::max(0.0, std::min(v, 1.0)) * 255));
  };
  return RGB(byte(r), byte(g), byte(b));
}

struct GraphicsState {
  Matrix ctm;
  double lineWidth = 1;
  COLORREF stroke = RGB(0, 0, 0);
  COLORREF fill = RGB(0, 0, 0);
  std::string fontName;  // the BaseFont of the font resource
  double fontSize = 0;
  double leading = 0;
};

// Paints one content stream with GDI into device coordinates.
class ContentPainter {
 public:
  ContentPainter(HDC dc, refhost::CosObj resources) : dc_(dc), resources_(resources) {}

  void Run(const std::string& content, const Matrix& ctm) {
    state_.ctm = ctm;
    ReadContent(
        content, kMaxOperators,
        [this](const std::string& op, const std::vector<Operand>& operands) { Do(op, operands); });
  }

 private:
  // The last `n` operands as numbers; false when there are fewer or they are not numbers.
  static bool Numbers(const std::vector<Operand>& operands, size_t n, double* values) {
    if (operands.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
      const Operand& operand = operands[operands.size() - n + i];
      if (operand.kind != Operand::Number) return false;
      values[i] = operand.number;
    }
    return true;
  }

  void Do(const std::string& op, const std::vector<Operand>& operands) {
    double v[6];
    if (op == "q") {
      if (saved_.size() < kMaxSavedStates) saved_.push_back(state_);
    } else if (op == "Q") {
      if (!saved_.empty()) {
        state_ = saved_.back();
        saved_.pop_back();
      }
    } else if (op == "cm" && Numbers(operands, 6, v)) {
      state_.ctm = Then(Matrix{v[0], v[1], v[2], v[3], v[4], v[5]}, state_.ctm);
    } else if (op == "w" && Numbers(operands, 1, v)) {
      state_.lineWidth = std::fabs(v[0]);
    } else if (op == "G" && Numbers(operands, 1, v)) {
      state_.stroke = Gray(v[0]);
    } else if (op == "g" && Numbers(operands, 1, v)) {
      state_.fill = Gray(v[0]);
    } else if (op == "RG" && Numbers(operands, 3, v)) {
      state_.stroke = Color(v[0], v[1], v[2]);
    } else if (op == "rg" && Numbers(operands, 3, v)) {
      state_.fill = Color(v[0], v[1], v[2]);
    } else if ((op == "K" || op == "k") && Numbers(operands, 4, v)) {
      (op == "K" ? state_.stroke : state_.fill) =
          Color((1 - v[0]) * (1 - v[3]), (1 - v[1]) * (1 - v[3]), (1 - v[2]) * (1 - v[3]));
    } else if (op == "m" && Numbers(operands, 2, v)) {
      StartSubpath({v[0], v[1]});
    } else if (op == "l" && Numbers(operands, 2, v)) {
      LineTo({v[0], v[1]});
    } else if (op == "re" && Numbers(operands, 4, v)) {
      StartSubpath({v[0], v[1]});
      LineTo({v[0] + v[2], v[1]});
      LineTo({v[0] + v[2], v[1] + v[3]});
      LineTo({v[0], v[1] + v[3]});
      ClosePath();
    } else if (op == "h") {
      ClosePath();
    } else if (op == "S" || op == "s") {
      if (op == "s") ClosePath();
      Stroke();
      path_.clear();
    } else if (op == "f" || op == "F" || op == "f*") {
      Fill(op == "f*");
      path_.clear();
    } else if (op == "B" || op == "B*" || op == "b" || op == "b*") {
      if (op[0] == 'b') ClosePath();
      Fill(op.size() == 2);
      Stroke();
      path_.clear();
    } else if (op == "n") {
      path_.clear();
    } else if (op == "BT") {
      textMatrix_ = lineMatrix_ = Matrix();
    } else if (op == "Tf" && Numbers(operands, 1, v) && operands.size() >= 2 &&
               operands[operands.size() - 2].kind == Operand::Name) {
      state_.fontName = BaseFont(operands[operands.size() - 2].text);
      state_.fontSize = v[0];
    } else if (op == "TL" && Numbers(operands, 1, v)) {
      state_.leading = v[0];
    } else if ((op == "Td" || op == "TD") && Numbers(operands, 2, v)) {
      if (op == "TD") state_.leading = -v[1];
      lineMatrix_ = textMatrix_ = Then(Matrix{1, 0, 0, 1, v[0], v[1]}, lineMatrix_);
    } else if (op == "Tm" && Numbers(operands, 6, v)) {
      lineMatrix_ = textMatrix_ = Matrix{v[0], v[1], v[2], v[3], v[4], v[5]};
    } else if (op == "T*") {
      NextLine();
    } else if (op == "Tj" && !operands.empty()) {
      ShowText(operands.back());
    } else if (op == "'" && !operands.empty()) {
      NextLine();
      ShowText(operands.back());
    } else if (op == "TJ" && !operands.empty() && operands.back().kind == Operand::Array) {
      for (const Operand& item : operands.back().items) {
        if (item.kind == Operand::Number)
          textMatrix_ =
              Then(Matrix{1, 0, 0, 1, -item.number / 1000 * state_.fontSize, 0}, textMatrix_);
        else
          ShowText(item);
      }
    }
  }

  void StartSubpath(Point p) {
    if (Points() >= kMaxPathPoints) return;
    path_.push_back({{p}, false});
  }
  void LineTo(Point p) {
    if (path_.empty() || Points() >= kMaxPathPoints) return;
    path_.back().points.push_back(p);
  }
  void ClosePath() {
    if (!path_.empty()) path_.back().closed = true;
  }
  size_t Points() const {
    size_t n = 0;
    for (const Subpath& subpath : path_) n += subpath.points.size();
    return n;
  }

  void FillPolygons(const std::vector<std::vector<POINT>>& polygons, COLORREF color, bool evenOdd) {
    std::vector<POINT> points;
    std::vector<INT> counts;
    for (const std::vector<POINT>& polygon : polygons) {
      if (polygon.size() < 3) continue;
      points.insert(points.end(), polygon.begin(), polygon.end());
      counts.push_back(static_cast<INT>(polygon.size()));
    }
    if (counts.empty()) return;
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ oldBrush = SelectObject(dc_, brush);
    HGDIOBJ oldPen = SelectObject(dc_, GetStockObject(NULL_PEN));
    SetPolyFillMode(dc_, evenOdd ? ALTERNATE : WINDING);
    PolyPolygon(dc_, points.data(), counts.data(), static_cast<int>(counts.size()));
    SelectObject(dc_, oldPen);
    SelectObject(dc_, oldBrush);
    DeleteObject(brush);
  }

  void Fill(bool evenOdd) {
    std::vector<std::vector<POINT>> polygons;
    for (const Subpath& subpath : path_) {
      std::vector<POINT> polygon;
      for (const Point& p : subpath.points) polygon.push_back(DevicePoint(Apply(state_.ctm, p)));
      polygons.push_back(polygon);
    }
    FillPolygons(polygons, state_.fill, evenOdd);
  }

  // Each segment is widened in user space into a quadrilateral that reaches half the line
  // width past both ends, so that the corners of rectangles are square; the device then
  // sees the line width scaled as the transform scales it, also unevenly.
  void Stroke() {
    const double half = std::max(state_.lineWidth, 1e-9) / 2;
    std::vector<std::vector<POINT>> quads;
    for (const Subpath& subpath : path_) {
      std::vector<Point> points = subpath.points;
      if (subpath.closed && points.size() > 1) points.push_back(points.front());
      for (size_t i = 1; i < points.size(); ++i) {
        const Point p = points[i - 1], q = points[i];
        const double dx = q.x - p.x, dy = q.y - p.y;
        const double length = std::hypot(dx, dy);
        if (!(length > 0)) continue;
        const double ux = dx / length * half, uy = dy / length * half;
        const Point corners[4] = {{p.x - ux - uy, p.y - uy + ux},
                                  {q.x + ux - uy, q.y + uy + ux},
                                  {q.x + ux + uy, q.y + uy - ux},
                                  {p.x - ux + uy, p.y - uy - ux}};
        std::vector<POINT> quad;
        for (const Point& corner : corners) quad.push_back(DevicePoint(Apply(state_.ctm, corner)));
        quads.push_back(quad);
      }
    }
    // Winding fill, so that overlapping corners do not cancel out.
    FillPolygons(quads, state_.stroke, false);
  }

  void NextLine() {
    lineMatrix_ = textMatrix_ = Then(Matrix{1, 0, 0, 1, 0, -state_.leading}, lineMatrix_);
  }

  std::string BaseFont(const std::string& resourceName) const {
    try {
      const refhost::CosObj fonts = refhost::DictValue(resources_, "Font");
      if (refhost::ObjType(fonts) != refhost::kCosDict) return std::string();
      const refhost::CosObj font = refhost::DictValue(fonts, resourceName);
      if (refhost::ObjType(font) != refhost::kCosDict) return std::string();
      const refhost::CosObj base = refhost::DictValue(font, "BaseFont");
      return refhost::ObjType(base) == refhost::kCosName ? refhost::NameText(base) : std::string();
    } catch (const std::exception&) {
      return std::string();
    }
  }

  // The text in the font's size, drawn through a world transform that is the text's own
  // rendering matrix (glyphs at 1000 units an em), so that the form's uneven stretch
  // applies to the letters too. The bytes are read as Windows' Western set, near enough to
  // the standard encodings of simple fonts, whatever the ANSI code page.
  void ShowText(const Operand& text) {
    if (text.kind != Operand::String || text.text.empty() || state_.fontSize == 0) return;
    const Matrix size{state_.fontSize, 0, 0, state_.fontSize, 0, 0};
    const Matrix rendering = Then(Then(size, textMatrix_), state_.ctm);
    const std::string& base = state_.fontName;
    const bool bold = base.find("Bold") != std::string::npos;
    const bool italic =
        base.find("Italic") != std::string::npos || base.find("Oblique") != std::string::npos;
    const char* face = base.find("Times") != std::string::npos     ? "Times New Roman"
                       : base.find("Courier") != std::string::npos ? "Courier New"
                                                                   : "Arial";
    HFONT font = CreateFontA(-1000, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, FALSE, FALSE,
                             ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, face);
    const int oldMode = SetGraphicsMode(dc_, GM_ADVANCED);
    XFORM old;
    GetWorldTransform(dc_, &old);
    // GDI's glyphs stand with y growing downwards: the glyph space's y is turned over.
    const XFORM xform{
        static_cast<FLOAT>(rendering.a / 1000),  static_cast<FLOAT>(rendering.b / 1000),
        static_cast<FLOAT>(-rendering.c / 1000), static_cast<FLOAT>(-rendering.d / 1000),
        static_cast<FLOAT>(rendering.e),         static_cast<FLOAT>(rendering.f)};
    SIZE extent{0, 0};
    if (std::isfinite(rendering.e) && std::isfinite(rendering.f) &&
        SetWorldTransform(dc_, &xform)) {
      HGDIOBJ oldFont = SelectObject(dc_, font);
      SetTextAlign(dc_, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
      SetBkMode(dc_, TRANSPARENT);
      SetTextColor(dc_, state_.fill);
      const int length = static_cast<int>(std::min<size_t>(text.text.size(), 4096));
      TextOutA(dc_, 0, 0, text.text.data(), length);
      GetTextExtentPoint32A(dc_, text.text.data(), length, &extent);
      SelectObject(dc_, oldFont);
      SetWorldTransform(dc_, &old);
    }
    SetGraphicsMode(dc_, oldMode);
    DeleteObject(font);
    textMatrix_ = Then(Matrix{1, 0, 0, 1, extent.cx / 1000.0 * state_.fontSize, 0}, textMatrix_);
  }

  struct Subpath {
    std::vector<Point> points;
    bool closed;
  };

  HDC dc_;
  refhost::CosObj resources_;
  GraphicsState state_;
  std::vector<GraphicsState> saved_;
  std::vector<Subpath> path_;
  Matrix textMatrix_, lineMatrix_;
};

}  // namespace

POINT DevicePoint(Point p) {
  const auto clamp = [](double v) {
    if (!std::isfinite(v)) return 0L;
    return static_cast<LONG>(
        std::lround(std::max(-kMaxDeviceCoordinate, std::min(v, kMaxDeviceCoordinate))));
  };
  return POINT{clamp(p.x), clamp(p.y)};
}

void PaintContent(HDC dc, const std::string& content, refhost::CosObj resources,
                  const Matrix& ctm) {
  ContentPainter(dc, resources).Run(content, ctm);
}

}  // namespace refhosttool
