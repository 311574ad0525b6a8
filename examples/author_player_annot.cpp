// author-player-annot: places a player annotation into a PDF document the way the viewer's
// Undo of a deletion does it. The reference host opens the document, the plug-in's
// creation sequence asks for the scene file (answered with --scene), builds the
// annotation with its embedded scene and placeholder appearance, and the host saves the
// result.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "Authoring/AnnotKeys.h"
#include "Authoring/PlayerAnnotCreation.h"
#include "Documents.h"
#include "Host.h"
#include "Objects.h"
#include "PageViews.h"
#include "PlugInEntry.h"
#include "PluginLoader.h"
#include "PlatformControl.h"

namespace {

// Page coordinates in points that the host's 16.16 fixed point holds.
constexpr int kMinCoordinate = -32768;
constexpr int kMaxCoordinate = 32767;

struct Options {
  std::string in;  // empty: a new document of `pages` Letter pages
  int pages = 0;   // 0: not given (one page)
  std::string out;
  std::string scene;
  bool cancel = false;
  int page = 1;
  double rect[4] = {72, 432, 360, 720};  // left, bottom, right, top in points
};

void Usage(std::FILE* out) {
  std::fprintf(
      out,
      "usage: author-player-annot --out OUT.pdf (--scene FILE | --cancel)\n"
      "                           [--in IN.pdf | --pages COUNT] [--page N] [--rect L,B,R,T]\n"
      "  Creates a player annotation on page N (from 1) of IN.pdf (default: a new\n"
      "  document of COUNT Letter pages, 1 unless given) at the page rectangle L,B,R,T\n"
      "  in points, embedding FILE, and saves the document as OUT.pdf.\n"
      "  Exit status: 0 saved, 1 not saved (the reason is printed), 2 bad options.\n");
}

// `text` as a whole number from `low` to `high`; false for anything else (signs, spaces,
// trailing characters, values out of range).
bool ParseInt(const char* text, int low, int high, int* value) {
  const char* end = text + std::strlen(text);
  int parsed = 0;
  const std::from_chars_result result = std::from_chars(text, end, parsed);
  if (result.ec != std::errc() || result.ptr != end || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

// `text` as L,B,R,T: four finite numbers that page coordinates can hold.
bool ParseRect(const char* text, double rect[4]) {
  const char* const end = text + std::strlen(text);
  const char* at = text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && (at == end || *at++ != ',')) return false;
    const std::from_chars_result result = std::from_chars(at, end, rect[i]);
    if (result.ec != std::errc() || !std::isfinite(rect[i]) || rect[i] < kMinCoordinate ||
        rect[i] > kMaxCoordinate)
      return false;
    at = result.ptr;
  }
  return at == end;
}

// Parses the command line into `options`; answers what is wrong with it, empty when
// nothing is.
std::string ParseOptions(int argc, char** argv, Options* options) {
  const std::string pageRange = " from 1 to " + std::to_string(INT_MAX);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = arg == "--in" || arg == "--out" || arg == "--scene" ||
                            arg == "--pages" || arg == "--page" || arg == "--rect";
    if (arg == "--cancel") {
      options->cancel = true;
      continue;
    }
    if (!takesValue) return "unknown option '" + arg + "'";
    if (i + 1 == argc) return arg + " needs a value";
    const char* value = argv[++i];
    const std::string bad = arg + ": '" + value + "' is not ";
    if (arg == "--in") {
      options->in = value;
    } else if (arg == "--out") {
      options->out = value;
    } else if (arg == "--scene") {
      options->scene = value;
    } else if (arg == "--pages") {
      if (!ParseInt(value, 1, INT_MAX, &options->pages)) return bad + "a whole number" + pageRange;
    } else if (arg == "--page") {
      if (!ParseInt(value, 1, INT_MAX, &options->page)) return bad + "a whole number" + pageRange;
    } else if (!ParseRect(value, options->rect)) {
      return bad + "four numbers L,B,R,T from " + std::to_string(kMinCoordinate) + " to " +
             std::to_string(kMaxCoordinate);
    }
  }
  if (options->out.empty()) return "--out is missing";
  if (!options->cancel && options->scene.empty()) return "--scene or --cancel is missing";
  if (!options->in.empty() && options->pages != 0) return "--in and --pages exclude each other";
  return std::string();
}

void PrintAnnotation(refhost::PDAnnot annot) {
  using namespace refhost;
  using refhost::CosObj;
  const CosObj dict = AnnotationDict(annot);
  const FixedRect rect = AnnotationRect(annot);
  std::printf("annotation /%s, Rect [%g %g %g %g]\n", AnnotationSubtype(annot).c_str(),
              FixedToDouble(rect.left), FixedToDouble(rect.bottom), FixedToDouble(rect.right),
              FixedToDouble(rect.top));
  if (ObjType(DictValue(dict, "F")) == kCosInteger)
    std::printf("  F %d\n", IntValue(DictValue(dict, "F")));
  if (ObjType(DictValue(dict, "Version")) == kCosName)
    std::printf("  Version /%s\n", NameText(DictValue(dict, "Version")).c_str());
  const CosObj scene = DictValue(dict, "KXTRIVOPlayerF");
  if (ObjType(scene) == kCosStream) {
    const CosObj sceneDict = StreamDictOf(scene);
    std::printf("  KXTRIVOPlayerF %d 0 R: Filename /%s, Subtype /%s, Length %d, %zu bytes\n",
                ObjNumber(scene), NameText(DictValue(sceneDict, "Filename")).c_str(),
                NameText(DictValue(sceneDict, "Subtype")).c_str(),
                IntValue(DictValue(sceneDict, "Length")), StreamData(scene).size());
  } else {
    std::printf("  no embedded scene\n");
  }
  const CosObj ap = DictValue(dict, "AP");
  std::printf("  AP %s\n", ObjType(ap) == kCosDict && ObjType(DictValue(ap, "N")) == kCosStream
                               ? "with the placeholder form /N"
                               : "missing");
}

int Run(const Options& options) {
  using namespace refhost;
  using refhost::PDAnnot;
  Host host;
  const StartupReport startup = RunStartup(host, &PlugInMain, nullptr);
  if (!startup.ok()) {
    std::fprintf(stderr, "author-player-annot: plug-in start-up failed: %s\n",
                 startup.failure.c_str());
    return 1;
  }
  host.CallPlugin("InitAnnotKeys", [] { InitAnnotKeys(); });

  const Handle doc = options.in.empty()
                         ? NewDocument(std::max(options.pages, 1), PageRect(0, 0, 612, 792))
                         : OpenPdfFile(options.in);
  if (options.page < 1 || options.page > PageCount(doc))
    throw std::runtime_error("page " + std::to_string(options.page) +
                             " does not exist; the document has " + std::to_string(PageCount(doc)));
  const Handle view = NewPageView(doc, options.page - 1);
  const double* r = options.rect;
  const DevRect device = PageRectToDevice(view, PageRect(r[0], r[1], r[2], r[3]));

  if (options.cancel)
    platform::control::QueueDialogCancel();
  else
    platform::control::QueueDialogAnswer(options.scene);

  PDAnnot created{0, 0};
  const bool completed = host.CallPlugin("CreatePlayerAnnot", [&] {
    const ::PDAnnot annot = CreatePlayerAnnot(
        reinterpret_cast<AVPageView>(view), {device.left, device.top, device.right, device.bottom});
    created = {annot.a, annot.b};
  });
  for (const std::string& alert : Alerts()) std::printf("alert: %s\n", alert.c_str());
  if (!completed) return 1;
  if (created.a == 0 && created.b == 0) {
    // After an alert the cause is the alert's; without one, the plug-in made none by design.
    std::printf("no annotation was created%s\n", Alerts().empty()
                                                     ? " (empty rectangle or cancelled dialog)"
                                                     : ": see the alert above");
  } else {
    PrintAnnotation(created);
  }
  // A creation that failed leaves an annotation without its scene: nothing worth saving.
  if (!Alerts().empty()) {
    std::fprintf(stderr,
                 "author-player-annot: the player annotation could not be completed; %s "
                 "was not written\n",
                 options.out.c_str());
    return 1;
  }
  SavePdfFile(doc, options.out);
  std::printf("saved %s\n", options.out.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      Usage(stdout);
      return 0;
    }
  }
  Options options;
  const std::string bad = ParseOptions(argc, argv, &options);
  if (!bad.empty()) {
    std::fprintf(stderr, "author-player-annot: %s\n", bad.c_str());
    Usage(stderr);
    return 2;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "author-player-annot: %s\n", e.what());
    return 1;
  }
}
