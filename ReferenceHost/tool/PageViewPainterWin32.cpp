#include "PageViewPainter.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "Documents.h"
#include "Geometry.h"
#include "Objects.h"
#include "PageViews.h"
#include "Viewer.h"

namespace refhosttool {
namespace {

const COLORREF kOutsidePage = RGB(128, 128, 128);
const COLORREF kPage = RGB(255, 255, 255);
// Bounds on what one appearance may cost: content is untrusted.
constexpr int kMaxOperators = 100000;
constexpr size_t kMaxSavedStates = 64;
constexpr size_t kMaxPathPoints = 10000;
constexpr double kMaxDeviceCoordinate = 1e6;
constexpr size_t kMaxContentBytes = 1 << 20;

// An affine transform as PDF writes it: a point (x, y) goes to (a x + c y + e, b x + d y + f).
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// `first` applied, then `second`.
Matrix Then(const Matrix& first, const Matrix& second) {
  return {first.a * second.a + first.b * second.c,
          first.a * second.b + first.b * second.d,
          first.c * second.a + first.d * second.c,
          first.c * second.b + first.d * second.d,
          first.e * second.a + first.f * second.c + second.e,
          first.e * second.b + first.f * second.d + second.f};
}

struct Point {
  double x, y;
};

Point Apply(const Matrix& m, Point p) {
  return {m.a * p.x + m.c * p.y + m.e, m.b * p.x + m.d * p.y + m.f};
}

POINT DevicePoint(Point p) {
  const auto clamp = [](double v) {
    if (!std::isfinite(v)) return 0L;
    return static_cast<LONG>(
        std::lround(std::max(-kMaxDeviceCoordinate, std::min(v, kMaxDeviceCoordinate))));
  };
  return POINT{clamp(p.x), clamp(p.y)};
}

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

// --- Content tokens ---------------------------------------------------------------------

struct Operand {
  enum Kind { Number, Name, String, Array, Other } kind = Other;
  double number = 0;
  std::string text;  // name (without the slash) or string bytes
  std::vector<Operand> items;
};

class Lexer {
 public:
  explicit Lexer(const std::string& data) : data_(data) {}

  // The next operator with its operands; false at the end.
  bool Next(std::string* op, std::vector<Operand>* operands) {
    operands->clear();
    for (;;) {
      SkipSpace();
      if (at_ >= data_.size()) return false;
      const char c = data_[at_];
      if (c == '[') {
        ++at_;
        Operand array;
        array.kind = Operand::Array;
        for (;;) {
          SkipSpace();
          if (at_ >= data_.size() || data_[at_] == ']') break;
          Operand item;
          if (!ReadOperand(&item)) {
            ++at_;  // a stray operator inside an array is dropped
            continue;
          }
          if (array.items.size() < 4096) array.items.push_back(item);
        }
        ++at_;
        operands->push_back(array);
        continue;
      }
      Operand operand;
      if (ReadOperand(&operand)) {
        if (operands->size() < 64) operands->push_back(operand);
        continue;
      }
      if (c == '<' && At(1) == '<') {
        at_ += 2;
        SkipDictionary();
        operands->push_back(Operand());
        continue;
      }
      const size_t start = at_;
      while (at_ < data_.size() && !IsSpace(data_[at_]) && !IsDelimiter(data_[at_])) ++at_;
      if (at_ == start) ++at_;  // a lone delimiter
      *op = data_.substr(start, at_ - start);
      return true;
    }
  }

 private:
  static bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
  }
  static bool IsDelimiter(char c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
  }
  char At(size_t offset) const { return at_ + offset < data_.size() ? data_[at_ + offset] : '\0'; }
  void SkipSpace() {
    while (at_ < data_.size()) {
      if (data_[at_] == '%') {
        while (at_ < data_.size() && data_[at_] != '\n' && data_[at_] != '\r') ++at_;
      } else if (IsSpace(data_[at_])) {
        ++at_;
      } else {
        break;
      }
    }
  }
  void SkipDictionary() {
    for (int depth = 1; at_ < data_.size() && depth > 0; ++at_) {
      if (data_[at_] == '<' && At(1) == '<')
        ++depth, ++at_;
      else if (data_[at_] == '>' && At(1) == '>')
        --depth, ++at_;
    }
  }
  bool ReadOperand(Operand* operand) {
    const char c = data_[at_];
    if (c == '/') {
      const size_t start = ++at_;
      while (at_ < data_.size() && !IsSpace(data_[at_]) && !IsDelimiter(data_[at_])) ++at_;
      operand->kind = Operand::Name;
      operand->text = data_.substr(start, at_ - start);
      return true;
    }
    if (c == '(') {
      ++at_;
      operand->kind = Operand::String;
      ReadLiteralString(&operand->text);
      return true;
    }
    if (c == '<' && At(1) != '<') {
      ++at_;
      operand->kind = Operand::String;
      ReadHexString(&operand->text);
      return true;
    }
    if (c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9')) {
      const size_t start = at_;
      while (at_ < data_.size() && (data_[at_] == '+' || data_[at_] == '-' || data_[at_] == '.' ||
                                    (data_[at_] >= '0' && data_[at_] <= '9')))
        ++at_;
      operand->kind = Operand::Number;
      operand->number = std::strtod(data_.substr(start, at_ - start).c_str(), nullptr);
      if (!std::isfinite(operand->number)) operand->number = 0;
      return true;
    }
    return false;
  }
  void ReadLiteralString(std::string* text) {
    for (int depth = 1; at_ < data_.size();) {
      char c = data_[at_++];
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (--depth == 0) return;
      } else if (c == '\\' && at_ < data_.size()) {
        c = data_[at_++];
        switch (c) {
          case 'n':
            c = '\n';
            break;
          case 'r':
            c = '\r';
            break;
          case 't':
            c = '\t';
            break;
          case 'b':
            c = '\b';
            break;
          case 'f':
            c = '\f';
            break;
          case '\r':
          case '\n':
            continue;
          default:
            if (c >= '0' && c <= '7') {
              int value = c - '0';
              for (int i = 0; i < 2 && at_ < data_.size() && data_[at_] >= '0' && data_[at_] <= '7';
                   ++i)
                value = value * 8 + (data_[at_++] - '0');
              c = static_cast<char>(value);
            }
        }
      }
      text->push_back(c);
    }
  }
  void ReadHexString(std::string* text) {
    int high = -1;
    for (; at_ < data_.size() && data_[at_] != '>'; ++at_) {
      const char c = data_[at_];
      int value = -1;
      if (c >= '0' && c <= '9') value = c - '0';
      if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
      if (value < 0) continue;
      if (high < 0) {
        high = value;
      } else {
        text->push_back(static_cast<char>(high * 16 + value));
        high = -1;
      }
    }
    if (high >= 0) text->push_back(static_cast<char>(high * 16));
    ++at_;
  }

  const std::string& data_;
  size_t at_ = 0;
};

// --- Painting ---------------------------------------------------------------------------

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
    Lexer lexer(content);
    std::string op;
    std::vector<Operand> operands;
    for (int count = 0; count < kMaxOperators && lexer.Next(&op, &operands); ++count)
      Do(op, operands);
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

// The annotation's normal appearance: AP /N, or the entry of N its AS names.
refhost::CosObj NormalAppearance(refhost::PDAnnot annot) {
  using namespace refhost;
  const CosObj dict = AnnotationDict(annot);
  const CosObj ap = DictValue(dict, "AP");
  if (ObjType(ap) != kCosDict) return NullObject();
  CosObj normal = DictValue(ap, "N");
  if (ObjType(normal) == kCosDict) {
    const CosObj state = DictValue(dict, "AS");
    normal = ObjType(state) == kCosName ? DictValue(normal, NameText(state)) : NullObject();
  }
  return ObjType(normal) == kCosStream ? normal : NullObject();
}

bool NumberArray(refhost::CosObj array, int n, double* values) {
  using namespace refhost;
  if (ObjType(array) != kCosArray || ArrayLength(array) != n) return false;
  for (int i = 0; i < n; ++i) {
    const CosObj item = ArrayItem(array, i);
    if (ObjType(item) != kCosInteger && ObjType(item) != kCosReal) return false;
    values[i] = NumberValue(item);
  }
  return true;
}

// Draws a form into the annotation's rectangle as a viewer does: the form's bounding box,
// carried by its matrix, is fitted into the rectangle and clips what the form draws.
void PaintAppearance(HDC dc, refhost::CosObj form, const refhost::FixedRect& rect,
                     const Matrix& pageToDevice) {
  using namespace refhost;
  const CosObj dict = StreamDictOf(form);
  double box[4], m[6] = {1, 0, 0, 1, 0, 0};
  if (!NumberArray(DictValue(dict, "BBox"), 4, box)) return;
  NumberArray(DictValue(dict, "Matrix"), 6, m);
  const Matrix formMatrix{m[0], m[1], m[2], m[3], m[4], m[5]};
  const Point corners[4] = {{box[0], box[1]}, {box[2], box[1]}, {box[2], box[3]}, {box[0], box[3]}};
  double left = INFINITY, bottom = INFINITY, right = -INFINITY, top = -INFINITY;
  for (const Point& corner : corners) {
    const Point p = Apply(formMatrix, corner);
    left = std::min(left, p.x), right = std::max(right, p.x);
    bottom = std::min(bottom, p.y), top = std::max(top, p.y);
  }
  if (!(right > left) || !(top > bottom)) return;
  const double rl = FromFixed(rect.left), rb = FromFixed(rect.bottom);
  const double sx = (FromFixed(rect.right) - rl) / (right - left);
  const double sy = (FromFixed(rect.top) - rb) / (top - bottom);
  const Matrix fit{sx, 0, 0, sy, rl - left * sx, rb - bottom * sy};
  const Matrix toDevice = Then(Then(formMatrix, fit), pageToDevice);

  const std::string content = StreamData(form);
  if (content.size() > kMaxContentBytes) return;
  const int saved = SaveDC(dc);
  POINT clip[4];
  for (int i = 0; i < 4; ++i) clip[i] = DevicePoint(Apply(toDevice, corners[i]));
  HRGN region = CreatePolygonRgn(clip, 4, WINDING);
  ExtSelectClipRgn(dc, region, RGN_AND);
  DeleteObject(region);
  ContentPainter(dc, DictValue(dict, "Resources")).Run(content, toDevice);
  RestoreDC(dc, saved);
}

// Paints the view's aperture: its top left corner is the window's (0, 0).
void PaintView(HDC dc, refhost::Handle view, const RECT& client) {
  using namespace refhost;
  HBRUSH outside = CreateSolidBrush(kOutsidePage);
  FillRect(dc, &client, outside);
  DeleteObject(outside);

  const ViewGeometry geometry = GetViewGeometry(view);
  const Handle page = PageViewPage(view);
  const FixedRect media = PageMediaBox(page);
  // Page space to aperture pixels, as the host converts page rectangles to the device.
  const double zoom = geometry.zoom;
  const double originX =
      static_cast<double>(geometry.pageX) - geometry.scrollX - geometry.aperture.left;
  const double originY =
      static_cast<double>(geometry.pageY) - geometry.scrollY - geometry.aperture.top;
  const Matrix pageToDevice{zoom,
                            0,
                            0,
                            -zoom,
                            originX - FromFixed(media.left) * zoom,
                            originY + FromFixed(media.top) * zoom};
  const POINT topLeft =
      DevicePoint(Apply(pageToDevice, {FromFixed(media.left), FromFixed(media.top)}));
  const POINT bottomRight =
      DevicePoint(Apply(pageToDevice, {FromFixed(media.right), FromFixed(media.bottom)}));
  const RECT pageRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  HBRUSH white = CreateSolidBrush(kPage);
  FillRect(dc, &pageRect, white);
  DeleteObject(white);

  for (const PDAnnot& annot : PageAnnotations(page)) {
    try {
      const CosObj flags = DictValue(AnnotationDict(annot), "F");
      if (ObjType(flags) == kCosInteger && (IntValue(flags) & 2) != 0) continue;  // Hidden
      const CosObj form = NormalAppearance(annot);
      if (!ObjIsNull(form)) PaintAppearance(dc, form, AnnotationRect(annot), pageToDevice);
    } catch (const std::exception&) {
      // A malformed annotation shows nothing, as in a viewer.
    }
  }
}

std::map<HWND, std::pair<WNDPROC, refhost::Handle>>& Painted() {
  static std::map<HWND, std::pair<WNDPROC, refhost::Handle>>* windows =
      new std::map<HWND, std::pair<WNDPROC, refhost::Handle>>;
  return *windows;
}

void Paint(HWND window, HDC dc, refhost::Handle view) {
  RECT client;
  GetClientRect(window, &client);
  try {
    PaintView(dc, view, client);
  } catch (const std::exception&) {
    // The view went while its window was still up: nothing to show.
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  }
}

LRESULT CALLBACK PageViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto found = Painted().find(window);
  if (found == Painted().end()) return DefWindowProcA(window, message, wParam, lParam);
  const WNDPROC previous = found->second.first;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      Paint(window, dc, found->second.second);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(window, reinterpret_cast<HDC>(wParam), found->second.second);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      Painted().erase(found);
      break;
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

}  // namespace

void AttachPagePainter(refhost::Handle view) {
  const HWND window = static_cast<HWND>(refhost::PageViewWindow(view));
  if (window == nullptr || !IsWindow(window)) return;
  auto found = Painted().find(window);
  if (found != Painted().end()) {
    found->second.second = view;
  } else {
    const WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PageViewWindowProc)));
    Painted()[window] = {previous, view};
  }
  InvalidateRect(window, nullptr, TRUE);
}

}  // namespace refhosttool
