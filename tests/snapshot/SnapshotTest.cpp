// Snapshots of page views: the page rendered by pdftoppm where the view's geometry puts
// it, grey around it, and player windows drawn over it as labelled boxes.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "BitmapFont.h"
#include "Documents.h"
#include "Host.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlayerJournal.h"
#include "Png.h"
#include "Snapshot.h"
#include "Viewer.h"
#include "PlatformControl.h"

namespace refhosttool {
void PrintTo(const Rgb& color, std::ostream* out) {
  *out << "(" << int(color.r) << "," << int(color.g) << "," << int(color.b) << ")";
}
}  // namespace refhosttool

namespace {

namespace fs = std::filesystem;
namespace rh = refhost;
using refhosttool::Rgb;
using refhosttool::RgbImage;

const Rgb kGrey{128, 128, 128};
const Rgb kWhite{255, 255, 255};
const Rgb kBlack{0, 0, 0};

bool IsDark(Rgb c) {
  return c.r + c.g + c.b < 150;
}

bool HavePdftoppm() {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "";
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    if (access((folders.substr(start, end - start) + "/pdftoppm").c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// The dark pixels of a region as rows of '#' and '.', cut to their bounding box.
std::vector<std::string> DarkMask(const RgbImage& image, int left, int top, int right, int bottom) {
  int minX = right, minY = bottom, maxX = left - 1, maxY = top - 1;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (IsDark(image.At(x, y))) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
  std::vector<std::string> rows;
  for (int y = minY; y <= maxY; ++y) {
    rows.emplace_back();
    for (int x = minX; x <= maxX; ++x) rows.back() += IsDark(image.At(x, y)) ? '#' : '.';
  }
  return rows;
}

// How `text` looks in the built-in font, as DarkMask shows it.
std::vector<std::string> TextMask(const std::string& text) {
  const int width = static_cast<int>(text.size()) * refhosttool::kGlyphAdvance;
  RgbImage image(width, refhosttool::kGlyphHeight, kWhite);
  refhosttool::DrawText(&image, 0, 0, text, kBlack, 0, 0, width, refhosttool::kGlyphHeight);
  return DarkMask(image, 0, 0, width, refhosttool::kGlyphHeight);
}

class SnapshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePdftoppm()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    platform::control::Reset();
    mvnJournalClear();
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() / ("snapshot-test-" + std::to_string(tick));
    fs::create_directories(folder_ / "tmp");
    fs::create_directories(folder_ / "out");
    // The snapshot's own temporary files go into a folder the test can see is left empty.
    if (const char* old = std::getenv("TMPDIR")) oldTmpdir_.reset(new std::string(old));
    setenv("TMPDIR", (folder_ / "tmp").c_str(), 1);

    host_.reset(new rh::Host());
    // A 200 x 100 point page with a black 40 x 10 point rectangle, from (20, 30) to (60, 40).
    doc_ = rh::NewDocument(1, rh::PageRect(0, 0, 200, 100));
    rh::DictSet(rh::PageDict(rh::DocumentPage(doc_, 0)), "Contents",
                rh::NewStream(doc_, "0 0 0 rg 20 30 40 10 re f\n"));
  }
  void TearDown() override {
    host_.reset();
    if (folder_.empty()) return;
    if (oldTmpdir_)
      setenv("TMPDIR", oldTmpdir_->c_str(), 1);
    else
      unsetenv("TMPDIR");
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  static rh::ViewGeometry Geometry(double zoom, int pageX, int pageY, int scrollX, int scrollY,
                                   rh::DevRect aperture) {
    rh::ViewGeometry geometry;
    geometry.zoom = zoom;
    geometry.pageX = pageX;
    geometry.pageY = pageY;
    geometry.scrollX = scrollX;
    geometry.scrollY = scrollY;
    geometry.aperture = aperture;
    return geometry;
  }

  std::string OutPath() const { return (folder_ / "out" / "view.png").string(); }

  RgbImage Snapshot(rh::Handle view) {
    std::string error;
    EXPECT_TRUE(refhosttool::WriteSnapshot(view, OutPath(), &error)) << error;
    std::ifstream in(OutPath(), std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RgbImage image;
    EXPECT_TRUE(refhosttool::DecodePng(png, &image, &error)) << error;
    return image;
  }

  std::vector<std::string> Entries(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    return names;
  }

  fs::path folder_;
  std::unique_ptr<std::string> oldTmpdir_;
  std::unique_ptr<rh::Host> host_;
  rh::Handle doc_ = nullptr;
};

// A child window of the view's window, as the plug-in opens one for a player.
class ChildWindow {
 public:
  ChildWindow(rh::Handle view, const platform::WindowRect& rect, bool visible = true) {
    platform::CWnd parent;
    parent.Attach(rh::PageViewWindow(view));
    const unsigned long style =
        platform::kWindowStyleChild | (visible ? platform::kWindowStyleVisible : 0);
    EXPECT_TRUE(window_.Create("", style, rect, &parent, 1));
    parent.Detach();
  }
  void* handle() const { return window_.GetSafeHwnd(); }
  void Play(const std::string& path) {
    mvnCreateGUI(handle(), 0);
    std::string copy = path;
    mvnSetFileName(handle(), &copy[0]);
  }

 private:
  platform::CStatic window_;
};

TEST_F(SnapshotTest, PageSitsWhereTheGeometryPutsItWithGreyAround) {
  // The page's top left corner is at device (40 - 10, 30 - 5) = aperture pixel (20, 20).
  const rh::Handle view =
      rh::NewPageView(doc_, 0, Geometry(1.0, 40, 30, 10, 5, rh::DevRect{10, 5, 310, 205}));
  const RgbImage image = Snapshot(view);
  ASSERT_EQ(300, image.width());
  ASSERT_EQ(200, image.height());

  EXPECT_EQ(kGrey, image.At(19, 60));
  EXPECT_EQ(kWhite, image.At(20, 60));
  EXPECT_EQ(kGrey, image.At(60, 19));
  EXPECT_EQ(kWhite, image.At(60, 20));
  EXPECT_EQ(kWhite, image.At(219, 119));
  EXPECT_EQ(kGrey, image.At(220, 119));
  EXPECT_EQ(kGrey, image.At(219, 120));
  EXPECT_EQ(kGrey, image.At(299, 199));
  // The rectangle: page x 20..60, y 40 down to 30, at aperture x 40..80, y 80..90.
  EXPECT_EQ(kBlack, image.At(40, 80));
  EXPECT_EQ(kBlack, image.At(79, 89));
  EXPECT_EQ(kWhite, image.At(39, 85));
  EXPECT_EQ(kWhite, image.At(80, 85));
  EXPECT_EQ(kWhite, image.At(60, 79));
  EXPECT_EQ(kWhite, image.At(60, 90));

  // Only the picture is left behind, and a second snapshot replaces it.
  EXPECT_EQ(std::vector<std::string>{"view.png"}, Entries(folder_ / "out"));
  EXPECT_TRUE(Entries(folder_ / "tmp").empty());
  Snapshot(view);
  EXPECT_EQ(std::vector<std::string>{"view.png"}, Entries(folder_ / "out"));
}

TEST_F(SnapshotTest, ZoomTwoDoublesThePage) {
  for (const double zoom : {1.0, 2.0}) {
    SCOPED_TRACE(zoom);
    const rh::Handle view =
        rh::NewPageView(doc_, 0, Geometry(zoom, 10, 10, 0, 0, rh::DevRect{0, 0, 500, 300}));
    const RgbImage image = Snapshot(view);
    const int scale = static_cast<int>(zoom);
    int width = 0, height = 0;
    while (10 + width < image.width() && image.At(10 + width, 15) != kGrey) ++width;
    while (10 + height < image.height() && image.At(15, 10 + height) != kGrey) ++height;
    EXPECT_EQ(200 * scale, width);
    EXPECT_EQ(100 * scale, height);
    EXPECT_EQ((std::vector<std::string>(10 * scale, std::string(40 * scale, '#'))),
              DarkMask(image, 0, 0, 500, 300));
    EXPECT_EQ(kBlack, image.At(10 + 20 * scale, 10 + 60 * scale));
    rh::ClosePageView(view);
  }
}

TEST_F(SnapshotTest, ScrolledPageShowsOnlyItsVisiblePart) {
  // At zoom 2 the page (400 x 200 pixels) starts at aperture pixel (40 - 100 - 10,
  // 30 - 80 - 5) = (-70, -55): its left and top are out of view, its right edge beyond it.
  const rh::Handle view =
      rh::NewPageView(doc_, 0, Geometry(2.0, 40, 30, 100, 80, rh::DevRect{10, 5, 310, 205}));
  const RgbImage image = Snapshot(view);
  ASSERT_EQ(300, image.width());
  EXPECT_EQ(kWhite, image.At(0, 0));
  EXPECT_EQ(kWhite, image.At(299, 144));
  EXPECT_EQ(kGrey, image.At(299, 145));
  // The rectangle, from page pixels (40, 120) to (120, 140), shows from x -30 to 50.
  EXPECT_EQ((std::vector<std::string>(20, std::string(50, '#'))), DarkMask(image, 0, 0, 300, 200));
  EXPECT_EQ(kBlack, image.At(0, 65));
  EXPECT_EQ(kBlack, image.At(49, 84));
}

TEST_F(SnapshotTest, PlayerWindowsAreFramedBoxesLabelledWithTheirSceneFile) {
  // At zoom 2 the page covers the aperture's top 200 rows.
  const rh::Handle view =
      rh::NewPageView(doc_, 0, Geometry(2.0, 0, 0, 0, 0, rh::DevRect{0, 0, 400, 300}));
  ChildWindow valve(view, {20, 110, 170, 150});
  valve.Play("/tmp/scenes/old.geom");
  mvnDeleteGUI(valve.handle());
  valve.Play("/tmp/scenes/valve.geom");
  ChildWindow fresh(view, {20, 160, 170, 200});
  fresh.Play("/tmp/scenes/gone.geom");
  mvnDeleteGUI(fresh.handle());
  mvnCreateGUI(fresh.handle(), 0);  // a new player that was given no scene yet
  ChildWindow accented(view, {20, 210, 170, 250});
  accented.Play("C:\\scenes\\sc\xE9ne.geom");
  ChildWindow hidden(view, {150, 10, 190, 50}, false);
  hidden.Play("/tmp/hidden.geom");

  const RgbImage image = Snapshot(view);
  const Rgb frame = image.At(20, 110);
  const Rgb fill = image.At(23, 112);
  EXPECT_TRUE(IsDark(frame));
  EXPECT_TRUE(fill.r > 180 && fill.g > 180 && fill.b > fill.r) << ::testing::PrintToString(fill);
  // A two-pixel frame on every side, the last row and column included.
  for (const auto& p : {std::pair<int, int>{21, 111}, {169, 149}, {168, 148}, {95, 149}})
    EXPECT_EQ(frame, image.At(p.first, p.second));
  EXPECT_EQ(fill, image.At(22, 147));
  EXPECT_EQ(fill, image.At(167, 130));
  EXPECT_EQ(kWhite, image.At(170, 130));
  EXPECT_EQ(kWhite, image.At(95, 150));
  EXPECT_EQ(kGrey, image.At(95, 250));

  EXPECT_EQ(TextMask("valve.geom"), DarkMask(image, 22, 112, 168, 148));
  EXPECT_EQ(TextMask("player"), DarkMask(image, 22, 162, 168, 198));
  EXPECT_EQ(TextMask("sc?ne.geom"), DarkMask(image, 22, 212, 168, 248));
  EXPECT_EQ(kWhite, image.At(170, 30));  // the hidden window is not drawn
}

TEST_F(SnapshotTest, BoxesAndLabelsAreCutToTheBoxAndTheAperture) {
  const rh::Handle view =
      rh::NewPageView(doc_, 0, Geometry(1.0, 0, 0, 0, 0, rh::DevRect{0, 0, 300, 150}));
  ChildWindow narrow(view, {100, 110, 130, 140});
  narrow.Play("/s/a-long-scene-name-that-does-not-fit.geom");
  ChildWindow outside(view, {-50, 120, 40, 400});
  outside.Play("/s/x.geom");

  const RgbImage image = Snapshot(view);
  const Rgb frame = image.At(100, 110);
  EXPECT_TRUE(IsDark(frame));
  EXPECT_EQ(frame, image.At(129, 120));
  EXPECT_FALSE(DarkMask(image, 102, 112, 128, 138).empty());
  EXPECT_TRUE(DarkMask(image, 130, 100, 300, 150).empty());
  EXPECT_EQ(frame, image.At(39, 149));
  EXPECT_EQ(frame, image.At(0, 120));
  EXPECT_NE(frame, image.At(0, 122));
}

TEST_F(SnapshotTest, FailureLeavesNoFileBehind) {
  const rh::Handle view = rh::NewPageView(doc_, 0);
  std::string error;
  // No pdftoppm: a clear message, and the picture already there stays as it was.
  std::ofstream(OutPath()) << "old";
  const std::string path = std::getenv("PATH");
  setenv("PATH", (folder_ / "tmp").c_str(), 1);
  EXPECT_FALSE(refhosttool::WriteSnapshot(view, OutPath(), &error));
  setenv("PATH", path.c_str(), 1);
  EXPECT_NE(std::string::npos, error.find("pdftoppm")) << error;
  std::ifstream in(OutPath());
  EXPECT_EQ("old", std::string(std::istreambuf_iterator<char>(in), {}));

  // A folder that does not exist: the render ran, then nothing of it is left.
  error.clear();
  const std::string missing = (folder_ / "no-such-folder" / "view.png").string();
  EXPECT_FALSE(refhosttool::WriteSnapshot(view, missing, &error));
  EXPECT_NE(std::string::npos, error.find("no-such-folder")) << error;
  EXPECT_TRUE(Entries(folder_ / "tmp").empty());
  EXPECT_EQ(std::vector<std::string>{"view.png"}, Entries(folder_ / "out"));
}

TEST(PngTest, HeaderAndTrailerAreStandardAndReadBack) {
  RgbImage image(1, 1, Rgb{1, 2, 3});
  std::string png, error;
  ASSERT_TRUE(refhosttool::EncodePng(image, &png, &error)) << error;
  // Signature and IHDR of a 1 x 1 8-bit RGB image, with their well-known checksum; IEND.
  const std::string head(
      "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0\x90\x77\x53\xde", 33);
  const std::string tail("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  EXPECT_EQ(head, png.substr(0, 33));
  EXPECT_EQ(tail, png.substr(png.size() - 12));
  RgbImage back;
  ASSERT_TRUE(refhosttool::DecodePng(png, &back, &error)) << error;
  EXPECT_EQ((Rgb{1, 2, 3}), back.At(0, 0));
  png[42] ^= 1;  // inside IDAT
  EXPECT_FALSE(refhosttool::DecodePng(png, &back, &error));
}

}  // namespace
