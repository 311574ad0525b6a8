// Snapshots on Linux: the page rendered by poppler, the simulated player windows drawn
// over it.
#include "Snapshot.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "BitmapFont.h"
#include "Documents.h"
#include "Geometry.h"
#include "PageViews.h"
#include "PlayerJournal.h"
#include "Png.h"
#include "ReplacementFile.h"
#include "Viewer.h"
#include "PlatformControl.h"

extern char** environ;

namespace refhosttool {
namespace {

const Rgb kOutsidePage{128, 128, 128};
const Rgb kBoxFrame{16, 32, 80};
const Rgb kBoxFill{204, 224, 255};
const Rgb kBoxLabel{0, 0, 0};
constexpr int kFrameWidth = 2;
constexpr int kLabelInset = 3;  // between the frame and the label
// Large enough for any real screen, small enough that a wild aperture cannot eat the memory.
constexpr long long kMaxPixels = 1LL << 26;

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// A fresh folder in the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "refhost-snapshot-XXXXXX").string();
    if (mkdtemp(&pattern[0]) == nullptr)
      throw std::runtime_error(SystemError("cannot create a temporary folder '" + pattern + "'"));
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The first executable regular file called `name` in a folder of $PATH; empty when none.
std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  const std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + name;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return std::string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs `program` with `args` and no shell, input and output on /dev/null and its error
// output into `errorPath`; throws unless it exits with status 0.
void Run(const std::string& program, const std::vector<std::string>& args,
         const std::string& errorPath) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    throw std::runtime_error("cannot run " + program + ": " + std::strerror(spawned));

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error(SystemError("cannot wait for " + program));
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
  std::string message = ReadFile(errorPath);
  while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back())))
    message.pop_back();
  if (message.size() > 500) message = message.substr(0, 500) + "...";
  const std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                            : "signal " + std::to_string(WTERMSIG(status));
  throw std::runtime_error(program + " failed (" + how + ")" +
                           (message.empty() ? std::string() : ": " + message));
}

// A binary PPM (P6, maxval 255) as pdftoppm writes it.
RgbImage ParsePpm(const std::string& data) {
  size_t at = 0;
  const auto skipSpace = [&] {
    while (at < data.size()) {
      if (data[at] == '#') {
        while (at < data.size() && data[at] != '\n') ++at;
      } else if (std::isspace(static_cast<unsigned char>(data[at]))) {
        ++at;
      } else {
        break;
      }
    }
  };
  const auto number = [&] {
    skipSpace();
    long long value = 0;
    const size_t start = at;
    while (at < data.size() && std::isdigit(static_cast<unsigned char>(data[at])) &&
           value < (1LL << 32))
      value = value * 10 + (data[at++] - '0');
    if (at == start) throw std::runtime_error("pdftoppm wrote a malformed PPM header");
    return value;
  };
  if (data.compare(0, 2, "P6") != 0) throw std::runtime_error("pdftoppm did not write a P6 PPM");
  at = 2;
  const long long width = number(), height = number(), maxval = number();
  if (maxval != 255) throw std::runtime_error("pdftoppm wrote a PPM whose maxval is not 255");
  if (width < 1 || height < 1 || width * height > kMaxPixels)
    throw std::runtime_error("pdftoppm wrote a PPM of an unexpected size");
  ++at;  // the one whitespace byte before the pixels
  if (at > data.size() || data.size() - at < static_cast<size_t>(width * height * 3))
    throw std::runtime_error("pdftoppm wrote a PPM that is cut short");
  RgbImage image(static_cast<int>(width), static_cast<int>(height), Rgb{0, 0, 0});
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x, at += 3)
      image.Set(x, y,
                Rgb{static_cast<uint8_t>(data[at]), static_cast<uint8_t>(data[at + 1]),
                    static_cast<uint8_t>(data[at + 2])});
  return image;
}

// Draws the part of page `pageIndex` inside the aperture into `image` (aperture pixels),
// at the page's place in the view, rendered from the document saved as `pdf`.
void DrawPage(refhost::Handle view, int pageIndex, const std::string& pdf,
              const std::string& pdftoppm, RgbImage* image) {
  const refhost::ViewGeometry geometry = refhost::GetViewGeometry(view);
  const refhost::Handle page = refhost::DocumentPage(refhost::PageViewDocument(view), pageIndex);
  const refhost::FixedRect media = refhost::PageMediaBox(page);
  // The page's size in device pixels, and its top left corner in aperture pixels.
  const double zoom = geometry.zoom;
  const long long pageWidth = static_cast<long long>(
      std::ceil((refhost::FromFixed(media.right) - refhost::FromFixed(media.left)) * zoom));
  const long long pageHeight = static_cast<long long>(
      std::ceil((refhost::FromFixed(media.top) - refhost::FromFixed(media.bottom)) * zoom));
  const refhost::DevRect placed = refhost::PageRectToDeviceOn(view, pageIndex, media);
  const long long originX = static_cast<long long>(placed.left) - geometry.aperture.left;
  const long long originY = static_cast<long long>(placed.top) - geometry.aperture.top;
  // Only the visible part of the page is rendered: at a high zoom the whole page would be
  // far larger than the aperture.
  const long long left = std::max(0LL, -originX);
  const long long top = std::max(0LL, -originY);
  const long long right = std::min(pageWidth, image->width() - originX);
  const long long bottom = std::min(pageHeight, image->height() - originY);
  if (right <= left || bottom <= top) return;

  ScratchFolder scratch;
  char resolution[64];
  std::snprintf(resolution, sizeof resolution, "%.17g", 72.0 * zoom);
  const std::string pageNumber = std::to_string(refhost::PageIndex(page) + 1);
  Run(pdftoppm,
      {"-r", resolution, "-f", pageNumber, "-l", pageNumber, "-singlefile", "-x",
       std::to_string(left), "-y", std::to_string(top), "-W", std::to_string(right - left), "-H",
       std::to_string(bottom - top), pdf, scratch.File("page")},
      scratch.File("pdftoppm-errors.txt"));
  const RgbImage rendered = ParsePpm(ReadFile(scratch.File("page.ppm")));
  // pdftoppm may cut the area at the page's edge by a pixel of rounding; what it did not
  // render stays grey.
  for (int y = 0; y < rendered.height(); ++y)
    for (int x = 0; x < rendered.width(); ++x) {
      const long long ax = originX + left + x, ay = originY + top + y;
      if (ax >= 0 && ay >= 0 && ax < image->width() && ay < image->height())
        image->Set(static_cast<int>(ax), static_cast<int>(ay), rendered.At(x, y));
    }
}

// The base name of the scene file last given to the player in `window`, or "player" when
// its current player (the last mvnCreateGUI) was given none.
std::string SceneLabel(void* window) {
  std::string path;
  MvnJournalEntry entry;
  for (int i = 0; mvnJournalGet(i, &entry); ++i) {
    if (entry.window != window) continue;
    if (entry.kind == kMvnCreateGUI) path.clear();
    if (entry.kind == kMvnSetFileName)
      path.assign(entry.path, strnlen(entry.path, sizeof entry.path));
  }
  const size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name.empty() ? "player" : name;
}

void DrawPlayerBox(RgbImage* image, const platform::WindowRect& rect, const std::string& label) {
  image->FillRect(rect.left, rect.top, rect.right, rect.bottom, kBoxFrame);
  const int left = rect.left + kFrameWidth, top = rect.top + kFrameWidth;
  const int right = rect.right - kFrameWidth, bottom = rect.bottom - kFrameWidth;
  if (right <= left || bottom <= top) return;
  image->FillRect(left, top, right, bottom, kBoxFill);
  // The label goes at the top of the box's visible part, so a box scrolled partly out of
  // the view keeps its label in sight.
  const int labelTop = std::max(top, 0) + kLabelInset;
  DrawText(image, left + kLabelInset, labelTop, label, kBoxLabel, left, top, right, bottom);
}

}  // namespace

bool WriteSnapshot(refhost::Handle view, const std::string& pngPath, std::string* error) {
  try {
    const std::string pdftoppm = FindOnPath("pdftoppm");
    if (pdftoppm.empty())
      throw std::runtime_error("snapshots need pdftoppm (poppler-utils), which is not on the PATH");
    const refhost::DevRect aperture = refhost::GetViewGeometry(view).aperture;
    const long long width = static_cast<long long>(aperture.right) - aperture.left;
    const long long height = static_cast<long long>(aperture.bottom) - aperture.top;
    if (width < 1 || height < 1) throw std::runtime_error("the view's aperture is empty");
    if (width * height > kMaxPixels)
      throw std::runtime_error("the view's aperture (" + std::to_string(width) + " x " +
                               std::to_string(height) + ") is too large for a snapshot");

    RgbImage image(static_cast<int>(width), static_cast<int>(height), kOutsidePage);
    // Every page the view shows, each at its place in the layout.
    ScratchFolder scratch;
    const std::string pdf = scratch.File("view.pdf");
    refhost::SavePdfFile(refhost::PageViewDocument(view), pdf);
    for (int pageIndex : refhost::VisiblePages(view))
      DrawPage(view, pageIndex, pdf, pdftoppm, &image);
    if (void* window = refhost::PageViewWindow(view))
      for (const platform::control::WindowInfo& child : platform::control::LiveChildWindows(window))
        if (child.visible) DrawPlayerBox(&image, child.rect, SceneLabel(child.handle));

    std::string png, why;
    if (!EncodePng(image, &png, &why)) throw std::runtime_error(why);
    refhost::ReplacementFile file(pngPath);
    if (std::fwrite(png.data(), 1, png.size(), file.stream()) != png.size())
      throw std::runtime_error(SystemError("cannot write '" + file.path() + "'"));
    file.Commit();
    return true;
  } catch (const std::exception& failure) {
    *error = failure.what();
    return false;
  }
}

}  // namespace refhosttool
