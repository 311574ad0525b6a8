// Player annotations through a real PDF file: the saved file passes qpdf's check, opens
// again with the same entries and scene bytes, and its placeholder renders as a grey frame
// with dark text inside the annotation's rectangle.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "AuthoringHost.h"
#include "PlayerAnnotChecks.h"
#include "RunProgram.h"

namespace authoringtest {
namespace {

constexpr refhost::DevRect kRect = {100, 120, 340, 260};

#if !defined(_WIN32)
// A binary PPM (P6) image with 8-bit channels.
struct Image {
  int width = 0, height = 0;
  std::string rgb;
  const unsigned char* At(int x, int y) const {
    return reinterpret_cast<const unsigned char*>(rgb.data()) + 3 * (size_t(y) * width + x);
  }
};

bool ReadPpm(const std::string& path, Image* image) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> image->width >> image->height >> maxValue;
  in.get();  // the single whitespace byte before the pixels
  if (!in || magic != "P6" || maxValue != 255) return false;
  image->rgb.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return image->rgb.size() == size_t(3) * image->width * image->height;
}

#endif

class PdfRoundTripTest : public AuthoringHost {
 protected:
  void SetUp() override {
    AuthoringHost::SetUp();
    if (!refhost::PdfFilesSupported()) GTEST_SKIP() << "no PDF files in this host build";
  }
  static void ExpectQpdfCheckPasses(const std::string& pdf) {
    std::string output;
    EXPECT_EQ(0, testsupport::RunProgram(testsupport::QpdfProgram(), {"--check", pdf}, &output))
        << output;
    EXPECT_NE(std::string::npos, output.find("No syntax or stream encoding errors")) << output;
  }
  std::string Save() {
    const std::string pdf = ScenePath("saved.pdf");
    refhost::SavePdfFile(doc_, pdf);
    return pdf;
  }
};

TEST_F(PdfRoundTripTest, SavedFilePassesQpdfAndReopensWithSameEntriesAndScenes) {
  const ExpectedScene scenes[] = {{"engine.rev", "MVN", SceneBytes(10000)}, {"empty", "GEOM", ""}};
  const refhost::PDAnnot first =
      CreateWithScene(WriteScene("engine.rev.Mvn", scenes[0].bytes), kRect);
  const refhost::PDAnnot second =
      CreateWithScene(WriteScene("empty.geom", scenes[1].bytes), {400, 300, 430, 700});
  ASSERT_FALSE(IsNull(first));
  ASSERT_FALSE(IsNull(second));
  const refhost::FixedRect rects[] = {refhost::AnnotationRect(first),
                                      refhost::AnnotationRect(second)};
  const std::string pdf = Save();
  ExpectQpdfCheckPasses(pdf);

  const refhost::Handle reopened = refhost::OpenPdfFile(pdf);
  const std::vector<refhost::PDAnnot> annots =
      refhost::PageAnnotations(refhost::DocumentPage(reopened, 0));
  ASSERT_EQ(2u, annots.size());
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    ExpectPlayerAnnot(annots[i], scenes[i], false);
    const refhost::FixedRect rect = refhost::AnnotationRect(annots[i]);
    EXPECT_EQ(rects[i].left, rect.left);
    EXPECT_EQ(rects[i].bottom, rect.bottom);
    EXPECT_EQ(rects[i].right, rect.right);
    EXPECT_EQ(rects[i].top, rect.top);
  }
  refhost::CloseDocument(reopened);  // Windows keeps an open file from being removed
}

// Filename and Subtype are names made from the path's bytes: the file must escape what a
// name cannot hold as it is, and the reader must get the same bytes back.
TEST_F(PdfRoundTripTest, SceneNamesWithDelimitersAndHighBytesSurviveTheFile) {
#if defined(_WIN32)
#define MIRVANE_MIDDLE ";"  // a backslash separates folders there
#else
#define MIRVANE_MIDDLE "\\"
#endif
  const ExpectedScene scene = {"Gear (v2)#1 [a" MIRVANE_MIDDLE "b] %\xe9t\xe9", "M\xc9SH", "x"};
  const refhost::PDAnnot annot = CreateWithScene(
      WriteScene("Gear (v2)#1 [a" MIRVANE_MIDDLE "b] %\xe9t\xe9.m\xe9sh", scene.bytes), kRect);
#undef MIRVANE_MIDDLE
  ASSERT_FALSE(IsNull(annot));
  const std::string pdf = Save();
  ExpectQpdfCheckPasses(pdf);
  const refhost::Handle reopened = refhost::OpenPdfFile(pdf);
  const std::vector<refhost::PDAnnot> annots =
      refhost::PageAnnotations(refhost::DocumentPage(reopened, 0));
  ASSERT_EQ(1u, annots.size());
  ExpectPlayerAnnot(annots[0], scene, false);
  refhost::CloseDocument(reopened);
}

// Rendered by poppler, a program of Linux (the Windows builds draw the same appearance with
// GDI in refhost.exe's snapshots).
#if !defined(_WIN32)
TEST_F(PdfRoundTripTest, PlaceholderRendersGreyFrameAndDarkTextInsideTheRectangle) {
  const refhost::PDAnnot annot = CreateWithScene(WriteScene("part.geom", "solid"), kRect);
  ASSERT_FALSE(IsNull(annot));
  const std::string pdf = Save();
  const std::string prefix = ScenePath("page");
  constexpr int kDpi = 144;
  std::string output;
  ASSERT_EQ(0, testsupport::RunProgram(
                   "pdftoppm",
                   {"-r", std::to_string(kDpi), "-f", "1", "-l", "1", "-singlefile", pdf, prefix},
                   &output))
      << output;
  Image image;
  ASSERT_TRUE(ReadPpm(prefix + ".ppm", &image));

  // Form space (0..100 on both axes) to image pixels; the page is 612 x 792 points.
  const refhost::FixedRect r = refhost::AnnotationRect(annot);
  const double left = refhost::FixedToDouble(r.left), right = refhost::FixedToDouble(r.right);
  const double bottom = refhost::FixedToDouble(r.bottom), top = refhost::FixedToDouble(r.top);
  const double scale = kDpi / 72.0;
  auto pixelX = [&](double fx) { return int((left + fx / 100 * (right - left)) * scale); };
  auto pixelY = [&](double fy) {
    return int((792 - (bottom + fy / 100 * (top - bottom))) * scale);
  };
  auto grey = [&](double fx, double fy) {
    const unsigned char* p = image.At(pixelX(fx), pixelY(fy));
    return std::abs(p[0] - 128) < 12 && std::abs(p[1] - 128) < 12 && std::abs(p[2] - 128) < 12;
  };
  auto white = [](const unsigned char* p) { return p[0] > 245 && p[1] > 245 && p[2] > 245; };

  // The frame: 6 units wide on the left and bottom edges, 5 on the right and top.
  EXPECT_TRUE(grey(3, 50));
  EXPECT_TRUE(grey(97.5, 50));
  EXPECT_TRUE(grey(50, 3));
  EXPECT_TRUE(grey(50, 97.5));
  EXPECT_TRUE(white(image.At(pixelX(50), pixelY(85))));  // the inside is not filled

  int dark = 0;
  for (int y = pixelY(60); y < pixelY(36); ++y)
    for (int x = pixelX(10); x < pixelX(95); ++x) {
      const unsigned char* p = image.At(x, y);
      if (p[0] < 90 && p[1] < 90 && p[2] < 90) ++dark;
    }
  EXPECT_GT(dark, 100) << "no text drawn";

  // Nothing is drawn outside the annotation's rectangle.
  int outside = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const bool inside =
          x >= pixelX(0) - 2 && x <= pixelX(100) + 2 && y >= pixelY(100) - 2 && y <= pixelY(0) + 2;
      if (!inside && !white(image.At(x, y))) ++outside;
    }
  EXPECT_EQ(0, outside);
}
#endif

}  // namespace
}  // namespace authoringtest
